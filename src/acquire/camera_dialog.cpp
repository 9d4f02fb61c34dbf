#include "acquire/camera_dialog.h"

#include <algorithm>
#include <cstdio>

#include "acquire/acquire_settings.h"
#include "acquire/monitor_loops.h"
#include "acquire/program.h"
#include "base/messages.h"
#include "base/parse_int.h"
#include "scope/mount_commands.h"
#include "scope/mount_factory.h"

namespace nvk::acquire {
namespace {

constexpr std::string_view kHelpText =
    "Select exposure range using Radio buttons on left of dialog Window, then set the exposure "
    "value with the arrows beside it.\n"
    "Choose the number of exposures and, for continuous runs, the delay between them.\n"
    "Choose the readout with the Exposure Mode buttons; User Defined SubFrame reads the part of "
    "the sensor chosen with Pick Sub-Frame.\n"
    "Take Photo starts the exposure; Esc or the Abort button of its progress box stops it.\n"
    "Focus Mode repeats short exposures of the focus window and shows the star's peak and "
    "FWHM; hold In or Out to move the telescope's focuser meanwhile.\n"
    "Camera Temperature sets the cooler; Monitor shows the temperature twice a second until it "
    "is pressed again or Esc.";

bool& flag(AcquireSettings& s, TNVDialog::Check check) {
  using C = TNVDialog::Check;
  switch (check) {
    case C::Continuous:
      return s.continuous;
    case C::Average:
      return s.average;
    case C::AlternativeSlew:
      return s.alternativeSlewMethod;
    case C::DelayBeforeExposure:
      return s.delayBeforeExposure;
    case C::AutoSave:
      return s.autoSave;
    case C::AutoRemoveDark:
      return s.autoRemoveDark;
    case C::AutoApplyFlat:
      return s.autoApplyFlat;
    case C::AutoProcess:
      return s.autoProcess;
    case C::AutochangeExposure:
      return s.autochangeExposure;
    case C::BinFocusFrame:
      return s.binFocusFrame;
  }
  return s.continuous;
}

std::string twoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%2d", value);
  return text;
}

}  // namespace

std::string_view cameraDialogHelpText() {
  return kHelpText;
}

TNVDialog::TNVDialog(Program& program, CameraControl& camera) : program_(program), camera_(camera) {
  refresh();
}

int TNVDialog::fieldValue() const {
  // The digits after any spaces count; what follows them is ignored.
  return base::parseInt(exposureField_, {.blanks = true, .textAfter = true}).value_or(0);
}

void TNVDialog::refresh() {
  auto& cooler = program_.devices.cooler;
  if (cooler.available) camera_.setCooling();
  exposureField_ = std::to_string(program_.acquisition.exposureValue);
}

// --- closing buttons ---

std::optional<port::DialogResult> TNVDialog::takePhoto() {
  const int value = fieldValue();
  if (value == 0) return std::nullopt;
  program_.acquisition.exposureValue = value;
  exit_ = DialogExit::TakePhoto;
  return port::DialogResult::Ok;
}

std::optional<port::DialogResult> TNVDialog::autoguidePhoto() {
  auto& s = program_.acquisition;
  if (s.guiding) {
    base::ShowMessage(program_.ui(), base::Message::AlreadyGuidingExternal);
    return std::nullopt;
  }
  const bool guiderSetUp = scope::telescopeDriveChosen(program_);
  if (guiderSetUp) s.guideDuringExposure = true;
  auto result = takePhoto();
  if (result) exit_ = DialogExit::AutoguidePhoto;
  return result;
}

std::optional<port::DialogResult> TNVDialog::goToAutoguider() {
  if (program_.acquisition.guiding) {
    base::ShowMessage(program_.ui(), base::Message::AlreadyGuidingExternal);
    return std::nullopt;
  }
  if (!scope::telescopeDriveChosen(program_)) {
    base::ShowMessage(program_.ui(), base::Message::CallerText, scope::kNoDriveMethodText);
    return std::nullopt;
  }
  exit_ = DialogExit::GoToAutoguider;
  return port::DialogResult::Cancel;
}

port::DialogResult TNVDialog::cancel() {
  exit_ = DialogExit::Cancel;
  return port::DialogResult::Cancel;
}

void TNVDialog::help() {
  program_.ui().showMessage(kHelpTitle, kHelpText);
}

// --- exposure ---

void TNVDialog::chooseUnit(char unit) {
  auto& s = program_.acquisition;
  s.exposureUnit = unit;
  switch (unit) {
    case 'q':
    case 'h':
      s.exposureValue = 5;
      s.exposureMaximum = 500;
      break;
    case 't':
      s.exposureValue = 5;
      s.exposureMaximum = 100;
      break;
    case 's':
      s.exposureValue = 1;
      s.exposureMaximum = 300;
      break;
    default:
      s.exposureUnit = 'm';
      s.exposureValue = 1;
      s.exposureMaximum = 90;
      break;
  }
  refresh();
}

void TNVDialog::commitExposureField() {
  if (const int value = fieldValue(); value != 0) program_.acquisition.exposureValue = value;
  refresh();
}

void TNVDialog::exposureLeft() {
  auto& s = program_.acquisition;
  const int value = fieldValue();
  s.exposureValue = value > 1 ? value - 1 : std::max(value, 1);
  refresh();
}

void TNVDialog::exposureRight() {
  auto& s = program_.acquisition;
  const int value = fieldValue();
  s.exposureValue = value < s.exposureMaximum ? std::max(value + 1, 1) : s.exposureMaximum;
  refresh();
}

void TNVDialog::exposuresLeft() {
  auto& n = program_.acquisition.exposureCount;
  if (n > 1) --n;
  refresh();
}

void TNVDialog::exposuresRight() {
  auto& n = program_.acquisition.exposureCount;
  if (n < kMaxExposures) ++n;
  refresh();
}

void TNVDialog::pauseLeft() {
  auto& n = program_.acquisition.pauseBetweenExposures;
  if (n > 0) --n;
  refresh();
}

void TNVDialog::pauseRight() {
  auto& n = program_.acquisition.pauseBetweenExposures;
  if (n < kMaxPause) ++n;
  refresh();
}

void TNVDialog::setPauseInMinutes(bool minutes) {
  program_.acquisition.pauseInMinutes = minutes;
  refresh();
}

void TNVDialog::chooseReadoutMode(int mode) {
  if (mode < 1 || mode > 5) return;
  program_.state.readoutMode = static_cast<image::ReadoutMode>(mode);
  program_.state.binned = mode != 1;
  refresh();
}

void TNVDialog::toggle(Check check) {
  bool& f = flag(program_.acquisition, check);
  f = !f;
  refresh();
}

bool TNVDialog::checked(Check check) const {
  return flag(program_.acquisition, check);
}

// --- focus mode ---

void TNVDialog::startFocus() {
  if (focusing_ || monitoring_) return;
  focusing_ = true;
  stopRequested_ = false;
  if (const int value = fieldValue(); value != 0) program_.acquisition.exposureValue = value;
  FocusMode(program_, {[this] {
                         refresh();
                         if (repaint_) repaint_();
                       },
                       &stopRequested_});
  focusing_ = false;
  stopRequested_ = false;
  refresh();
}

bool TNVDialog::focuserAvailable() const {
  return scope::chosenMount(program_).focuserAvailable();
}

void TNVDialog::focuserPress(bool in) {
  if (!focuserAvailable()) return;
  if (scope::ConnectTelescope(program_, true) != scope::ConnectResult::Connected) return;
  scope::chosenMount(program_).startFocus(
      in ? scope::FocusDirection::In : scope::FocusDirection::Out, program_.telescope.focusSpeed());
}

void TNVDialog::focuserRelease() {
  scope::chosenMount(program_).stopFocus();
}

std::optional<files::Bitmap> TNVDialog::focusImage() const {
  if (!program_.acquisition.focusBitmapRendered) return std::nullopt;
  return files::readBitmapFile(files::focusBitmapPath(program_));
}

// --- focus stretch ---

void TNVDialog::stretchLineUp() {
  auto& v = program_.acquisition.focusStretch;
  if (v > kStretchMin) --v;
  refresh();
}

void TNVDialog::stretchLineDown() {
  auto& v = program_.acquisition.focusStretch;
  if (v < kStretchMax) ++v;
  refresh();
}

void TNVDialog::stretchPageUp() {
  program_.acquisition.focusStretch = kStretchMin;
  refresh();
}

void TNVDialog::stretchPageDown() {
  program_.acquisition.focusStretch = kStretchMax;
  refresh();
}

void TNVDialog::stretchDrag(int value) {
  program_.acquisition.focusStretch = std::clamp(value, kStretchMin, kStretchMax);
  refresh();
}

// --- cooler ---

bool TNVDialog::setPointBarEnabled() const {
  return !program_.settings.forceMaxCooling;
}

void TNVDialog::setPointLineLeft() {
  auto& sp = program_.devices.cooler.setPointC;
  if (setPointBarEnabled() && sp > kSetPointMin) --sp;
  refresh();
}

void TNVDialog::setPointLineRight() {
  auto& sp = program_.devices.cooler.setPointC;
  if (setPointBarEnabled() && sp < kSetPointMax) ++sp;
  refresh();
}

void TNVDialog::setPointPageLeft() {
  if (setPointBarEnabled()) program_.devices.cooler.setPointC = kSetPointMin;
  refresh();
}

void TNVDialog::setPointPageRight() {
  if (setPointBarEnabled()) program_.devices.cooler.setPointC = kSetPointMax;
  refresh();
}

void TNVDialog::setPointDrag(int value) {
  if (setPointBarEnabled()) {
    program_.devices.cooler.setPointC =
        static_cast<std::int16_t>(std::clamp(value, kSetPointMin, kSetPointMax));
  }
  refresh();
}

void TNVDialog::toggleCooling() {
  auto& cooler = program_.devices.cooler;
  cooler.on = !(cooler.available && cooler.on && !program_.settings.forceMaxCooling);
  refresh();
}

void TNVDialog::monitor() {
  if (monitoring_) {
    stopRequested_ = true;
    return;
  }
  if (focusing_) return;
  monitoring_ = true;
  stopRequested_ = false;
  if (repaint_) repaint_();
  CoolingMonitor(program_, {[this] {
                              refresh();
                              if (repaint_) repaint_();
                            },
                            &stopRequested_});
  monitoring_ = false;
  stopRequested_ = false;
  refresh();
}

bool TNVDialog::coolingOn() const {
  return program_.devices.cooler.on;
}
bool TNVDialog::coolingEnabled() const {
  return program_.devices.cooler.available;
}
std::string TNVDialog::actualText() const {
  return twoDigits(program_.devices.cooler.temperatureC);
}
std::string TNVDialog::setText() const {
  return twoDigits(program_.devices.cooler.setPointC);
}
int TNVDialog::setPoint() const {
  return program_.devices.cooler.setPointC;
}

std::string_view TNVDialog::coolingModeText() const {
  return program_.settings.forceMaxCooling ? "Max Cooling Set" : "Adjust Cooling";
}

// --- filter wheel ---

void TNVDialog::filterFirst() {
  program_.devices.filterPosition = 1;
  camera_.selectFilter(1);
  refresh();
}

void TNVDialog::filterNext() {
  int& pos = program_.devices.filterPosition;
  pos = pos >= program_.settings.filterCount ? 1 : pos + 1;
  camera_.selectFilter(pos);
  refresh();
}

void TNVDialog::filterPrev() {
  int& pos = program_.devices.filterPosition;
  pos = pos <= 1 ? program_.settings.filterCount : pos - 1;
  camera_.selectFilter(pos);
  refresh();
}

int TNVDialog::filterPosition() const {
  return program_.devices.filterPosition;
}

std::string TNVDialog::filterName() const {
  const int pos = program_.devices.filterPosition;
  if (pos < 1 || pos > settings::Settings::kMaxFilters) return {};
  return program_.settings.filterNames[static_cast<std::size_t>(pos - 1)];
}

// --- read-only texts ---

std::string_view TNVDialog::cameraModeText() const {
  const auto& s = program_.acquisition;
  if (s.continuous) return s.exposureCount <= 1 ? "Continuous Imaging" : "Series Imaging";
  return s.exposureCount <= 1 ? "Single Image" : "Auto Merging";
}

std::string_view TNVDialog::autoguiderStatusText() const {
  if (!program_.camera().connected()) return "Guider Camera not detected";
  if (program_.acquisition.guiding) return "Already Autoguiding";
  return "Guider Camera available";
}

std::string TNVDialog::firmwareText() const {
  const auto& fw = program_.devices.firmware;
  return std::to_string(fw.major) + "." + std::to_string(fw.minor);
}

std::string TNVDialog::maxValueText() const {
  return std::to_string(program_.devices.focus.peak);
}
std::string TNVDialog::fwhmText() const {
  return std::to_string(program_.devices.focus.fwhm);
}
std::string TNVDialog::lastFileText() const {
  return std::to_string(program_.settings.autosaveCounter);
}
std::string TNVDialog::subDirectoryText() const {
  return program_.settings.autosaveDirectory;
}
std::string TNVDialog::darkFileText() const {
  return darkFilePath(program_).string();
}
std::string TNVDialog::flatFileText() const {
  return flatFilePath(program_).string();
}
int TNVDialog::focusStretch() const {
  return program_.acquisition.focusStretch;
}
char TNVDialog::unit() const {
  const char u = program_.acquisition.exposureUnit;
  return (u == 'q' || u == 'h' || u == 't' || u == 's') ? u : 'm';
}
int TNVDialog::readoutMode() const {
  return static_cast<int>(program_.state.readoutMode);
}
int TNVDialog::exposureCount() const {
  return program_.acquisition.exposureCount;
}
int TNVDialog::pause() const {
  return program_.acquisition.pauseBetweenExposures;
}
bool TNVDialog::pauseInMinutes() const {
  return program_.acquisition.pauseInMinutes;
}

}  // namespace nvk::acquire

namespace nvk::acquire {

std::filesystem::path darkFilePath(const Program& program) {
  const auto& chosen = program.fileMenu.darkFramePath;
  return chosen.empty() ? program.autosaveFolder() / "dark.def" : std::filesystem::path(chosen);
}

std::filesystem::path flatFilePath(const Program& program) {
  const auto& chosen = program.fileMenu.flatFieldPath;
  return chosen.empty() ? program.autosaveFolder() / "flat.def" : std::filesystem::path(chosen);
}

}  // namespace nvk::acquire
