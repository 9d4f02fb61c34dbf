#include "acquire/main_guiding.h"

#include <algorithm>
#include <cstdio>

#include "acquire/program.h"
#include "base/messages.h"
#include "camera/camera.h"
#include "scope/guide_correction.h"
#include "scope/guide_log.h"
#include "scope/guider.h"
#include "scope/mount_commands.h"
#include "scope/mount_factory.h"
#include "scope/training.h"

namespace nvk::acquire {
namespace {

// Guiding needs the camera and a picked star; says so when one is missing.
bool readyToGuide(Program& program) {
  camera::Camera& camera = program.camera();
  if (!camera.connected()) camera.connect();
  if (!camera.connected()) {
    base::ShowMessage(program.ui(), base::Message::CallerText, camera::kNoCameraOnUsbText);
    return false;
  }
  if (!program.guiding.mainStarPicked) {
    base::ShowMessage(program.ui(), base::Message::CallerText, scope::kNoGuideStarText);
    return false;
  }
  return true;
}
constexpr int kSocketCheckPulseMs = 100;
// Guide errors are in thousandths of a pixel; "Guiding Info" shows them in pixels, as it
// shows the star's x and y.
constexpr double kInfoErrorDivisor = 1000.0;

std::span<const std::uint16_t> guideWindow(Program& program) {
  return program.devices.focusWindow;
}

// One guiding frame of the main camera, timed as the camera dialog's exposure.
void takeGuidingFrame(Program& program, const camera::ExposureWait& wait = {}) {
  const auto& a = program.acquisition;
  const auto& star = program.guiding.mainStar;
  program.camera().focusExposure(
      {a.exposureValue, a.exposureUnit, star.windowLeft, star.windowTop, false}, wait);
}

std::string oneDecimal(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%1.1f", v);
  return text;
}

// The main-camera correction step after a guiding frame.
void mainCorrectionStep(Program& program) {
  auto& g = program.guiding;
  const bool tenths = !program.settings.ignoreDriftBelowAccuracy;
  const scope::CentroidResult r = scope::FindCentroid(
      guideWindow(program), scope::kMainGuideWindow, scope::kMainGuideWindow, g.reference.x,
      g.reference.y, program.settings.guideStarMaskRadius, tenths, program.ui());
  g.starLost = r.status != scope::CentroidStatus::Found;
  if (g.starLost) {
    program.guideLog.info("Star lost");
    return;
  }
  g.current = r.position;
  g.error = scope::guideError(g.reference, g.current);
  const scope::CorrectionPlan plan =
      scope::planCorrection(g.error, scope::mainCameraRules(program.settings), g.letters);
  program.guideLog.mountFrame(g.error, plan.beyondRange ? nullptr : &plan, r.weight);
  if (plan.beyondRange) return;
  g.lastXDurationMs = plan.xDurationMs;
  g.lastYDurationMs = plan.yDurationMs;
  scope::sendGuideMove(program, plan.xMove);
  scope::sendGuideMove(program, plan.yMove);
}

// The star in the guiding window after a training move: the whole-pixel centroid at the
// previous position and once more at the result.
std::optional<scope::PixelPoint> locateInWindow(Program& program, scope::PixelPoint at) {
  const int c = program.settings.guideStarMaskRadius;
  for (int pass = 0; pass < 2; ++pass) {
    const scope::CentroidResult r =
        scope::FindCentroid(guideWindow(program), scope::kMainGuideWindow, scope::kMainGuideWindow,
                            at.x, at.y, c, false, program.ui());
    if (r.status != scope::CentroidStatus::Found) return std::nullopt;
    at = {r.position.x, r.position.y};
  }
  return at;
}

// One training move and where the star went, which the guide log records as a calibration row
// on the sensor.
std::optional<scope::PixelPoint> trainingMeasure(Program& program, char letter, int durationMs,
                                                 scope::PixelPoint from) {
  scope::guidePulseToward(chosenMount(program), letter, durationMs);
  takeGuidingFrame(program);
  const auto found = locateInWindow(program, from);
  const auto& letters = program.settings.directionLetters;
  const std::string_view direction = letter == letters.north   ? "North"
                                     : letter == letters.south ? "South"
                                     : letter == letters.east  ? "East"
                                                               : "West";
  const auto& star = program.guiding.mainStar;
  if (found)
    program.guideLog.calibrationMove(direction, star.windowLeft + found->x,
                                     star.windowTop + found->y);
  return found;
}

}  // namespace

bool CanPickGuideStar(Program& program) {
  if (program.displayOptions.fitToWindow) {
    base::ShowMessage(program.ui(), base::Message::CannotPickStarInDisplayMode);
    return false;
  }
  return true;
}

std::optional<scope::StarPosition> PickGuideStarAt(Program& program, int imageX, int imageY) {
  const auto& geometry = program.geometry;
  const scope::CentroidResult r = scope::FindCentroid(
      std::span<const std::uint16_t>(program.planes.RawImage.data(), geometry.pixelCount),
      geometry.width, geometry.height, imageX, imageY, program.settings.guideStarMaskRadius, false,
      program.ui());
  if (r.status != scope::CentroidStatus::Found) return std::nullopt;
  const int scale = program.state.binned ? 2 : 1;
  auto& star = program.guiding.mainStar;
  star.position = {r.position.x * scale, 0, r.position.y * scale, 0};
  placeMainGuideWindow(star);
  program.guiding.mainStarPicked = true;
  program.displayOptions.guideStarCross = image::ImagePoint{star.position.x, star.position.y};
  char text[64];
  std::snprintf(text, sizeof text, "x position = %5d\ny position = %5d", r.position.x,
                r.position.y);
  base::ShowMessage(program.ui(), base::Message::CallerText, text);
  return r.position;
}

void placeMainGuideWindow(scope::MainGuideStar& star) {
  // The readout takes whole 2 x 2 cells: keep the corner on even pixels.
  const int half = scope::kMainGuideWindow / 2;
  star.windowLeft =
      std::clamp(star.position.x - half, 0, image::kFullWidth - scope::kMainGuideWindow) & ~1;
  star.windowTop =
      std::clamp(star.position.y - half, 0, image::kFullHeight - scope::kMainGuideWindow) & ~1;
}

void StartAutoGuiding(Program& program, const std::function<void()>& afterFrame) {
  if (!scope::telescopeDriveChosen(program)) return;
  scope::ConnectTelescope(program, false);
  if (!readyToGuide(program)) return;
  if (!scope::waitForSlewToEnd(program, "Guiding")) return;
  auto& g = program.guiding;
  const scope::StarPosition savedReference = g.reference;
  g.active = true;
  g.paused = false;
  g.letters = {};
  auto& star = g.mainStar;
  placeMainGuideWindow(star);
  char text[160];
  std::snprintf(text, sizeof text,
                "xcent=%5d, ycent = %5d, focus_x = %5d, focus_y = %5d,  xoffset = %5d, yoffset = "
                "%5d",
                star.position.x, star.position.y, star.position.x - star.windowLeft,
                star.position.y - star.windowTop, star.windowLeft, star.windowTop);
  base::ShowMessage(program.ui(), base::Message::CallerText, text);
  g.reference = {star.position.x - star.windowLeft, 0, star.position.y - star.windowTop, 0};
  const bool tenths = !program.settings.ignoreDriftBelowAccuracy;
  bool first = true;
  bool pressed = false;
  bool pauseLogged = false;
  // "Pause" and "Stop" act during a frame; after Stop or a press it is read out at once.
  const camera::ExposureWait frameWait = scope::guidingExposureWait(program, pressed);
  while (g.active) {
    if (program.ui().pump()) break;
    if (!g.active) break;  // "Stop": no further frame
    takeGuidingFrame(program, frameWait);
    // A press during the frame ends guiding as one between frames does; after "Stop" the frame
    // makes no correction.
    if (pressed || !g.active) break;
    if (first) {
      for (int pass = 0; pass < 2; ++pass) {
        const scope::CentroidResult r = scope::FindCentroid(
            guideWindow(program), scope::kMainGuideWindow, scope::kMainGuideWindow, g.reference.x,
            g.reference.y, program.settings.guideStarMaskRadius, tenths, program.ui());
        if (r.status == scope::CentroidStatus::Found) g.reference = r.position;
      }
      g.info.open = true;
      first = false;
      program.guideLog.beginGuiding(scope::mainCameraLogSummary(program));
    }
    if (g.paused != pauseLogged) {
      program.guideLog.info(g.paused ? "Guiding paused" : "Guiding resumed");
      pauseLogged = g.paused;
    }
    if (g.paused) continue;
    program.ui().requestRedraw();
    mainCorrectionStep(program);
    g.info.x = oneDecimal(g.current.x + g.current.xTenths * 0.1);
    g.info.y = oneDecimal(g.current.y + g.current.yTenths * 0.1);
    g.info.dx = oneDecimal(g.error.x / kInfoErrorDivisor);
    g.info.dy = oneDecimal(g.error.y / kInfoErrorDivisor);
    if (afterFrame) afterFrame();
  }
  program.guideLog.endGuiding();
  base::ShowMessage(program.ui(), base::Message::AutoGuidingTerminated);
  g.info.open = false;
  g.active = false;
  g.paused = false;
  g.reference = savedReference;
  program.ui().requestRedraw();
}

bool TrainAutoGuiding(Program& program) {
  auto& s = program.settings;
  if (!scope::telescopeDriveChosen(program)) return false;
  scope::ConnectTelescope(program, false);
  if (!readyToGuide(program)) return false;
  if (!scope::waitForSlewToEnd(program, "Training")) return false;
  auto& g = program.guiding;
  const auto& letters = s.directionLetters;
  scope::Mount& mount = chosenMount(program);
  if (mount.checksLinesBeforeTraining() && !g.socketPulsesSent) {
    for (const char letter : {letters.north, letters.south, letters.east, letters.west})
      scope::guidePulseToward(mount, letter, kSocketCheckPulseMs);
    g.socketPulsesSent = true;
  }
  auto& star = g.mainStar;
  placeMainGuideWindow(star);
  g.active = true;
  g.training = true;
  auto end = [&](bool trained) {
    program.guideLog.endCalibration(trained);
    g.active = false;
    g.training = false;
    return trained;
  };
  takeGuidingFrame(program);
  auto start = locateInWindow(
      program, {star.position.x - star.windowLeft, star.position.y - star.windowTop});
  if (!start) return end(false);
  scope::GuideLogSummary summary = scope::mainCameraLogSummary(program);
  summary.lockX = star.windowLeft + start->x;
  summary.lockY = star.windowTop + start->y;
  program.guideLog.beginCalibration(summary);

  const int t = s.mainTrainingSeconds;
  scope::MainTrainingPositions p;
  scope::PixelPoint at = *start;
  p.y0 = at.y;
  const int decMs = t * 1000 - s.mainGuide.decHysteresis * 100;
  const scope::PixelPoint northFrom = at;
  scope::PixelPoint northTo = at;
  int* ys[] = {&p.y1, &p.y2, &p.y3, &p.y4};
  const char decLetters[] = {letters.north, letters.north, letters.south, letters.south};
  for (int i = 0; i < 4; ++i) {
    auto found = trainingMeasure(program, decLetters[i], decMs, at);
    if (!found) return end(false);
    at = *found;
    *ys[i] = at.y;
    if (i == 1) northTo = at;
  }
  p.x0 = at.x;
  const int raMs = t * 1000 - s.mainGuide.raHysteresis * 100;
  scope::PixelPoint westFrom = at;
  int* xs[] = {&p.x1, &p.x2, &p.x3, &p.x4};
  const char raLetters[] = {letters.east, letters.east, letters.west, letters.west};
  for (int i = 0; i < 4; ++i) {
    auto found = trainingMeasure(program, raLetters[i], raMs, at);
    if (!found) return end(false);
    if (i == 2) westFrom = at;
    at = *found;
    *xs[i] = at.x;
  }
  const scope::MainTrainingResult r = scope::mainTrainingResult(p, t);
  s.mainGuide.raRate = static_cast<std::int16_t>(r.raRate);
  s.mainGuide.decRate = static_cast<std::int16_t>(r.decRate);
  s.mainGuide.raBacklash = static_cast<std::int16_t>(r.raBacklash);
  s.mainGuide.decBacklash = static_cast<std::int16_t>(r.decBacklash);
  // The axes as the two west and the two north moves carried the star.
  program.guideLog.axisCalibrated("West", scope::axisDegrees(at.x - westFrom.x, at.y - westFrom.y),
                                  r.raRate, "px/sec", "N/A");
  program.guideLog.axisCalibrated(
      "North", scope::axisDegrees(northTo.x - northFrom.x, northTo.y - northFrom.y), r.decRate,
      "px/sec", "N/A");
  base::ShowMessage(program.ui(), base::Message::CallerText, scope::mainTrainingText(r));
  program.saveSettingsFile();
  return end(true);
}

}  // namespace nvk::acquire
