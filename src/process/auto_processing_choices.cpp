#include "process/auto_processing_choices.h"

#include <cstdint>

#include "base/parse_int.h"
#include "port/dialog_controls.h"
#include "settings/value_ranges.h"

namespace nvk::process {
namespace {

struct NumberField {
  std::int16_t settings::Settings::*stored;
  settings::ValueRange range;
};
constexpr std::array<NumberField, 3> kNumbers{
    {{&settings::Settings::userStretchPower, settings::kUserStretchPowerRange},
     {&settings::Settings::autoUnsharpDiameter, settings::kUnsharpDiameterRange},
     {&settings::Settings::autoUnsharpPower, settings::kUnsharpPowerRange}}};

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
    const auto value = base::parseInt(texts[i], base::kSpacesAround);
    if (value && kNumbers[i].range.contains(*value)) {
      settings.*kNumbers[i].stored = static_cast<std::int16_t>(*value);
    } else {
      allValid = false;
    }
  }
  return allValid;
}

}  // namespace nvk::process
