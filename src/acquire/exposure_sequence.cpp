#include "acquire/exposure_sequence.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>

#include "acquire/program.h"
#include "base/messages.h"
#include "camera/camera.h"
#include "camera/protocol.h"
#include "files/file_commands.h"
#include "files/fits_time.h"
#include "image/plane_pool.h"
#include "process/calibration.h"
#include "process/stretch.h"
#include "scope/mount_factory.h"

namespace nvk::acquire {
namespace {

constexpr std::string_view kDarkHistory = "Dark Frame Subtracted";
constexpr std::string_view kFlatHistory = "Flatfield Applied";
constexpr int kProgressFull = 256;

// The sizes of a raw file that can serve as a dark or flat: binned frame with trailer, full
// frame, full frame with trailer, full frame with three colour planes and trailer.
constexpr std::uintmax_t kBinnedRawBytes = 3'076'490;
constexpr std::uintmax_t kFullFrameBytes = 12'305'920;
constexpr std::uintmax_t kFullRawBytes = 12'305'930;
constexpr std::uintmax_t kFullColourRawBytes = 49'223'690;

// Reads the frame of a raw file into `plane` (a whole plane of samples): 0, or 11 when the file
// cannot be opened and 12 when it is not a raw file.
int loadRawFrame(const std::filesystem::path& path, std::vector<std::uint16_t>& plane) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) return kCalibrationOpenFailed;
  if (size != kBinnedRawBytes && size != kFullFrameBytes && size != kFullRawBytes &&
      size != kFullColourRawBytes) {
    return kCalibrationNotKrFile;
  }
  plane.assign(image::kPlaneSamples, 0);
  const std::size_t samples =
      size == kBinnedRawBytes ? (kBinnedRawBytes - 10) / 2 : std::size_t{image::kPlaneSamples};
  in.read(reinterpret_cast<char*>(plane.data()), static_cast<std::streamsize>(samples * 2));
  return in ? 0 : kCalibrationOpenFailed;
}

std::string_view readingSuffix(image::ReadoutMode mode) {
  switch (mode) {
    case image::ReadoutMode::Binned2x2:
    case image::ReadoutMode::SubFrame:
      return " - takes 3-4 seconds";
    case image::ReadoutMode::Binned4x4:
    case image::ReadoutMode::Binned4x8:
      return " - takes 2-3 seconds";
    default:
      return " - takes 4-5 seconds";
  }
}

// Every exposure starts a new image: the readout's geometry, and no colour planes. The planes
// of an earlier colour synthesis belong to the old frame; kept, they would be shown, measured
// and saved with the new one.
void startNewImage(Program& program) {
  program.state.binned = image::readoutModeInfo(program.state.readoutMode).binned;
  program.state.colourConverted = false;
  program.applyGeometry();
}

void resetFocusPoint(Program& program) {
  program.state.focusLeft = 1520 - 64;
  program.state.focusTop = 1012 - 64;
}

// What the FITS keywords say of the frame just finished: a light frame (the exposure run has
// no dark, flat or bias kind of its own), its times in UTC, the temperatures, and a
// sub-frame's origin on the sensor.
image::FrameRecord frameRecord(const Program& program, const RunState& run) {
  image::FrameRecord frame;
  frame.imageType = image::FrameRecord::kLightFrame;
  frame.startUtc = files::isoDateTimeText(files::utcTimeOf(program.exposureStartSeconds));
  frame.endUtc = files::isoDateTimeText(files::utcTimeOf(program.exposureEndSeconds));
  frame.sensorTemperatureC = run.sensorTemperatureC;
  frame.mountPointing = run.mountPointing;
  const auto& cooler = program.devices.cooler;
  if (cooler.available && cooler.applied && cooler.on) frame.setPointC = cooler.setPointC;
  const auto& state = program.state;
  if (state.readoutMode == image::ReadoutMode::SubFrame) {
    const auto origin = camera::subFrameOrigin(camera::subFrameLayout(
        state.subFrameFraction, state.subFrameCentreX, state.subFrameCentreY));
    frame.originX = origin.x;
    frame.originY = origin.y;
  }
  return frame;
}

// Where the chosen mount says it points, asked as an exposure starts when the FITS keywords
// are written. The question is quiet and short: a mount that does not answer leaves no
// position and the exposure goes on as it would have.
std::optional<image::MountPointing> askMountPointing(Program& program) {
  if (!program.preferences.fitsStandardKeywords || !scope::telescopeDriveChosen(program))
    return std::nullopt;
  const auto position = scope::chosenMount(program).reportedPosition();
  if (!position) return std::nullopt;
  return image::MountPointing{position->raHours, position->decDegrees};
}

}  // namespace

int progressSteps(char unit, int value) {
  if (unit == 'm' || (unit == 's' && value >= 13)) return 20;
  if (unit == 's' && value >= 5) return 6;
  return 2;
}

ExposureSequence::ExposureSequence(Program& program)
    : program_(program), sum_(program.planes.WorkPlane3) {}

bool ExposureSequence::connect() {
  camera::Camera& camera = program_.camera();
  if (camera.connected()) return true;
  if (program_.loadSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowMessage(program_.ui(), base::Message::NoIniFile);
  }
  camera.connect();
  if (!program_.devices.usbFilterWheelPresent) camera.connectFilterWheel();
  if (!camera.connected()) {
    base::ShowMessage(program_.ui(), base::Message::CallerText, camera::kNoCameraOnUsbText);
    return false;
  }
  camera.readFirmware();
  return true;
}

bool ExposureSequence::WaitSeconds(int n) {
  auto& clock = program_.clock();
  const std::uint32_t end = clock.nowMs() + static_cast<std::uint32_t>(n) * 1000u;
  while (!port::msReached(clock.nowMs(), end)) {
    if (program_.ui().pump()) {
      program_.ui().beep();
      return true;
    }
  }
  return false;
}

void ExposureSequence::PumpWithAbort(int mode) {
  const bool pressed = program_.ui().pump();
  auto* stepGuiding = program_.exposureGuiding.get();
  if (!pressed && !(stepGuiding && stepGuiding->takePressDuringStep())) return;
  abortRun(mode);
}

void ExposureSequence::abortRun(int mode) {
  program_.ui().beep();
  state_.remaining = mode == 1 ? 1 : 0;
  if (mode == 1) state_.aborted = true;
  state_.continuousRunning = false;
  if (auto* guiding = program_.exposureGuiding.get(); guiding && guiding->userAbort()) {
    program_.acquisition.continuous = false;
  }
  state_.waitEndMs = program_.clock().nowMs();
  resetFocusPoint(program_);
}

std::string ExposureSequence::leftSuffix() const {
  return " (Left - " + std::to_string(state_.remaining) + ")";
}

void ExposureSequence::startDelay() {
  auto& ui = program_.ui();
  ui.openProgress("EXPOSURE DELAY");
  int position = 0;
  for (int i = 0; i < 10; ++i) {
    ui.setProgressCaption("EXPOSURE DELAY (Left - " + std::to_string(10 - i) + ")");
    ui.setProgress(position);
    position += 25;
    WaitSeconds(1);
    ui.beep();
  }
  ui.closeProgress();
}

void ExposureSequence::run() {
  auto& s = program_.acquisition;
  const std::int32_t ms = exposureMs(s);
  const int steps = progressSteps(s.exposureUnit, s.exposureValue);
  if (s.delayBeforeExposure) startDelay();

  startNewImage(program_);
  state_.continuousRunning = s.continuous;
  state_.aborted = false;
  sum_.clear();

  do {
    state_.remaining = std::max(s.exposureCount, 1);
    bool finished = false;
    bool historyWritten = false;
    while (state_.remaining >= 1) {
      takeFrame(steps, ms);
      if (state_.aborted) break;
      finished = false;
      historyWritten = false;
      if (s.autoProcess) {
        program_.history.clear();
        if (s.autoRemoveDark) program_.history.add(kDarkHistory);
        if (s.autoApplyFlat) program_.history.add(kFlatHistory);
        process::autoProcessQuiet(program_);
        program_.ui().requestRedraw();
        historyWritten = true;
      }
      if (state_.continuousRunning) {
        finishFrame(historyWritten);
        finished = true;
        if (WaitSeconds(2)) {
          state_.remaining = 0;
          state_.continuousRunning = false;
        } else if (s.pauseBetweenExposures >= 1) {
          pauseBetweenExposures();
        }
      }
      program_.ui().requestRedraw();
    }
    if (!state_.aborted && !finished) finishFrame(historyWritten);
    if (program_.exposureGuiding) program_.exposureGuiding->runEnded();
  } while (state_.continuousRunning);

  resetFocusPoint(program_);
  sum_.clear();
  stopGuiding();
  if (program_.exposureGuiding) program_.exposureGuiding->commandEnded();
  // "Autoguide Photo" guides the run it starts; the next "Take Photo" does not.
  s.guideDuringExposure = false;
}

void ExposureSequence::takeFrame(int steps, std::int32_t ms) {
  auto& s = program_.acquisition;
  auto& ui = program_.ui();
  // Asked before the start is taken, so that the start time is the exposure's own.
  state_.mountPointing = askMountPointing(program_);
  state_.startSeconds = program_.clock().wallSeconds();
  if (state_.continuousRunning) {
    state_.accumulatedSeconds = ms * 0.001;
    state_.startSeconds = program_.clock().wallSeconds();
  } else {
    state_.accumulatedSeconds += ms * 0.001;
  }
  const bool several = state_.remaining >= 2;
  ui.openProgress(several ? "EXPOSURE UNDERWAY" + leftSuffix() : "EXPOSURE UNDERWAY",
                  port::Stoppable::Yes);
  state_.progressPosition = 0;
  const std::uint32_t startMs = program_.clock().nowMs();
  const char unit = s.exposureUnit;
  if (!program_.camera().flush() || !program_.camera().startExposure()) {
    endOnCameraFailure();
  } else if (unit == 'h' || unit == 't' || unit == 'q' || ms == camera::kCameraTimedLimitMs) {
    // Up to 1000 ms the camera times the exposure during the readout command.
    if (ms > camera::kCameraTimedLimitMs) {
      program_.clock().waitUntilMs(startMs + static_cast<std::uint32_t>(ms));
    }
  } else {
    timeExposure(steps, ms);
  }

  if (!state_.aborted) {
    const auto mode = program_.state.readoutMode;
    ui.setProgressCaption(state_.remaining >= 2 && s.exposureCount >= 2
                              ? "READING KR CAMERA" + leftSuffix()
                              : "READING KR CAMERA" + std::string(readingSuffix(mode)));
    state_.progressPosition = 20;
    ui.setProgress(state_.progressPosition);
    if (readOut(ms)) {
      PumpWithAbort(0);
      calibrate();
      if (s.exposureCount >= 2 && !state_.continuousRunning) addToSum();
    } else if (program_.devices.readAborted) {
      // Stopped while the frame was arriving: the frame is dropped like an aborted exposure.
      abortRun(1);
    } else {
      endOnCameraFailure();
    }
  }
  ui.closeProgress();
  --state_.remaining;
  if (s.exposureCount >= 2 && state_.continuousRunning && state_.remaining == 0) {
    state_.continuousRunning = false;
  }
}

void ExposureSequence::timeExposure(int steps, std::int32_t ms) {
  auto& clock = program_.clock();
  auto& ui = program_.ui();
  auto& s = program_.acquisition;
  const auto duration = static_cast<std::uint32_t>(ms);
  const std::uint32_t stepMs = duration / static_cast<std::uint32_t>(steps);
  const std::uint32_t now = clock.nowMs();
  state_.waitEndMs = now + duration;
  std::uint32_t nextTick = now + stepMs;
  std::uint32_t flushAt = duration <= 5000 ? state_.waitEndMs : state_.waitEndMs - 4000;
  if (s.guideDuringExposure && !state_.guidingStarted) {
    auto* guiding = program_.exposureGuiding.get();
    if (guiding == nullptr || !guiding->startGuiding()) {
      state_.aborted = true;
      state_.continuousRunning = false;
      s.continuous = false;
      if (guiding) guiding->stopGuiding();
      return;
    }
    state_.guidingStarted = true;
  }
  while (true) {
    if (state_.guidingStarted && !program_.exposureGuiding->guideStep()) {
      state_.waitEndMs = clock.nowMs();
    }
    // One dispatch per pass, through the abort check, so that no press is lost.
    PumpWithAbort(1);
    if (port::msReached(clock.nowMs(), nextTick)) {
      nextTick += stepMs;
      state_.progressPosition += kProgressFull / steps;
      ui.setProgress(state_.progressPosition);
    }
    if (port::msReached(clock.nowMs(), flushAt)) {
      if (!program_.camera().flush()) {
        endOnCameraFailure();
        break;
      }
      flushAt += 500;
    }
    if (port::msReached(clock.nowMs(), state_.waitEndMs)) break;
  }
  if (!state_.continuousRunning && state_.remaining < 2) stopGuiding();
}

void ExposureSequence::stopGuiding() {
  if (!state_.guidingStarted) return;
  state_.guidingStarted = false;
  program_.exposureGuiding->stopGuiding();
}

void ExposureSequence::addToSum() {
  auto& s = program_.acquisition;
  const int divisor = s.average ? std::max(s.exposureCount, 1) : 1;
  const FrameView frame{program_.planes.RawImage, program_.geometry.width,
                        program_.geometry.height};
  AlignStatus status;
  if (s.alternativeSlewMethod) {
    status = sum_.addOnProfiles(frame, divisor);
  } else {
    // The first frame's star is the picked guide star, else its brightest; later frames
    // track it.
    const int radius = program_.settings.guideStarMaskRadius;
    std::optional<std::array<int, 2>> picked;
    if (program_.guiding.mainStarPicked) {
      // The pick is kept in full-resolution pixels.
      const auto& star = program_.guiding.mainStar.position;
      const int scale = program_.state.binned ? 2 : 1;
      picked = std::array<int, 2>{star.y / scale, star.x / scale};
    }
    const auto start =
        sum_.started() ? std::array<int, 2>{} : summationStart(frame, picked, radius + 2);
    status = sum_.addOnStar(frame, start[0], start[1], radius, divisor);
  }
  if (status == AlignStatus::Added) return;
  base::ShowMessage(program_.ui(), status == AlignStatus::StarLost
                                       ? base::Message::GuideStarLost
                                       : base::Message::NoSuitableGuideStar);
  state_.remaining = 1;
}

bool ExposureSequence::readOut(std::int32_t ms) {
  const auto& st = program_.state;
  // The bar goes on from where it stands to its end while the frame arrives.
  camera::ReadProgress& bar = program_.devices.readProgress;
  bar.from = state_.progressPosition;
  bar.to = kProgressFull;
  const bool read =
      program_.camera().readFrame(st.readoutMode, ms, st.subFrameCentreX, st.subFrameCentreY);
  bar.from = bar.to = 0;
  if (!read) return false;
  program_.state.unsavedSinceExposure = true;
  ++state_.framesRead;
  // The standard FITS keywords carry the sensor temperature at the exposure.
  state_.sensorTemperatureC.reset();
  if (program_.preferences.fitsStandardKeywords && program_.devices.cooler.available) {
    state_.sensorTemperatureC = program_.camera().readTemperature();
  }
  return true;
}

void ExposureSequence::endOnCameraFailure() {
  state_.aborted = true;
  state_.continuousRunning = false;
  state_.waitEndMs = program_.clock().nowMs();
}

int ExposureSequence::subtractDark() {
  if (!state_.darkLoaded) {
    const int result = loadRawFrame(darkFilePath(program_), dark_);
    if (result != 0) return result;
  }
  const auto samples = static_cast<std::size_t>(program_.geometry.width) *
                       static_cast<std::size_t>(program_.geometry.height);
  process::subtractDarkSamples(program_.planes.RawImage.first(samples),
                               std::span<const std::uint16_t>(dark_).first(samples));
  return 0;
}

int ExposureSequence::applyFlat() {
  if (!state_.flatLoaded) {
    const int result = loadRawFrame(flatFilePath(program_), flat_);
    if (result != 0) return result;
  }
  process::applyAutomaticFlat(program_, flat_);
  return 0;
}

void ExposureSequence::calibrate() {
  auto& s = program_.acquisition;
  auto& ui = program_.ui();
  if (s.autoRemoveDark) {
    const int result = subtractDark();
    if (result == kCalibrationOpenFailed) {
      base::ShowMessage(ui, base::Message::DarkFrameOpenFailed);
    } else if (result == kCalibrationNotKrFile) {
      base::ShowMessage(ui, base::Message::DarkFrameNotKrFile);
    } else {
      state_.darkLoaded = true;
    }
  }
  if (s.autoApplyFlat) {
    const int result = applyFlat();
    if (result == kCalibrationOpenFailed) {
      base::ShowMessage(ui, base::Message::FlatFieldOpenFailed);
    } else if (result == kCalibrationNotKrFile) {
      base::ShowMessage(ui, base::Message::FlatFieldNotKrFile);
    } else {
      state_.flatLoaded = true;
    }
  }
}

void ExposureSequence::pauseBetweenExposures() {
  auto& s = program_.acquisition;
  auto& ui = program_.ui();
  auto& clock = program_.clock();
  constexpr int kSteps = 16;
  const std::uint32_t pause =
      static_cast<std::uint32_t>(s.pauseBetweenExposures) * (s.pauseInMinutes ? 60'000u : 1000u);
  ui.openProgress("Pause between exposures", port::Stoppable::Yes);
  const std::uint32_t start = clock.nowMs();
  state_.waitEndMs = start + pause;
  std::uint32_t nextTick = start + pause / kSteps;
  int position = 0;
  while (!port::msReached(clock.nowMs(), state_.waitEndMs)) {
    PumpWithAbort(0);
    if (port::msReached(clock.nowMs(), nextTick)) {
      nextTick += pause / kSteps;
      position += kProgressFull / kSteps;
      ui.setProgress(position);
    }
  }
  ui.closeProgress();
}

void ExposureSequence::finishFrame(bool historyWritten) {
  auto& s = program_.acquisition;
  program_.exposureStartSeconds = state_.startSeconds;
  program_.exposureEndSeconds = program_.clock().wallSeconds();
  program_.fits.exposureSeconds = state_.accumulatedSeconds;
  program_.fits.frame = frameRecord(program_, state_);
  if (!historyWritten) {
    program_.history.clear();
    if (s.autoRemoveDark) program_.history.add(kDarkHistory);
    if (s.autoApplyFlat) program_.history.add(kFlatHistory);
  }
  program_.ui().requestRedraw();
  ++state_.framesFinished;
  // Quick save reports its own failures.
  if (s.autoSave) files::quickSaveFits(program_);
}

InterfaceOutcome CameraInterface(Program& program, CameraControl* camera) {
  ExposureSequence sequence(program);
  if (!sequence.connect()) return InterfaceOutcome::NoCamera;
  program.acquisition.exposureCount = 1;
  ProgramCameraControl own(program);
  TNVDialog dialog(program, camera ? *camera : own);
  program.ui().runDialog(dialog);
  switch (dialog.exit()) {
    case DialogExit::TakePhoto:
    case DialogExit::AutoguidePhoto:
      sequence.run();
      return InterfaceOutcome::Ran;
    case DialogExit::GoToAutoguider:
      return InterfaceOutcome::GoToAutoguider;
    default:
      if (dialog.redrawRequested()) program.ui().requestRedraw();
      return InterfaceOutcome::Closed;
  }
}

}  // namespace nvk::acquire
