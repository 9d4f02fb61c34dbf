#include "colour/colour_dialog.h"

#include "base/messages.h"
#include "process/auto_processing_choices.h"

namespace nvk::colour {

const std::array<TColourDialog::Control, 8>& TColourDialog::checkBoxes() {
  static const std::array<Control, 8> boxes{{
      {kDaylightImage, "Daylight Image?"},
      {kLightPollution, "Light Pollution Correction"},
      {kColourSmoothing, "Colour Smoothing Filter"},
      {kApplyAntiAlias, "Apply Anti-Alias"},
      {kIrFilterUsed, "IR Filter Used?"},
      {kRemoveBackground, "Remove Background"},
      {kHighPassLowPower, "High Pass Low Power"},
      {kUnsharpMask, "Unsharp Mask"},
  }};
  return boxes;
}

const std::array<TColourDialog::Control, 4>& TColourDialog::stretchButtons() {
  static const std::array<Control, 4> buttons{{
      {kNoAutoStretch, "No Auto Stretch"},
      {kWeakStretch, "Apply Weak Stretch"},
      {kStrongStretch, "Apply Strong Stretch"},
      {kUserStretch, "Auto Stretch - User"},
  }};
  return buttons;
}

const std::array<std::string_view, 8>& TColourDialog::explanations() {
  static const std::array<std::string_view, 8> texts{
      "Daylight Images need less Blue",
      "Can be useful for exposures over 5 minutes long",
      "Apply Low Pass Filter to Colour data",
      "Recommended for all nightime images",
      "Colour balance is affected by Infra red",
      "For Planetary images try weak stretch, for nebulae try strong.",
      "For Astro Images remove the background",
      "To crispen images use high pass filter, or an unsharp mask filter",
  };
  return texts;
}

TColourDialog::TColourDialog(settings::Settings& settings, ColourState& colour, port::Ui& ui)
    : settings_(settings),
      ui_(ui),
      boxes_{{kDaylightImage, &colour.daylightImage},
             {kLightPollution, &colour.lightPollutionCorrection},
             {kColourSmoothing, &settings.colourSmoothing},
             {kApplyAntiAlias, &settings.antiAliasAfterSynthesis},
             {kIrFilterUsed, &settings.irFilterUsed},
             {kRemoveBackground, &settings.autoRemoveBackground},
             {kHighPassLowPower, &settings.autoHighPassLowPower},
             {kUnsharpMask, &settings.autoUnsharpMask}} {
  showStoredNumbers();
}

bool TColourDialog::isChecked(int checkBoxId) const {
  return boxes_.isChecked(checkBoxId);
}

void TColourDialog::toggle(int checkBoxId) {
  boxes_.toggle(checkBoxId);
}

int TColourDialog::checkedStretch() const {
  return kNoAutoStretch + static_cast<int>(process::autoStretch(settings_));
}

void TColourDialog::selectStretch(int radioId) {
  if (radioId < kNoAutoStretch || radioId > kUserStretch) return;
  process::selectAutoStretch(settings_,
                             static_cast<process::AutoStretch>(radioId - kNoAutoStretch));
}

bool TColourDialog::createImage() {
  const bool allValid =
      process::storeAutoProcessingNumbers({userPowerText, diameterText, powerText}, settings_);
  showStoredNumbers();
  if (allValid) return true;
  ui_.beep();
  return false;
}

void TColourDialog::help() const {
  ui_.showMessage(base::kMessageTitle, kHelpText);
}

void TColourDialog::showStoredNumbers() {
  const process::AutoProcessingTexts texts = process::autoProcessingTexts(settings_);
  userPowerText = texts[0];
  diameterText = texts[1];
  powerText = texts[2];
}

}  // namespace nvk::colour
