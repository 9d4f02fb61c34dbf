#include "process/auto_processing_choices.h"

#include <cstdint>

#include "port/dialog_controls.h"

namespace nvk::process {
namespace {

struct NumberField {
  std::int16_t settings::Settings::*stored;
  int low;
  int high;
};
constexpr std::array<NumberField, 3> kNumbers{{{&settings::Settings::userStretchPower, 2, 29},
                                               {&settings::Settings::autoUnsharpDiameter, 2, 6},
                                               {&settings::Settings::autoUnsharpPower, 1, 6}}};

}  // namespace

AutoStretch autoStretch(const settings::Settings& settings) {
  if (settings.autoWeakStretch) return AutoStretch::Weak;
  if (settings.autoStrongStretch) return AutoStretch::Strong;
  if (settings.autoUserStretch) return AutoStretch::User;
  return AutoStretch::None;
}

void selectAutoStretch(settings::Settings& settings, AutoStretch stretch) {
  settings.autoWeakStretch = stretch == AutoStretch::Weak;
  settings.autoStrongStretch = stretch == AutoStretch::Strong;
  settings.autoUserStretch = stretch == AutoStretch::User;
}

AutoProcessingTexts autoProcessingTexts(const settings::Settings& settings) {
  AutoProcessingTexts texts;
  for (std::size_t i = 0; i < kNumbers.size(); ++i)
    texts[i] = std::to_string(settings.*kNumbers[i].stored);
  return texts;
}

bool storeAutoProcessingNumbers(const AutoProcessingTexts& texts, settings::Settings& settings) {
  bool allValid = true;
  for (std::size_t i = 0; i < kNumbers.size(); ++i) {
    const auto value = port::wholeNumber(texts[i]);
    if (value && *value >= kNumbers[i].low && *value <= kNumbers[i].high) {
      settings.*kNumbers[i].stored = static_cast<std::int16_t>(*value);
    } else {
      allValid = false;
    }
  }
  return allValid;
}

}  // namespace nvk::process
