#include "process/process_dialogs.h"

#include <algorithm>
#include <cstdio>

#include "base/messages.h"
#include "base/parse_int.h"
#include "process/auto_processing_choices.h"
#include "process/calibration.h"
#include "process/filters.h"
#include "process/stretch.h"

namespace nvk::process {
namespace {

void showHelp(port::Ui& ui, std::string_view dialogTitle, std::string_view text) {
  ui.showMessage(std::string(base::kMessageTitle) + " - " + std::string(dialogTitle), text);
}

std::string tenthsText(int tenths) {
  char text[16];
  std::snprintf(text, sizeof text, "%1.1f", tenths / 10.0);
  return text;
}

}  // namespace

// --- Normal Stretch ---

void NormalStretchDialog::typeBlack(std::string_view text) {
  const auto value = base::parseInt(text, base::kSpacesAround);
  if (value && *value >= 0 && *value <= 255 && *value < white_) black_ = *value;
}

void NormalStretchDialog::typeWhite(std::string_view text) {
  const auto value = base::parseInt(text, base::kSpacesAround);
  if (value && *value >= 1 && *value <= 300 && *value > black_) white_ = *value;
}

void NormalStretchDialog::scrollWhite(Scroll action, int position) {
  switch (action) {
    case Scroll::LineLeft:
      if (white_ > black_ + 1) --white_;
      break;
    case Scroll::LineRight:
      if (white_ < 300) ++white_;
      break;
    case Scroll::PageLeft:
      if (white_ > 9 && white_ > black_ + 10) white_ -= 10;
      break;
    case Scroll::PageRight:
      if (white_ <= 290) white_ += 10;
      break;
    case Scroll::Thumb:
      if (position > black_) white_ = std::clamp(position, 1, 300);
      break;
  }
}

void NormalStretchDialog::scrollBlack(Scroll action, int position) {
  switch (action) {
    case Scroll::LineLeft:
      if (black_ > 0) --black_;
      break;
    case Scroll::LineRight:
      if (black_ < 255 && black_ < white_ - 1) ++black_;
      break;
    case Scroll::PageLeft:
      if (black_ > 9) black_ -= 10;
      break;
    case Scroll::PageRight:
      if (black_ < 246 && black_ < white_ - 10) black_ += 10;
      break;
    case Scroll::Thumb:
      if (position < white_) black_ = std::clamp(position, 0, 255);
      break;
  }
}

std::array<NormalStretchDialog::Bar, 256> NormalStretchDialog::bars() const {
  std::array<Bar, 256> bars{};
  for (int v = 0; v < 256; ++v) {
    const std::uint32_t height = histogram_.counts[v] / 5;
    bars[v] = height > kBarLimit ? Bar{kBarLimit, true} : Bar{static_cast<int>(height), false};
  }
  return bars;
}

std::vector<int> NormalStretchDialog::ticks() {
  std::vector<int> ticks;
  for (int v = 0; v <= 256; v += kTickSpacing)
    ticks.push_back(v);
  return ticks;
}

void NormalStretchDialog::help(port::Ui& ui) const {
  showHelp(ui, title(),
           "Use controls to vary intensity from 0 to 255, where the lowest value will be shown "
           "as black and the highest by white. \n\nIf you type values into the black or white "
           "boxes you must press the set white or black button to activate.\n\n It is possible "
           "to darken the image overall by increasing the white level to 300.");
}

// --- Power Law Stretch ---

std::string PowerLawDialog::powerText() const {
  return tenthsText(tenths_);
}

void PowerLawDialog::scroll(Scroll action, int position) {
  switch (action) {
    case Scroll::LineLeft:
      // Down to 0.1: the power was a running sum of tenths, and after nine steps down it lay
      // a hair above 0.2, so one more step was taken.
      if (tenths_ > 1) --tenths_;
      break;
    case Scroll::LineRight:
      if (tenths_ < 30) ++tenths_;
      break;
    case Scroll::Thumb:
      tenths_ = std::clamp(position, 1, 30);
      break;
    case Scroll::PageLeft:
    case Scroll::PageRight:
      break;
  }
}

void PowerLawDialog::help(port::Ui& ui) const {
  showHelp(ui, title(),
           "Use controls to vary power from 0.1 to 3.0, where powers greater than 1 will increase "
           "contrast, and powers less than 1 will reduce contrast.");
}

// --- Non-Linear Stretch ---

void NonLinearDialog::readTypedValue() {
  const auto typed = base::parseInt(field_, base::kSpacesAround);
  if (typed && *typed >= 1 && *typed <= 50) power_ = *typed;
}

void NonLinearDialog::arrowUp() {
  readTypedValue();
  if (power_ < 50) ++power_;
  field_ = std::to_string(power_);
}

void NonLinearDialog::arrowDown() {
  readTypedValue();
  if (power_ > 2) --power_;
  field_ = std::to_string(power_);
}

bool NonLinearDialog::ok() {
  const auto typed = base::parseInt(field_, base::kSpacesAround);
  if (typed && *typed >= 1 && *typed <= 50) {
    power_ = *typed;
    return true;
  }
  power_ = 25;
  field_ = "25";
  return false;
}

void NonLinearDialog::help(port::Ui& ui) const {
  showHelp(ui, title(), "Use controls to vary the Power from 2 to 50");
}

// --- Auto-Processing Choices ---

AutoProcessingDialog::AutoProcessingDialog(settings::Settings& settings)
    : settings_(settings),
      boxes_{{kRemoveBackground, &settings.autoRemoveBackground},
             {kHighPassLowPower, &settings.autoHighPassLowPower},
             {kUnsharpMask, &settings.autoUnsharpMask}} {
  showStored();
}

void AutoProcessingDialog::showStored() {
  fields_ = autoProcessingTexts(settings_);
}

int AutoProcessingDialog::checkedRadio() const {
  return kNoStretch + static_cast<int>(autoStretch(settings_));
}

void AutoProcessingDialog::selectRadio(int controlId) {
  const bool stretch = controlId >= kNoStretch && controlId <= kUserStretch;
  selectAutoStretch(settings_,
                    stretch ? static_cast<AutoStretch>(controlId - kNoStretch) : AutoStretch::None);
}

bool AutoProcessingDialog::isChecked(int controlId) const {
  return boxes_.isChecked(controlId);
}

void AutoProcessingDialog::toggle(int controlId) {
  boxes_.toggle(controlId);
}

const std::string& AutoProcessingDialog::text(int editId) const {
  return fields_[static_cast<std::size_t>(std::clamp(editId - kUserPowerEdit, 0, 2))];
}

void AutoProcessingDialog::type(int editId, std::string text) {
  if (editId >= kUserPowerEdit && editId <= kPowerEdit) {
    fields_[static_cast<std::size_t>(editId - kUserPowerEdit)] = std::move(text);
  }
}

bool AutoProcessingDialog::save(port::Ui& ui) {
  const bool allValid = storeAutoProcessingNumbers(fields_, settings_);
  showStored();
  if (!allValid) ui.beep();
  return allValid;
}

void AutoProcessingDialog::help(port::Ui& ui) const {
  showHelp(ui, title(),
           "To process images as they are taken choose from these options. You can select "
           "various non-linear stretches, a high pass or Unsharp mask filter.\n\nFor more control "
           "save raw images and apply all image processing later.");
}

// --- Stretch Display ---

void StretchDisplayDialog::scroll(Scroll action, int position) {
  int p = power();
  switch (action) {
    case Scroll::LineLeft:
      if (p > 2) --p;
      break;
    case Scroll::LineRight:
      if (p < 50) ++p;
      break;
    case Scroll::PageLeft:
      p = 2;
      break;
    case Scroll::PageRight:
      p = 50;
      break;
    case Scroll::Thumb:
      p = std::clamp(position, 2, 50);
      break;
  }
  display_.stretchPower = p;
}

// --- Unsharp Mask and Median Filter ---

namespace {
void stepWithin(int& value, Scroll action, int low, int high) {
  if (action == Scroll::LineLeft && value > low) --value;
  if (action == Scroll::LineRight && value < high) ++value;
}
}  // namespace

void UnsharpMaskDialog::scrollRadius(Scroll action) {
  stepWithin(radius_, action, 1, 7);
}
void UnsharpMaskDialog::scrollPower(Scroll action) {
  stepWithin(power_, action, 1, 7);
}

void UnsharpMaskDialog::help(port::Ui& ui) const {
  showHelp(ui, title(), "Use controls to vary the radius from 1 to 7, and the power from 1 to 7.");
}

std::string MedianFilterDialog::powerText() const {
  return tenthsText(tenths_);
}

void MedianFilterDialog::arrowRadius(bool up) {
  stepWithin(radius_, up ? Scroll::LineRight : Scroll::LineLeft, 1, 3);
}

void MedianFilterDialog::arrowPower(bool up) {
  stepWithin(tenths_, up ? Scroll::LineRight : Scroll::LineLeft, 1, 10);
}

void MedianFilterDialog::help(port::Ui& ui) const {
  showHelp(ui, title(),
           "Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1.");
}

// --- Hot pixel map ---

HotPixelMapDialog::HotPixelMapDialog(Program& program)
    : program_(program), nameField_(program.hotPixelMap.name) {
  rescan();
}

void HotPixelMapDialog::rescan() {
  found_ = ScanHotPixels(program_, threshold());
}

std::string HotPixelMapDialog::directoryText() const {
  return program_.autosaveFolder().string();
}

std::string HotPixelMapDialog::pathText() const {
  return hotPixelMapPath(program_).string();
}

void HotPixelMapDialog::scroll(Scroll action, int position) {
  std::int32_t& t = program_.hotPixelMap.threshold;
  switch (action) {
    case Scroll::LineLeft:
      if (t > kMinThreshold) --t;
      break;
    case Scroll::LineRight:
      if (t < kMaxThreshold) ++t;
      break;
    case Scroll::PageLeft:
      if (t > kMinThreshold + 100) t -= 100;
      break;
    case Scroll::PageRight:
      if (t < kMaxThreshold - 100) t += 100;
      break;
    case Scroll::Thumb:
      t = std::clamp(position, kMinThreshold, kMaxThreshold);
      break;
  }
  rescan();
}

void HotPixelMapDialog::change() {
  const std::string_view head = std::string_view(nameField_).substr(0, kMaxName);
  if (head.find_first_of("*/:?\\") != std::string_view::npos) {
    base::ShowMessage(program_.ui(), base::Message::EmptyBox);
  } else if (nameField_.empty()) {
    program_.hotPixelMap.name = image::HotPixelMap::kDefaultName;
  } else {
    program_.hotPixelMap.name = std::string(head);
  }
  nameField_ = program_.hotPixelMap.name;
}

// --- commands ---

void NormalStretchCommand(Program& program) {
  NormalStretchDialog dialog(program.processing.background);
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    NormalStretch(program, dialog.black(), dialog.white());
  }
}

void PowerLawStretchCommand(Program& program) {
  PowerLawDialog dialog;
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    PowerLawStretch(program, dialog.powerTenths());
  }
}

void NonLinearStretchCommand(Program& program) {
  NonLinearDialog dialog;
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    NonLinearStretch(program, dialog.power());
  }
}

void AutoProcessingChoicesCommand(Program& program) {
  AutoProcessingDialog dialog(program.settings);
  program.ui().runDialog(dialog);
}

void UnsharpMaskCommand(Program& program) {
  UnsharpMaskDialog dialog;
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    UnsharpMask(program, dialog.radius(), dialog.power());
  }
}

void MedianFilterCommand(Program& program) {
  MedianFilterDialog dialog;
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    MedianFilter(program, dialog.radius(), dialog.powerTenths());
  }
}

void CreateHotPixelMapCommand(Program& program) {
  HotPixelMapDialog dialog(program);
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) SaveHotPixelMap(program);
}

}  // namespace nvk::process
