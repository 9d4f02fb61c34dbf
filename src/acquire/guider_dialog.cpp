#include "acquire/guider_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

#include "acquire/exposure_sequence.h"
#include "acquire/monitor_loops.h"
#include "acquire/program.h"
#include "base/messages.h"
#include "base/parse_int.h"
#include "scope/ao_unit_factory.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "scope/mount_commands.h"
#include "scope/mount_factory.h"
#include "settings/value_ranges.h"

namespace nvk::acquire {
namespace {

std::string fromTo(settings::ValueRange range) {
  return std::to_string(range.lo) + " to " + std::to_string(range.hi);
}

// The refusals name the ranges the settings file keeps (value_ranges.h).
std::string defaultsOutOfRangeText() {
  return "Default values out of range - rates " + fromTo(settings::kGuideRateRange) +
         " pixels per second, RA backlash " + fromTo(settings::kRaBacklashRange) +
         " pixels, Dec backlash " + fromTo(settings::kDecBacklashRange) + " pixels, RA angle " +
         fromTo(settings::kGuiderRaAngleRange) + " degrees";
}

std::string gainsOutOfRangeText() {
  return "AO gains out of range - " + fromTo(settings::kAoGainRange) + " steps per pixel";
}

int unitResetValue(char unit) {
  return unit == 's' ? 1 : 5;
}

std::string number(int v) {
  return std::to_string(v);
}

// A whole number typed in an edit, or nothing when it is not one.
std::optional<int> parsedInteger(std::string_view text) {
  return base::parseInt(text, {.blanks = true, .plusSign = true});
}

void swapPair(settings::LetterPair& pair) {
  std::swap(pair.first, pair.second);
}

}  // namespace

TGNVDialog::TGNVDialog(Program& program) : program_(program) {
  loadDefaultTexts();
}

void TGNVDialog::loadDefaultTexts() {
  const auto& s = program_.settings;
  defaults_[0] = number(s.guiderGuide.raRate);
  defaults_[1] = number(s.guiderGuide.decRate);
  defaults_[2] = number(s.guiderGuide.raBacklash);
  defaults_[3] = number(s.guiderGuide.decBacklash);
  defaults_[4] = number(s.guiderRaAngle);
  aoDefaults_[0] = number(s.aoDefaultGainUpDown);
  aoDefaults_[1] = number(s.aoDefaultGainLeftRight);
}

void TGNVDialog::repaint() {
  if (repaint_) repaint_();
}

void TGNVDialog::saveSettings() {
  if (program_.saveSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowWriteFailure(program_.ui(), base::Message::UnableToSaveIni);
  }
}

// --- exposure ---

void TGNVDialog::chooseUnit(char unit) {
  auto& camera = program_.guiding.camera;
  camera.unit = unit == 'h' || unit == 's' ? unit : 't';
  camera.value = unitResetValue(camera.unit);
}

char TGNVDialog::unit() const {
  return program_.guiding.camera.unit;
}

int TGNVDialog::value() const {
  return program_.guiding.camera.value;
}

int TGNVDialog::maximum() const {
  return scope::guideUnitMaximum(unit());
}

void TGNVDialog::valueUp() {
  auto& v = program_.guiding.camera.value;
  if (v < maximum()) ++v;
}

void TGNVDialog::valueDown() {
  auto& v = program_.guiding.camera.value;
  if (v > kMinimumValue) --v;
}

// --- guide exposures ---

std::optional<files::Bitmap> TGNVDialog::expose(bool dark) {
  auto& ui = program_.ui();
  ui.setBusyCursor(true);
  auto shown = dark ? scope::TakeGuideDark(program_, disk_)
                    : scope::ShowGuideExposure(program_, false, disk_);
  ui.setBusyCursor(false);
  if (shown) image_ = std::move(shown);
  return image_;
}

void TGNVDialog::start() {
  if (running_) return;
  running_ = true;
  stopRequested_ = false;
  acquire::GuideHeadMonitor(program_, [this] { expose(false); },
                            program_.guiding.camera.onePausePerExposure,
                            {[this] { repaint(); }, &stopRequested_});
  running_ = false;
  stopRequested_ = false;
  repaint();
}

void TGNVDialog::takeDark() {
  if (running_) return;
  expose(true);
}

bool TGNVDialog::darkAvailable() const {
  return program_.guiding.camera.darkAvailable;
}

std::string TGNVDialog::darkLabel() const {
  const auto& camera = program_.guiding.camera;
  return camera.darkAvailable ? camera.darkLabel : std::string();
}

// --- check boxes ---

void TGNVDialog::toggle(Check check) {
  auto& camera = program_.guiding.camera;
  auto& s = program_.settings;
  switch (check) {
    case Check::OneSecondPause:
      camera.onePausePerExposure = !camera.onePausePerExposure;
      return;
    case Check::ApplyDark:
      if (camera.darkAvailable) camera.applyDark = !camera.applyDark;
      return;
    case Check::Median:
      camera.medianFilter = !camera.medianFilter;
      return;
    case Check::Stretch:
      camera.stretch = !camera.stretch;
      return;
    case Check::Bin2x2:
      s.guideHeadBin2x2 = !s.guideHeadBin2x2;
      break;
    case Check::ClearCamera:
      s.guideHeadClear = !s.guideHeadClear;
      break;
    case Check::IgnoreBacklash:
      s.ignoreBacklash = !s.ignoreBacklash;
      break;
    case Check::IgnoreRaAngle:
      s.ignoreRaAngle = !s.ignoreRaAngle;
      break;
    case Check::SwapNorthSouth:
      std::swap(s.directionLetters.north, s.directionLetters.south);
      break;
    case Check::SwapEastWest:
      std::swap(s.directionLetters.east, s.directionLetters.west);
      break;
    case Check::SwapAoUpDown:
      swapPair(s.aoUpDownLetters);
      break;
    case Check::SwapAoLeftRight:
      swapPair(s.aoLeftRightLetters);
      break;
    case Check::SwapMountNorthSouth:
      swapPair(s.mountNorthSouthLetters);
      break;
    case Check::SwapMountEastWest:
      swapPair(s.mountEastWestLetters);
      break;
  }
  saveSettings();
}

bool TGNVDialog::checked(Check check) const {
  const auto& camera = program_.guiding.camera;
  const auto& s = program_.settings;
  switch (check) {
    case Check::OneSecondPause:
      return camera.onePausePerExposure;
    case Check::ApplyDark:
      return camera.applyDark && camera.darkAvailable;
    case Check::Median:
      return camera.medianFilter;
    case Check::Stretch:
      return camera.stretch;
    case Check::Bin2x2:
      return s.guideHeadBin2x2;
    case Check::ClearCamera:
      return s.guideHeadClear;
    case Check::IgnoreBacklash:
      return s.ignoreBacklash;
    case Check::IgnoreRaAngle:
      return s.ignoreRaAngle;
    case Check::SwapNorthSouth:
      return s.directionLetters.north == 's';
    case Check::SwapEastWest:
      return s.directionLetters.east == 'w';
    case Check::SwapAoUpDown:
      return s.aoUpDownLetters.first == 's';
    case Check::SwapAoLeftRight:
      return s.aoLeftRightLetters.first == 'w';
    case Check::SwapMountNorthSouth:
      return s.mountNorthSouthLetters.first == 'S';
    case Check::SwapMountEastWest:
      return s.mountEastWestLetters.first == 'W';
  }
  return false;
}

bool TGNVDialog::enabled(Check check) const {
  return check != Check::ApplyDark || darkAvailable();
}

void TGNVDialog::setStretchLevel(int level) {
  auto& camera = program_.guiding.camera;
  level = std::clamp(level, scope::kStretchMin, scope::kStretchMax);
  if (level == camera.stretchLevel) return;
  camera.stretchLevel = level;
  if (!image_ || !camera.stretch) return;
  if (auto shown = scope::RedrawGuideExposure(program_, disk_)) image_ = std::move(shown);
}

int TGNVDialog::stretchLevel() const {
  return program_.guiding.camera.stretchLevel;
}

// --- the guide image ---

void TGNVDialog::pointerAt(int x, int y) {
  if (x < 0 || y < 0 || x >= scope::kGuideImageWidth || y >= scope::kGuideImageHeight) return;
  const auto& image = program_.devices.guideImage;
  const std::size_t at = static_cast<std::size_t>(y) * scope::kGuideImageWidth + x;
  xText_ = number(x);
  yText_ = number(y);
  valText_ = at < image.size() ? number(image[at] >> 8) : std::string();
}

std::string TGNVDialog::starXText() const {
  const auto& g = program_.guiding;
  return g.starSelected ? number(g.reference.x) : std::string();
}

std::string TGNVDialog::starYText() const {
  const auto& g = program_.guiding;
  return g.starSelected ? number(g.reference.y) : std::string();
}

void TGNVDialog::releaseOnImage(int x, int y, bool rightButton) {
  if (rightButton) releaseArrow();
  if (!picking_) return;
  const auto selected =
      scope::SelectGuideStarAt(program_, x + scope::kGuideImageLeft, y + scope::kGuideImageTop);
  if (!selected) return;
  picking_ = false;
  lastSelection_ = selected;
  pointerAt(selected->x, selected->y);
}

// --- training and the correction values ---

void TGNVDialog::train() {
  if (!program_.guiding.starSelected) {
    base::ShowMessage(program_.ui(), base::Message::CallerText, scope::kNoGuideStarText);
    return;
  }
  scope::TrainGuideHead(program_, [this](std::string_view caption) {
    caption_ = std::string(caption);
    repaint();
  });
  caption_ = std::string(kTitle);
}

void TGNVDialog::useDefault() {
  auto& g = program_.guiding;
  if (g.trainedAvailable) g.useTrained = !g.useTrained;
}

std::string_view TGNVDialog::useDefaultText() const {
  const auto& g = program_.guiding;
  return g.trainedAvailable && !g.useTrained ? "Use Trained" : "Use Defaults";
}

std::string_view TGNVDialog::valuesInUseText() const {
  const auto& g = program_.guiding;
  return g.trainedAvailable && g.useTrained ? "Using Trained Vals" : "Using Default Vals";
}

std::string& TGNVDialog::defaultText(Column column) {
  return defaults_[static_cast<int>(column)];
}

const std::string& TGNVDialog::defaultText(Column column) const {
  return defaults_[static_cast<int>(column)];
}

std::string TGNVDialog::latestText(Column column) const {
  const auto& g = program_.guiding;
  if (!g.trainedAvailable) return {};
  const auto& t = g.trained;
  switch (column) {
    case Column::Ra:
      return number(t.raLength);
    case Column::Dec:
      return number(t.decLength);
    case Column::RaBacklash:
      return number(t.raBacklash);
    case Column::DecBacklash:
      return number(t.decBacklash);
    case Column::RaAngle:
      return number(static_cast<int>(std::lround(t.raAngle * 180.0 / std::numbers::pi)));
  }
  return {};
}

void TGNVDialog::changeDefaults() {
  std::optional<int> v[5];
  for (int i = 0; i < 5; ++i)
    v[i] = parsedInteger(defaults_[i]);
  const settings::ValueRange ranges[5] = {settings::kGuideRateRange, settings::kGuideRateRange,
                                          settings::kRaBacklashRange, settings::kDecBacklashRange,
                                          settings::kGuiderRaAngleRange};
  for (int i = 0; i < 5; ++i) {
    if (!v[i] || !ranges[i].contains(*v[i])) {
      base::ShowMessage(program_.ui(), base::Message::CallerText, defaultsOutOfRangeText());
      return;
    }
  }
  auto& s = program_.settings;
  s.guiderGuide.raRate = static_cast<std::int16_t>(*v[0]);
  s.guiderGuide.decRate = static_cast<std::int16_t>(*v[1]);
  s.guiderGuide.raBacklash = static_cast<std::int16_t>(*v[2]);
  s.guiderGuide.decBacklash = static_cast<std::int16_t>(*v[3]);
  s.guiderRaAngle = static_cast<std::int16_t>(*v[4]);
  loadDefaultTexts();
  saveSettings();
}

void TGNVDialog::saveLatest() {
  const auto& g = program_.guiding;
  if (!g.trainedAvailable) return;
  auto& s = program_.settings;
  const auto& t = g.trained;
  auto stored = [](int v, settings::ValueRange range) {
    return static_cast<std::int16_t>(range.clamp(v));
  };
  s.guiderGuide.raRate = stored(t.raLength, settings::kGuideRateRange);
  s.guiderGuide.decRate = stored(t.decLength, settings::kGuideRateRange);
  s.guiderGuide.raBacklash = stored(t.raBacklash, settings::kRaBacklashRange);
  s.guiderGuide.decBacklash = stored(t.decBacklash, settings::kDecBacklashRange);
  s.guiderRaAngle = static_cast<std::int16_t>(std::lround(t.raAngle * 180.0 / std::numbers::pi));
  loadDefaultTexts();
  saveSettings();
}

// --- AO unit ---

void TGNVDialog::trainAo() {
  if (!program_.guiding.starSelected) {
    base::ShowMessage(program_.ui(), base::Message::CallerText, scope::kNoGuideStarText);
    return;
  }
  scope::TrainAoUnit(program_, [this](std::string_view caption) {
    caption_ = std::string(caption);
    repaint();
  });
  caption_ = std::string(kTitle);
}

void TGNVDialog::centraliseAo() {
  scope::chosenAoUnit(program_).centre();
}

void TGNVDialog::toggleAoMode() {
  program_.settings.aoPulseMode = !program_.settings.aoPulseMode;
  saveSettings();
}

bool TGNVDialog::aoPulseMode() const {
  return program_.settings.aoPulseMode;
}

std::string& TGNVDialog::aoDefaultText(int gain) {
  return aoDefaults_[gain == 0 ? 0 : 1];
}

const std::string& TGNVDialog::aoDefaultText(int gain) const {
  return aoDefaults_[gain == 0 ? 0 : 1];
}

std::string TGNVDialog::aoLatestText(int gain) const {
  const auto& s = program_.settings;
  return number(gain == 0 ? s.aoLatestGainUpDown : s.aoLatestGainLeftRight);
}

void TGNVDialog::aoChangeDefaults() {
  const auto first = parsedInteger(aoDefaults_[0]);
  const auto second = parsedInteger(aoDefaults_[1]);
  auto valid = [](const std::optional<int>& g) { return g && settings::kAoGainRange.contains(*g); };
  if (!valid(first) || !valid(second)) {
    base::ShowMessage(program_.ui(), base::Message::CallerText, gainsOutOfRangeText());
    return;
  }
  program_.settings.aoDefaultGainUpDown = static_cast<std::int16_t>(*first);
  program_.settings.aoDefaultGainLeftRight = static_cast<std::int16_t>(*second);
  loadDefaultTexts();
  saveSettings();
}

void TGNVDialog::aoSaveLatest() {
  auto& s = program_.settings;
  s.aoDefaultGainUpDown = s.aoLatestGainUpDown;
  s.aoDefaultGainLeftRight = s.aoLatestGainLeftRight;
  loadDefaultTexts();
  saveSettings();
}

void TGNVDialog::aoUseDefault() {
  auto& ao = program_.guiding.ao;
  if (ao.trainedGainsAvailable) ao.useTrainedGains = !ao.useTrainedGains;
}

std::string_view TGNVDialog::aoUseDefaultText() const {
  const auto& ao = program_.guiding.ao;
  return ao.trainedGainsAvailable && !ao.useTrainedGains ? "Use Trained" : "Use Defaults";
}

std::string_view TGNVDialog::aoGainsInUseText() const {
  const auto& ao = program_.guiding.ao;
  return ao.trainedGainsAvailable && ao.useTrainedGains ? "Using Trained Gains"
                                                        : "Using Default Gains";
}

std::string TGNVDialog::aoPositionText() const {
  const auto& ao = program_.guiding.ao;
  char text[48];
  std::snprintf(text, sizeof text, "%d, %d%s", ao.upDown, ao.leftRight,
                ao.atLimit ? "  At Limit" : "");
  return text;
}

// --- moves ---

void TGNVDialog::toggleGuidingMode() {
  auto& mode = program_.settings.guidingMode;
  mode = mode == settings::GuidingMode::AoUnit ? settings::GuidingMode::Telescope
                                               : settings::GuidingMode::AoUnit;
  saveSettings();
}

char TGNVDialog::guidingMode() const {
  return static_cast<char>(program_.settings.guidingMode);
}

void TGNVDialog::pressArrow(scope::Arrow arrow) {
  const auto& s = program_.settings;
  if (s.guidingMode == settings::GuidingMode::AoUnit) {
    // One AO move per press; the AO swaps turn it into the unit's direction.
    const scope::Direction direction = arrow == scope::Arrow::Left    ? scope::Direction::West
                                       : arrow == scope::Arrow::Right ? scope::Direction::East
                                       : arrow == scope::Arrow::Up    ? scope::Direction::North
                                                                      : scope::Direction::South;
    scope::chosenAoUnit(program_).manualMove(direction);
    return;
  }
  if (!scope::telescopeDriveChosen(program_) || moveHeld_) return;
  if (!telescopeConnected_) {
    if (scope::ConnectTelescope(program_, false) != scope::ConnectResult::Connected) return;
    telescopeConnected_ = true;
  }
  if (const auto direction = scope::directionOfLetter(scope::arrowLetter(program_, arrow)))
    chosenMount(program_).startMove(*direction, program_.telescope.moveRate());
  moveHeld_ = true;
}

void TGNVDialog::releaseArrow() {
  if (!moveHeld_) return;
  moveHeld_ = false;
  chosenMount(program_).stopMove();
}

// --- closing buttons ---

std::optional<port::DialogResult> TGNVDialog::goToMainCamera() {
  releaseArrow();
  exit_ = GuiderDialogExit::GoToMainCamera;
  return port::DialogResult::Cancel;
}

std::optional<port::DialogResult> TGNVDialog::startGuiding() {
  auto& ui = program_.ui();
  if (program_.acquisition.guiding) {
    base::ShowMessage(ui, base::Message::AlreadyGuidingExternal);
    return std::nullopt;
  }
  if (!scope::telescopeDriveChosen(program_)) {
    base::ShowMessage(ui, base::Message::CallerText, scope::kNoDriveMethodText);
    return std::nullopt;
  }
  if (!program_.guiding.starSelected) {
    base::ShowMessage(ui, base::Message::CallerText, scope::kNoGuideStarText);
    return std::nullopt;
  }
  releaseArrow();
  program_.acquisition.guideDuringExposure = true;
  exit_ = GuiderDialogExit::StartGuiding;
  return port::DialogResult::Ok;
}

port::DialogResult TGNVDialog::close() {
  releaseArrow();
  exit_ = GuiderDialogExit::Close;
  return port::DialogResult::Cancel;
}

GuiderOutcome AutoGuiderCamera(Program& program) {
  if (!acquire::ExposureSequence(program).connect()) return GuiderOutcome::NoCamera;
  TGNVDialog dialog(program);
  program.ui().runDialog(dialog);
  dialog.releaseArrow();
  switch (dialog.exit()) {
    case GuiderDialogExit::GoToMainCamera:
      return GuiderOutcome::GoToMainCamera;
    case GuiderDialogExit::StartGuiding:
      return GuiderOutcome::GuidingArmed;
    default:
      return GuiderOutcome::Closed;
  }
}

}  // namespace nvk::acquire
