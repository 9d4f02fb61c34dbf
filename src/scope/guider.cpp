#include "scope/guider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/messages.h"
#include "scope/ao_unit.h"
#include "scope/ao_unit_factory.h"
#include "scope/guide_camera.h"
#include "scope/guide_log.h"
#include "scope/mount_factory.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

constexpr std::uint32_t kBetweenAxesMs = 70;
constexpr std::uint32_t kTrainingSettleMs = 200;
constexpr std::uint32_t kTrainingPauseMs = 500;
// How often a guiding exposure dispatches events while it runs.
constexpr std::uint32_t kExposureWaitSliceMs = 50;
constexpr int kPlotPointsPerPixel = 10;
constexpr int kPlotHalfSide = 50;
constexpr int kSelectionPasses = 3;
constexpr int kAoTrainingSteps = 25;
constexpr std::uint32_t kAoTrainingWaitMs = 250;
constexpr std::uint32_t kAoTrainingLastWaitMs = 50;
constexpr std::string_view kDialogCaption = "Auto Guider Camera Control";
constexpr std::string_view kTrainingCaption = "Auto Guider Camera Control - Training / ";

std::span<const std::uint16_t> guideImage(Program& program) {
  return program.devices.guideImage;
}

int maskRadius(const Program& program) {
  return program.settings.guideStarMaskRadius;
}

void refreshDisplay(Program& program) {
  auto& g = program.guiding;
  auto& d = g.display;
  d.x = g.current.x + g.current.xTenths * 0.1;
  d.y = g.current.y + g.current.yTenths * 0.1;
  d.dx = g.error.x / 1000.0;
  d.dy = g.error.y / 1000.0;
  d.slewXMs = g.lastXDurationMs;
  d.slewYMs = g.lastYDurationMs;
  d.aoX = g.ao.lastXSteps;
  d.aoY = g.ao.lastYSteps;
  d.aoMovingMount = g.ao.movingMount;
  d.stopEnabled = g.active;
  d.error = g.error;
  d.star = g.current;
  program.ui().requestRedraw();
}

// The brightest sample of the guide image within two box radii of `from`.
PixelPoint brightestNear(Program& program, PixelPoint from) {
  const int reach = 2 * maskRadius(program);
  const auto image = guideImage(program);
  int best = -1;
  PixelPoint brightest = from;
  for (int y = std::max(0, from.y - reach); y <= std::min(kGuideImageHeight - 1, from.y + reach);
       ++y) {
    for (int x = std::max(0, from.x - reach); x <= std::min(kGuideImageWidth - 1, from.x + reach);
         ++x) {
      const int v = image[static_cast<std::size_t>(y * kGuideImageWidth + x)];
      if (v > best) {
        best = v;
        brightest = {x, y};
      }
    }
  }
  return brightest;
}

// The star after a training move: the brightest sample within two box radii of the search
// point (a move may carry the star further than the prediction), then the whole-pixel
// centroid twice, the second pass from the first one's result. Nothing when the box leaves
// the image.
std::optional<PixelPoint> locate(Program& program, PixelPoint from) {
  from = brightestNear(program, from);
  for (int pass = 0; pass < 2; ++pass) {
    const CentroidResult r =
        findCentroidQuiet(guideImage(program), kGuideImageWidth, kGuideImageHeight, from.x, from.y,
                          maskRadius(program), false);
    if (r.status != CentroidStatus::Found) return std::nullopt;
    from = {r.position.x, r.position.y};
  }
  return from;
}

// The guide star at the start of a guiding run, from where it was last seen: the centroid
// of the star box there. The star may have moved since (a drift between exposures, the AO
// unit's return to its centre, a nudge of the mount): when the box holds no star, it is
// looked for at the brightest sample within two box radii and centroided there twice.
// Nothing when the box leaves the image or no star is found.
std::optional<StarPosition> findGuideStarAgain(Program& program) {
  const StarPosition& last = program.guiding.lastGuideStar;
  auto centroidAt = [&](PixelPoint at) {
    const CentroidResult r =
        findCentroidQuiet(guideImage(program), kGuideImageWidth, kGuideImageHeight, at.x, at.y,
                          maskRadius(program), true);
    return r.status == CentroidStatus::Found && r.weight > 1.0 ? std::optional(r.position)
                                                               : std::nullopt;
  };
  if (auto star = centroidAt({last.x, last.y})) return star;
  auto star = centroidAt(brightestNear(program, {last.x, last.y}));
  if (!star) return std::nullopt;
  return centroidAt({star->x, star->y});
}

// One training measurement: the move, 200 ms, a guide frame, the star from `searchFrom`.
std::optional<PixelPoint> measure(Program& program, char letter, int durationMs,
                                  PixelPoint searchFrom, bool* exposureFailed = nullptr) {
  if (letter != 0) guidePulseToward(chosenMount(program), letter, durationMs);
  program.clock().waitMs(kTrainingSettleMs);
  if (!GuideExposure(program)) {
    if (exposureFailed) *exposureFailed = true;
    return std::nullopt;
  }
  return locate(program, searchFrom);
}

// The guide log's summary of a training that starts from the star at `start`: its moves are
// measured in whole pixels from there.
GuideLogSummary trainingLogSummary(Program& program, PixelPoint start) {
  GuideLogSummary summary = guideHeadLogSummary(program);
  summary.lockX = start.x;
  summary.lockY = start.y;
  return summary;
}

}  // namespace

PlotPoint guidestarPlotPoint(const GuideError& error) {
  auto clampToSquare = [](int v) { return std::clamp(v, -kPlotHalfSide, kPlotHalfSide); };
  // The error is reference minus star; the plot shows where the star is, y upward.
  return {clampToSquare(-error.x * kPlotPointsPerPixel / 1000),
          clampToSquare(error.y * kPlotPointsPerPixel / 1000)};
}

std::optional<PixelPoint> SelectGuideStarAt(Program& program, int dialogX, int dialogY) {
  const int c = maskRadius(program);
  PixelPoint point{dialogX - kGuideImageLeft, dialogY - kGuideImageTop};
  if (point.x < c || point.x > kGuideImageWidth - c || point.y < c ||
      point.y > kGuideImageHeight - c) {
    base::ShowMessage(program.ui(), base::Message::OutsideImageArea);
    return std::nullopt;
  }
  CentroidResult r;
  for (int pass = 0; pass < kSelectionPasses; ++pass) {
    r = FindCentroid(guideImage(program), kGuideImageWidth, kGuideImageHeight, point.x, point.y, c,
                     true, program.ui());
    if (r.status != CentroidStatus::Found) return std::nullopt;
    point = {r.position.x, r.position.y};
  }
  auto& g = program.guiding;
  g.starSelected = true;
  g.reference = r.position;
  g.current = r.position;
  g.lastGuideStar = r.position;
  char text[64];
  std::snprintf(text, sizeof text, "x position = %5d\ny position = %5d", point.x, point.y);
  base::ShowMessage(program.ui(), base::Message::CallerText, text);
  return point;
}

GuideStatus GuiderCorrectionStep(Program& program) {
  auto& g = program.guiding;
  const CentroidResult r =
      findCentroidQuiet(guideImage(program), kGuideImageWidth, kGuideImageHeight, g.reference.x,
                        g.reference.y, maskRadius(program), true);
  // A box that leaves the image, or one that holds nothing brighter than its own mean, has
  // lost the star.
  if (r.status != CentroidStatus::Found || r.weight <= 1.0) {
    g.starLost = true;
    program.guideLog.info("Star lost");
    return GuideStatus::StarLost;
  }
  g.current = r.position;
  g.lastGuideStar = r.position;
  g.error = guideError(g.reference, g.current);
  const auto& s = program.settings;
  if (s.guidingMode == settings::GuidingMode::AoUnit) {
    program.guideLog.aoFrame(g.error, AoGuideStep(program, g.error), r.weight);
    return GuideStatus::Ok;
  }
  CorrectionRules rules = guiderCameraRules(s);
  if (s.ignoreBacklash) {
    rules.guide.raBacklash = 0;
    rules.guide.decBacklash = 0;
  }
  const CorrectionPlan plan =
      g.useTrained && g.trainedAvailable && !s.ignoreRaAngle
          ? planTrainedCorrection(g.error, g.trained, rules, s.ignoreBacklash, g.letters)
          : planCorrection(g.error, rules, g.letters);
  program.guideLog.mountFrame(g.error, plan.beyondRange ? nullptr : &plan, r.weight);
  if (plan.beyondRange) return GuideStatus::Ok;
  g.lastXDurationMs = plan.xDurationMs;
  g.lastYDurationMs = plan.yDurationMs;
  sendGuideMove(program, plan.xMove);
  program.clock().waitMs(kBetweenAxesMs);
  sendGuideMove(program, plan.yMove);
  return GuideStatus::Ok;
}

bool CreateGuidingFrame(Program& program) {
  auto& g = program.guiding;
  if (!telescopeDriveChosen(program) || !program.devices.cameraConnected || !g.starSelected) {
    program.ui().showMessage(base::kMessageTitle, "");
    return false;
  }
  // A GoTo returns as the slew starts: guiding from a moving field would chase the slew.
  if (!waitForSlewToEnd(program, "Guiding")) return false;
  g.active = true;
  g.starLost = false;
  g.paused = false;
  g.letters = {};
  g.error = {};
  g.display.open = true;
  g.display.caption = "Guiding Info - Creating Guiding Frame";
  refreshDisplay(program);
  if (!GuideExposure(program) || !GuideExposure(program)) {
    g.active = false;
    return false;
  }
  // The reference follows the star to where it is now.
  const std::optional<StarPosition> star = findGuideStarAgain(program);
  if (!star) {
    g.starLost = true;
    g.active = false;
    return false;
  }
  g.reference = *star;
  g.current = *star;
  g.lastGuideStar = *star;
  program.guideLog.beginGuiding(guideHeadLogSummary(program));
  g.display.caption = "Guiding Info - stabilising";
  refreshDisplay(program);
  if (!GuideExposure(program) || GuiderCorrectionStep(program) == GuideStatus::StarLost) {
    g.active = false;
    program.guideLog.endGuiding();
    return false;
  }
  g.display.caption = "Guiding Info";
  GuideExposure(program);
  refreshDisplay(program);
  return true;
}

camera::ExposureWait guidingExposureWait(Program& program, bool& pressed) {
  return [&program, &pressed](std::uint32_t endMs) {
    auto& clock = program.clock();
    while (!pressed && program.guiding.active && !port::msReached(clock.nowMs(), endMs)) {
      clock.waitUntilMs(clock.nowMs() + std::min(endMs - clock.nowMs(), kExposureWaitSliceMs));
      pressed = program.ui().pump();
    }
  };
}

GuideStatus GuideStep(Program& program, const camera::ExposureWait& wait) {
  if (!program.guiding.active) return GuideStatus::Ok;
  if (!GuideExposure(program, false, wait)) {
    if (program.devices.cameraConnected) return GuideStatus::Ok;
    program.guiding.active = false;
    return GuideStatus::CameraLost;
  }
  if (!program.guiding.active) return GuideStatus::Ok;  // "Stop Guiding" during the exposure
  const GuideStatus status = GuiderCorrectionStep(program);
  if (status == GuideStatus::Ok) refreshDisplay(program);
  return status;
}

void EndGuidedExposure(Program& program) {
  program.guideLog.endGuiding();
  program.guiding.active = false;
  program.guiding.display.stopEnabled = false;
  if (program.settings.guidingMode == settings::GuidingMode::AoUnit)
    chosenAoUnit(program).returnToCentre();
}

void StopGuiding(Program& program) {
  program.guideLog.info("Guiding stopped");
  program.guideLog.endGuiding();
  program.guiding.active = false;
  program.guiding.display.stopEnabled = false;
}

namespace {

// Says why a training run stopped: without it the dialog simply stays as it was, and the user
// cannot tell a lost star from a training that never started. The usual cause is a star picked
// on an old guide image (taken before a GoTo or a move).
void reportStarLost(Program& program, std::string_view direction) {
  base::ShowMessage(program.ui(), base::Message::CallerText,
                    "Training stopped: the guide star was not found after the " +
                        std::string(direction) +
                        " move.\n\nTake a new guide image, select the star on it and train "
                        "again.");
}

}  // namespace

bool TrainGuideHead(Program& program, const CaptionSink& caption) {
  auto& g = program.guiding;
  if (!g.starSelected) return false;
  // Training measures how far its moves carry the star; a slew still under way would be
  // measured instead.
  if (!waitForSlewToEnd(program, "Training")) return false;
  const int t = program.settings.guiderTrainingSeconds;
  const auto& letters = program.settings.directionLetters;
  auto say = [&](std::string_view step) {
    caption(std::string(kTrainingCaption) + std::string(step));
  };
  auto& log = program.guideLog;
  log.beginCalibration(trainingLogSummary(program, {g.reference.x, g.reference.y}));
  std::string_view lastMove;
  bool exposureFailed = false;  // the camera's own message has said why
  auto record = [&](std::string_view direction, std::optional<PixelPoint> at) {
    lastMove = direction;
    if (at) log.calibrationMove(direction, at->x, at->y);
    return at;
  };
  auto finish = [&](bool trained) {
    if (!trained) log.endCalibration(false);
    caption(kDialogCaption);
    if (!trained && !exposureFailed) reportStarLost(program, lastMove);
    return trained;
  };

  GuideHeadTrainingPositions p;
  p.p0 = {g.reference.x, g.reference.y};
  say("slewing West");
  auto a = record("West", measure(program, letters.west, t * 100, p.p0, &exposureFailed));
  if (!a) return finish(false);
  p.a = *a;
  say("slewing West again");
  auto b = record(
      "West", measure(program, letters.west, t * 1000, searchAhead(p.a, p.p0, 9), &exposureFailed));
  if (!b) return finish(false);
  p.b = *b;
  say("slewing West third time");
  const PixelPoint e9 = searchAhead(p.a, p.p0, 9);  // e = 9 (A - P0) + 1, added to B and D
  const PixelPoint ahead{e9.x - p.a.x, e9.y - p.a.y};
  auto c = record("West", measure(program, letters.west, t * 1000,
                                  {p.b.x + ahead.x, p.b.y + ahead.y}, &exposureFailed));
  if (!c) return finish(false);
  p.c = *c;
  say("slewing East");
  // The east move brings the star back about one full move: to where it was at B.
  auto d = record("East", measure(program, letters.east, t * 1000, p.b, &exposureFailed));
  if (!d) return finish(false);
  p.d = *d;
  say("slewing West to stabilise");
  auto e = record("Backlash", measure(program, letters.west, t * 1000,
                                      {p.d.x + ahead.x, p.d.y + ahead.y}, &exposureFailed));
  if (!e) return finish(false);
  p.e = *e;
  say("pausing for 1/2 second");
  program.clock().waitMs(kTrainingPauseMs);
  say("slewing North");
  auto f = record("North", measure(program, letters.north, t * 200, p.e, &exposureFailed));
  if (!f) return finish(false);
  p.f = *f;
  say("slewing North again");
  auto gPos = record("North", measure(program, letters.north, t * 1000, searchAhead(p.f, p.e, 5),
                                      &exposureFailed));
  if (!gPos) return finish(false);
  p.g = *gPos;
  say("slewing South");
  auto h = record("South", measure(program, letters.south, t * 1000, p.f, &exposureFailed));
  if (!h) return finish(false);
  p.h = *h;

  g.trained = guideHeadTrainingResult(p, t);
  g.trainedAvailable = true;
  g.useTrained = true;
  const GuideAxes axes = trainedGuideAxes(g.trained);
  log.axisCalibrated("West", axisDegrees(axes.westX, axes.westY), axes.westRate, "px/sec", "N/A");
  log.axisCalibrated("North", axisDegrees(axes.northX, axes.northY), axes.northRate, "px/sec",
                     axes.mirrored ? "Reversed" : "Normal");
  log.endCalibration(true);
  base::ShowMessage(program.ui(), base::Message::CallerText, guideHeadTrainingText(g.trained));
  program.saveSettingsFile();
  return finish(true);
}

bool TrainAoUnit(Program& program, const CaptionSink& caption) {
  auto& g = program.guiding;
  if (!g.starSelected) return false;
  const PixelPoint p0{g.reference.x, g.reference.y};
  struct Step {
    std::string_view caption;
    Direction direction;
  };
  const Step steps[] = {{"slewing West", Direction::West},
                        {"slewing East", Direction::East},
                        {"slewing North", Direction::North},
                        {"slewing South", Direction::South}};
  PixelPoint found[4];
  const std::string_view directions[] = {"West", "East", "North", "South"};
  auto& log = program.guideLog;
  log.beginCalibration(trainingLogSummary(program, p0));
  for (int i = 0; i < 4; ++i) {
    caption(std::string(kTrainingCaption) + std::string(steps[i].caption));
    chosenAoUnit(program).step(steps[i].direction, kAoTrainingSteps);
    program.clock().waitMs(i == 3 ? kAoTrainingLastWaitMs : kAoTrainingWaitMs);
    const bool exposed = GuideExposure(program);
    const CentroidResult r =
        findCentroidQuiet(guideImage(program), kGuideImageWidth, kGuideImageHeight, p0.x, p0.y,
                          maskRadius(program), false);
    if (!exposed || r.status != CentroidStatus::Found) {
      log.endCalibration(false);
      caption(kDialogCaption);
      if (exposed) reportStarLost(program, directions[i]);
      return false;
    }
    found[i] = {r.position.x, r.position.y};
    log.calibrationMove(directions[i], found[i].x, found[i].y);
  }
  const AoTrainingResult r = aoTrainingResult(p0, found[0], found[1], found[2], found[3]);
  log.axisCalibrated("West", axisDegrees(r.ax, r.ay), std::hypot(r.ax, r.ay) / kAoTrainingSteps,
                     "px/step", "N/A");
  log.axisCalibrated("North", axisDegrees(r.bx, r.by), std::hypot(r.bx, r.by) / kAoTrainingSteps,
                     "px/step", "N/A");
  log.endCalibration(true);
  program.settings.aoLatestGainUpDown = static_cast<std::int16_t>(r.firstGain);
  program.settings.aoLatestGainLeftRight = static_cast<std::int16_t>(r.secondGain);
  g.ao.trainedGainsAvailable = true;
  g.ao.useTrainedGains = true;
  base::ShowMessage(program.ui(), base::Message::CallerText,
                    aoTrainingText(r, p0, found[0], found[1], found[2], found[3]));
  program.saveSettingsFile();
  caption(kDialogCaption);
  return true;
}

}  // namespace nvk::scope
