#include "colour/colour_dialog.h"

#include <charconv>
#include <optional>

#include "app/messages.h"

namespace nvk::colour {
namespace {

constexpr int kMinUserPower = 2, kMaxUserPower = 29;
constexpr int kMinDiameter = 2, kMaxDiameter = 6;
constexpr int kMinPower = 1, kMaxPower = 6;

// A whole number as typed in an edit field (spaces around it allowed); nullopt otherwise.
std::optional<int> parseWholeNumber(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Stores the typed number when it lies in [min, max]; reports whether it did.
bool takeNumber(std::string_view text, int min, int max, std::int16_t& stored) {
  const std::optional<int> value = parseWholeNumber(text);
  if (!value || *value < min || *value > max) return false;
  stored = static_cast<std::int16_t>(*value);
  return true;
}

}  // namespace

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

TColourDialog::TColourDialog(image::Settings& settings, ColourState& colour, port::Ui& ui)
    : settings_(settings), colour_(colour), ui_(ui) {
  showStoredNumbers();
}

bool* TColourDialog::checkBoxSetting(int checkBoxId) const {
  switch (checkBoxId) {
    case kDaylightImage:
      return &colour_.daylightImage;
    case kLightPollution:
      return &colour_.lightPollutionCorrection;
    case kColourSmoothing:
      return &settings_.colourSmoothing;
    case kApplyAntiAlias:
      return &settings_.antiAliasAfterSynthesis;
    case kIrFilterUsed:
      return &settings_.irFilterUsed;
    case kRemoveBackground:
      return &settings_.autoRemoveBackground;
    case kHighPassLowPower:
      return &settings_.autoHighPassLowPower;
    case kUnsharpMask:
      return &settings_.autoUnsharpMask;
    default:
      return nullptr;
  }
}

bool TColourDialog::isChecked(int checkBoxId) const {
  const bool* setting = checkBoxSetting(checkBoxId);
  return setting != nullptr && *setting;
}

void TColourDialog::toggle(int checkBoxId) {
  if (bool* setting = checkBoxSetting(checkBoxId)) *setting = !*setting;
}

int TColourDialog::checkedStretch() const {
  if (settings_.autoWeakStretch) return kWeakStretch;
  if (settings_.autoStrongStretch) return kStrongStretch;
  if (settings_.autoUserStretch) return kUserStretch;
  return kNoAutoStretch;
}

void TColourDialog::selectStretch(int radioId) {
  if (radioId < kNoAutoStretch || radioId > kUserStretch) return;
  settings_.autoWeakStretch = radioId == kWeakStretch;
  settings_.autoStrongStretch = radioId == kStrongStretch;
  settings_.autoUserStretch = radioId == kUserStretch;
}

bool TColourDialog::createImage() {
  // Each field is checked on its own: a valid number is kept even when another is not.
  const bool userPowerValid =
      takeNumber(userPowerText, kMinUserPower, kMaxUserPower, settings_.userStretchPower);
  const bool diameterValid =
      takeNumber(diameterText, kMinDiameter, kMaxDiameter, settings_.autoUnsharpDiameter);
  const bool powerValid = takeNumber(powerText, kMinPower, kMaxPower, settings_.autoUnsharpPower);
  showStoredNumbers();
  if (userPowerValid && diameterValid && powerValid) return true;
  ui_.beep();
  return false;
}

void TColourDialog::help() const {
  ui_.showMessage(app::kMessageTitle, kHelpText);
}

void TColourDialog::showStoredNumbers() {
  userPowerText = std::to_string(settings_.userStretchPower);
  diameterText = std::to_string(settings_.autoUnsharpDiameter);
  powerText = std::to_string(settings_.autoUnsharpPower);
}

}  // namespace nvk::colour
