// Guiding on the guide head run closed-loop through the simulator on the virtual clock: the
// mount drifts and has periodic error, the guide head sees the sky at a known angle, and the
// program trains, selects a star and guides as the exposure loop would drive it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>

#include "acquire/camera_dialog.h"
#include "acquire/exposure_sequence.h"
#include "acquire/main_guiding.h"
#include "integration/photo_script.h"
#include "scope/ao_unit.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "scope/guiding_display.h"
#include "scope/mount_factory.h"
#include "sim/guiding_rig.h"
#include "support/program_fixture.h"

namespace nvk::scope {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// Sky pixels are arcseconds; a guide pixel is two of them.
constexpr double kGuideScale = 2.0;
constexpr double kPixelPerMinuteArcsecPerSecond = kGuideScale / 60.0;

sim::GuidingRigOptions rigOptions(double cameraDegrees, double arcsecPerPixel) {
  sim::GuidingRigOptions o;
  // On the equator, so that R.A. moves are not shortened by cos(Dec.).
  o.mount.start = {2.0, 0.0};
  o.devices.sky.arcsecPerPixel = arcsecPerPixel;
  o.devices.sky.focusedSigma = 2.5;  // a guide star about 2.5 guide pixels across
  o.devices.camera.guideScale = kGuideScale;
  o.devices.camera.guideAngle = cameraDegrees * kDegree;
  // 1 guide px per minute of drift on both axes, 4 guide px of periodic error over 8 minutes,
  // 4 guide px of Dec. play; the guide rate (15"/s) is 7.5 guide px per second.
  o.mount.raDriftArcsecPerSecond = kPixelPerMinuteArcsecPerSecond;
  o.mount.decDriftArcsecPerSecond = kPixelPerMinuteArcsecPerSecond;
  o.mount.periodicErrorArcsec = 4 * kGuideScale;
  o.mount.periodicErrorPeriodSeconds = 480.0;
  o.mount.decBacklashArcsec = 4 * kGuideScale;
  return o;
}

// The first steps of a run are left out of the figures: the first reversal of an axis may
// still throw the star by part of the gear play, which the run then takes up.
constexpr int kSettlingSteps = 10;

// A guided exposure of 30 s, binned 4x4.
constexpr test::Photo kGuided30s{.value = 30};

struct GuidingFigures {
  double rms = 0.0;
  double peak = 0.0;
  int steps = 0;
  bool lost = false;
};

class GuidingClosedLoop : public ::testing::Test {
 protected:
  // `arcsecPerPixel`: the main sensor's scale (the guide head's is kGuideScale).
  void build(double cameraDegrees, double arcsecPerPixel = 1.0,
             const std::function<void(sim::GuidingRigOptions&)>& tweak = {}) {
    sim::GuidingRigOptions options = rigOptions(cameraDegrees, arcsecPerPixel);
    if (tweak) tweak(options);
    rig = std::make_unique<sim::GuidingRig>(f.clock, options);
    ASSERT_TRUE(rig->attach(f.program));
    auto& s = f.program.settings;
    s.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
    s.serialRoute = 1;  // the AO unit on camera serial port 1; pulses on the guide outputs
    s.guideStarMaskRadius = 9;
    s.guiderGuide.raRate = 7;
    s.guiderGuide.decRate = 7;
    s.guiderTrainingSeconds = 4;
    s.mainGuide.raRate = 7;
    s.mainGuide.decRate = 7;
    s.mainTrainingSeconds = 1;
    // Guide exposures of 0.3 s.
    f.program.guiding.camera.unit = 't';
    f.program.guiding.camera.value = 3;
    f.program.acquisition.exposureUnit = 't';
    f.program.acquisition.exposureValue = 3;
    // The telescope connection reads the settings file: let it find these.
    ASSERT_EQ(f.program.saveSettingsFile(), settings::SettingsStatus::Ok);
  }

  // The brightest sample of `image` (rows `width` long) in [x0, x1) x [y0, y1).
  template <class Image>
  static std::pair<int, int> brightest(const Image& image, int width, int x0, int x1, int y0,
                                       int y1) {
    int best = -1, bx = 0, by = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const int v = image[static_cast<std::size_t>(y * width + x)];
        if (v > best) best = v, bx = x, by = y;
      }
    }
    return {bx, by};
  }

  // Picks the brightest star of the middle of the main sensor, as command 21's click would.
  void pickMainStar() {
    const auto& s = rig->devices().sky();
    std::vector<std::uint16_t> region(400 * 300);
    s.render(sim::mainSensorView(s), 1320, 860, 400, 300, 1.0, 20.0, 1, region.data());
    const auto [x, y] = brightest(region, 400, 20, 380, 20, 280);
    f.program.guiding.mainStar.position = {1320 + x, 0, 860 + y, 0};
    f.program.guiding.mainStarPicked = true;
  }

  // Takes a frame and selects the brightest star of the middle of the guide image.
  void selectStar() {
    GuideExposure(f.program);
    const auto [x, y] =
        brightest(f.program.devices.guideImage, kGuideImageWidth, 180, 320, 110, 180);
    ASSERT_TRUE(SelectGuideStarAt(f.program, x + kGuideImageLeft, y + kGuideImageTop));
    f.ui.clearRecord();
  }

  // Guides for `minutes` as the exposure loop does, measuring the true star offset from where
  // it was when guiding began, before every step. A lost star ends the run, and fails the test
  // unless `mayLoseStar`.
  GuidingFigures guide(double minutes, bool mayLoseStar = false) {
    GuidingFigures out;
    // The reference is the star where the first guiding frames see it; the stabilising
    // correction that follows may move it (by the backlash taken up on the first pulses).
    rig->markReference();
    EXPECT_TRUE(CreateGuidingFrame(f.program));
    const std::uint32_t end = f.clock.nowMs() + static_cast<std::uint32_t>(minutes * 60'000);
    double sum = 0.0;
    while (static_cast<std::int32_t>(end - f.clock.nowMs()) > 0) {
      const double r = std::hypot(rig->starOffsetX(), rig->starOffsetY());
      ++out.steps;
      if (out.steps > kSettlingSteps) {
        sum += r * r;
        out.peak = std::max(out.peak, r);
      }
      if (GuideStep(f.program) != GuideStatus::Ok) {
        if (!mayLoseStar) ADD_FAILURE() << "star lost after " << out.steps << " steps";
        out.lost = true;
        break;
      }
    }
    EndGuidedExposure(f.program);
    out.rms = std::sqrt(sum / std::max(1, out.steps - kSettlingSteps));
    return out;
  }

  void report(const char* what, const GuidingFigures& g) {
    std::printf("[ figures  ] %s: RMS %.3f px, peak %.3f px over %d steps\n", what, g.rms, g.peak,
                g.steps);
  }

  test::ProgramFixture f;
  std::unique_ptr<sim::GuidingRig> rig;
};

TEST_F(GuidingClosedLoop, UnguidedTheStarWandersMoreThanTwentyPixels) {
  build(0.0);
  rig->markReference();
  double peak = 0.0;
  for (int s = 0; s < 20 * 60; s += 10) {
    f.clock.advanceMs(10'000);
    peak = std::max(peak, std::hypot(rig->starOffsetX(), rig->starOffsetY()));
  }
  std::printf("[ figures  ] unguided: peak %.1f px in 20 minutes\n", peak);
  EXPECT_GT(peak, 20.0);
}

TEST_F(GuidingClosedLoop, GuideHeadWithDefaultValuesHoldsTheStar) {
  build(0.0);
  selectStar();
  const GuidingFigures g = guide(20.0);
  report("guide head, default values", g);
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
}

TEST_F(GuidingClosedLoop, TrainingRecoversRatesAngleAndDecPlayAndTheTrainedValuesHoldTheStar) {
  build(30.0);
  selectStar();
  std::vector<std::string> captions;
  ASSERT_TRUE(TrainGuideHead(f.program, [&](std::string_view c) { captions.emplace_back(c); }));
  ASSERT_EQ(captions.size(), 10u);
  EXPECT_EQ(captions[0], "Auto Guider Camera Control - Training / slewing West");
  EXPECT_EQ(captions[5], "Auto Guider Camera Control - Training / pausing for 1/2 second");
  EXPECT_EQ(captions[9], "Auto Guider Camera Control");
  const TrainedGuideValues& t = f.program.guiding.trained;
  const double ra = std::hypot(t.raRateX, t.raRateY);
  const double dec = std::hypot(t.decRateX, t.decRateY);
  const double angle = westDirection(t) / kDegree;
  std::printf(
      "[ figures  ] trained at 30 deg: RA %.2f px/s, Dec %.2f px/s (true 7.52), RA "
      "direction %.1f deg, Dec play %d px (true 4), RA play %d px\n",
      ra, dec, angle, t.decBacklash, t.raBacklash);
  EXPECT_NEAR(ra, 7.52, 0.75);
  EXPECT_NEAR(dec, 7.52, 0.75);
  // West moves the star along -x on a square guide head; the guide head turned by 30 degrees
  // sees that motion turned back by 30 degrees.
  double expected = 180.0 - 30.0;
  double diff = std::remainder(angle - expected, 360.0);
  EXPECT_LT(std::abs(diff), 3.0) << angle;
  EXPECT_NEAR(t.decBacklash, 4, 1);
  EXPECT_TRUE(f.program.guiding.useTrained);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].text.rfind("slew RA = ", 0), 0u);
  // Training moved the star: select it again where it now is, and guide on the trained values.
  selectStar();
  const GuidingFigures g = guide(20.0);
  report("guide head, trained values at 30 degrees", g);
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
}

// A GoTo returns as the slew starts. Training started right after it moves the mount only once
// the slew has ended, and guiding starts only then.
TEST_F(GuidingClosedLoop, TrainingAndGuidingStartOnlyOnceAGoToSlewHasEnded) {
  // One arcminute north at 6 arcseconds a second: a slew of 10 s.
  constexpr std::uint32_t kSlewMs = 10'000;
  build(0.0, 1.0, [](sim::GuidingRigOptions& o) { o.mount.slewDegreesPerSecond = 6.0 / 3600; });
  auto& s = f.program.settings;
  s.guideOutputMode = settings::GuideOutputMode::Lx200;
  s.telescopePortIndex = 2;  // the mount on the camera's second serial port, the AO unit on 1
  ASSERT_EQ(f.program.saveSettingsFile(), settings::SettingsStatus::Ok);
  selectStar();
  auto& mount = rig->mount();
  // When the slew of the last GoTo ends, and when the first guide-rate move after it began.
  auto slewEndAndFirstMove = [&] {
    std::uint32_t slewEnd = 0, firstMove = 0;
    for (const auto& command : mount.commands()) {
      if (command.text == "MS") slewEnd = command.atMs + kSlewMs, firstMove = 0;
      if (command.text == "RG" && firstMove == 0) firstMove = command.atMs;
    }
    return std::pair{slewEnd, firstMove};
  };
  chosenMount(f.program).goTo(SkyCoordinates{2, 0, 0, 1});
  ASSERT_TRUE(mount.slewing());
  TrainGuideHead(f.program, [](std::string_view) {});
  const auto [slewEnd, firstMove] = slewEndAndFirstMove();
  ASSERT_NE(firstMove, 0u);
  EXPECT_GE(firstMove, slewEnd);

  selectStar();
  chosenMount(f.program).goTo(SkyCoordinates{2, 0, 0, 2});
  ASSERT_TRUE(mount.slewing());
  ASSERT_TRUE(CreateGuidingFrame(f.program));
  EXPECT_GE(f.clock.nowMs(), slewEndAndFirstMove().first);
  EXPECT_FALSE(mount.slewing());
  EndGuidedExposure(f.program);
}

// A star picked on an old guide image is not where training looks: training stops, says why,
// and keeps the values it had.
TEST_F(GuidingClosedLoop, TrainingThatLosesTheStarSaysSo) {
  build(0.0);
  selectStar();
  const TrainedGuideValues before = f.program.guiding.trained;
  f.program.guiding.reference.x += 60;  // the field moved since the star was picked
  EXPECT_FALSE(TrainGuideHead(f.program, [](std::string_view) {}));
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].text.rfind(
                "Training stopped: the guide star was not found after the West move.", 0),
            0u);
  EXPECT_EQ(f.program.guiding.trained.raRateX, before.raRateX);
  EXPECT_FALSE(f.program.guiding.useTrained);
}

TEST_F(GuidingClosedLoop, AoUnitHoldsTheStar) {
  build(0.0);
  auto& s = f.program.settings;
  s.guidingMode = settings::GuidingMode::AoUnit;
  s.aoDefaultGainUpDown = 5;  // the simulated unit tilts one guide pixel per 5 steps
  s.aoDefaultGainLeftRight = 5;
  // The AO unit's mount outputs are wired east/west the other way round.
  s.mountEastWestLetters = {'W', 'T'};
  // Half-rate bumps: each moves the star 0.2 px rather than 0.4 px.
  s.aoHalfRate = true;
  selectStar();
  const GuidingFigures g = guide(20.0);
  report("AO unit, default gains", g);
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
  // The mount carried the drift: the unit never stayed at its limit.
  EXPECT_FALSE(f.program.guiding.ao.atLimit);
  EXPECT_EQ(f.program.guiding.ao.upDown, 0);  // back at the centre after the exposure
}

TEST_F(GuidingClosedLoop, MainCameraHoldsTheStar) {
  build(0.0, kGuideScale);  // 2" per main pixel: the same drift and error in pixels
  pickMainStar();
  // The main sensor's own scale: one sky pixel per sensor pixel; measure in main pixels.
  const sim::SkyView start = sim::mainSensorView(rig->devices().sky());
  double sum = 0.0, peak = 0.0;
  int steps = 0;
  f.ui.pressKeyAt(f.clock.nowMs() + 20 * 60'000);
  StartAutoGuiding(f.program, [&] {
    const sim::SkyView now = sim::mainSensorView(rig->devices().sky());
    if (steps++ == 0) return;  // the first frame sets the reference
    const double r =
        std::hypot(now.originX - start.originX, now.originY - start.originY) / now.scale;
    sum += r * r;
    peak = std::max(peak, r);
  });
  GuidingFigures g{std::sqrt(sum / std::max(1, steps - 1)), peak, steps};
  report("main camera", g);
  ASSERT_GT(steps, 600);
  EXPECT_EQ(f.ui.messages().back().text, "AutoGuiding Terminated");
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
}

// "Guiding Info" shows the error of each frame in pixels, beside the star's x and y: while
// guiding holds the star within a pixel, so do dx and dy, and the drift shows in them.
TEST_F(GuidingClosedLoop, MainCameraGuidingInfoShowsTheErrorInPixels) {
  build(0.0, kGuideScale);
  pickMainStar();
  double shownPeak = 0.0;
  int frames = 0;
  f.ui.pressKeyAt(f.clock.nowMs() + 3 * 60'000);
  StartAutoGuiding(f.program, [&] {
    const auto& info = f.program.guiding.info;
    if (frames++ == 0) return;  // the first frame sets the reference
    shownPeak = std::max({shownPeak, std::abs(std::stod(info.dx)), std::abs(std::stod(info.dy))});
  });
  std::printf("[ figures  ] Guiding Info: largest dx, dy shown %.1f px over %d frames\n", shownPeak,
              frames);
  ASSERT_GT(frames, 50);
  EXPECT_GT(shownPeak, 0.0);
  EXPECT_LT(shownPeak, 1.0);
}

TEST_F(GuidingClosedLoop, MainCameraTrainingFindsTheGuideRates) {
  build(0.0, kGuideScale);
  pickMainStar();
  ASSERT_TRUE(TrainAutoGuiding(f.program));
  const auto& m = f.program.settings.mainGuide;
  std::printf(
      "[ figures  ] main-camera training: RA %d px/s, Dec %d px/s (true 7.5), RA "
      "backlash %d, Dec backlash %d\n",
      m.raRate, m.decRate, m.raBacklash, m.decBacklash);
  EXPECT_NEAR(m.raRate, 7, 1);
  EXPECT_NEAR(m.decRate, 7, 1);
}

TEST_F(GuidingClosedLoop, AStarLostDuringAGuidedExposureEndsItAndKeepsTheFrame) {
  // A mount running away at 5 guide px per second: beyond the 8 px that guiding corrects within
  // two seconds, and out of the star box soon after.
  build(0.0, 1.0, [](sim::GuidingRigOptions& o) { o.mount.raDriftArcsecPerSecond = 10.0; });
  selectStar();
  const std::uint32_t start = f.clock.nowMs();
  ASSERT_EQ(test::runPhoto(f, kGuided30s, true), acquire::InterfaceOutcome::Ran);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
  EXPECT_TRUE(f.program.guiding.starLost);
  EXPECT_FALSE(f.program.guiding.active);
  EXPECT_FALSE(f.program.acquisition.guiding);
  // The exposure ended early and its frame was read out and kept.
  EXPECT_LT(f.clock.nowMs() - start, 20'000u);
  EXPECT_GT(rig->devices().camera().lastExposureMs(), 0u);
  const auto raw = f.program.planes.RawImage;
  EXPECT_TRUE(std::any_of(raw.begin(), raw.begin() + 100'000, [](std::uint16_t v) { return v; }));
}

// AO training through the simulated unit at two camera angles: the trained gains are the
// unit's steps per guide pixel (within the whole-pixel arithmetic of the training), and
// guiding with them holds the star.
struct AoTrainingCase {
  double cameraDegrees;
  double stepsPerPixel;
};

class AoTrainingClosedLoop : public GuidingClosedLoop,
                             public ::testing::WithParamInterface<AoTrainingCase> {};

TEST_P(AoTrainingClosedLoop, TrainedGainsAreTheUnitsStepsPerPixelAndHoldTheStar) {
  const AoTrainingCase c = GetParam();
  build(c.cameraDegrees, 1.0,
        [&](sim::GuidingRigOptions& o) { o.aoStepsPerPixel = c.stepsPerPixel; });
  auto& s = f.program.settings;
  s.guidingMode = settings::GuidingMode::AoUnit;
  s.mountEastWestLetters = {'W', 'T'};
  s.aoHalfRate = true;
  // Defaults far from the truth, so that guiding holds the star only with the trained gains.
  s.aoDefaultGainUpDown = 1;
  s.aoDefaultGainLeftRight = 1;
  selectStar();
  std::vector<std::string> captions;
  ASSERT_TRUE(TrainAoUnit(f.program, [&](std::string_view t) { captions.emplace_back(t); }));
  ASSERT_EQ(captions.size(), 5u);
  EXPECT_EQ(captions[3], "Auto Guider Camera Control - Training / slewing South");
  EXPECT_EQ(captions[4], "Auto Guider Camera Control");
  std::printf("[ figures  ] AO training at %.0f deg: gains %d, %d (true %.0f steps per px)\n",
              c.cameraDegrees, s.aoLatestGainUpDown, s.aoLatestGainLeftRight, c.stepsPerPixel);
  EXPECT_NEAR(s.aoLatestGainUpDown, c.stepsPerPixel, 1.0);
  EXPECT_NEAR(s.aoLatestGainLeftRight, c.stepsPerPixel, 1.0);
  EXPECT_TRUE(f.program.guiding.ao.useTrainedGains);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].text.rfind("slew RA = ", 0), 0u);
  // The unit stands where training left it (east undid west, south undid north).
  EXPECT_EQ(rig->ao().leftRight(), 0);
  EXPECT_EQ(rig->ao().upDown(), 0);
  selectStar();
  const GuidingFigures g = guide(10.0);
  report("AO unit, trained gains", g);
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
}

INSTANTIATE_TEST_SUITE_P(TwoCameraAngles, AoTrainingClosedLoop,
                         ::testing::Values(AoTrainingCase{0.0, 5.0}, AoTrainingCase{30.0, 4.0}));

// In AO pulse mode the unit hangs on the guide outputs: the guide step's pulses move it, the
// mount sees none of them, and the end of the exposure centres it.
TEST_F(GuidingClosedLoop, AoUnitInPulseModeHoldsTheStar) {
  build(0.0);
  auto& s = f.program.settings;
  s.guidingMode = settings::GuidingMode::AoUnit;
  s.aoPulseMode = true;
  s.aoDefaultGainUpDown = 5;
  s.aoDefaultGainLeftRight = 5;
  selectStar();
  const GuidingFigures g = guide(5.0);
  report("AO unit in pulse mode, 5 minutes", g);
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
  // Five minutes of 1 px/min drift on each axis were taken up by the unit alone.
  EXPECT_EQ(rig->mount().guideOutputs(), 0);
  EXPECT_TRUE(rig->ao().commands().empty());
  EXPECT_EQ(rig->ao().leftRight(), 0);  // centred by the end of the exposure
  EXPECT_EQ(rig->ao().upDown(), 0);
}

// The AO unit mounted turned by half a turn tilts the image the other way round. With "Swap
// AO Up/Down" and "Swap AO Left/Right" both on the guide steps drive it the right way, on the
// serial line and in pulse mode, and it holds the star; with either swap off that axis's
// corrections push the star further away until it is lost.
struct AoTurnedCase {
  bool pulseMode;
  bool upDownSwap;
  bool leftRightSwap;
};

class AoTurnedClosedLoop : public GuidingClosedLoop,
                           public ::testing::WithParamInterface<AoTurnedCase> {};

TEST_P(AoTurnedClosedLoop, HoldsTheStarOnlyWithBothAoSwaps) {
  const AoTurnedCase c = GetParam();
  build(0.0, 1.0, [](sim::GuidingRigOptions& o) { o.aoRotatedHalfTurn = true; });
  auto& s = f.program.settings;
  s.guidingMode = settings::GuidingMode::AoUnit;
  s.aoPulseMode = c.pulseMode;
  s.aoDefaultGainUpDown = 5;
  s.aoDefaultGainLeftRight = 5;
  s.aoHalfRate = true;
  // The mount bumps follow the unit's own counters, which count the other way round on the
  // turned unit: its mount letters are the unturned unit's (AoUnitHoldsTheStar) exchanged.
  s.mountNorthSouthLetters = {'S', 'N'};
  s.mountEastWestLetters = {'T', 'W'};
  if (c.upDownSwap) s.aoUpDownLetters = {'s', 'n'};
  if (c.leftRightSwap) s.aoLeftRightLetters = {'w', 'e'};
  selectStar();
  const GuidingFigures g = guide(10.0, true);
  char what[96];
  std::snprintf(what, sizeof what, "AO unit turned by 180 deg%s, swaps up/down %s, left/right %s",
                c.pulseMode ? " in pulse mode" : "", c.upDownSwap ? "on" : "off",
                c.leftRightSwap ? "on" : "off");
  report(what, g);
  if (c.upDownSwap && c.leftRightSwap) {
    EXPECT_FALSE(g.lost);
    EXPECT_LT(g.rms, 0.3);
    EXPECT_LT(g.peak, 1.0);
    // On the serial line ten minutes of drift go beyond the unit's travel: the mount carried
    // them through the bumps the unit passed on.
    const auto& sent = rig->ao().commands();
    EXPECT_EQ(std::any_of(sent.begin(), sent.end(), [](const auto& m) { return m[0] == 'M'; }),
              !c.pulseMode);
    EXPECT_FALSE(f.program.guiding.ao.atLimit);
  } else {
    EXPECT_TRUE(g.lost);
  }
}

INSTANTIATE_TEST_SUITE_P(
    SerialAndPulseMode, AoTurnedClosedLoop,
    ::testing::Values(AoTurnedCase{false, true, true}, AoTurnedCase{false, false, false},
                      AoTurnedCase{false, true, false}, AoTurnedCase{false, false, true},
                      AoTurnedCase{true, true, true}, AoTurnedCase{true, false, false},
                      AoTurnedCase{true, true, false}, AoTurnedCase{true, false, true}));

// "Stop Guiding" of the guiding display, pressed 10 s into a 30 s guided exposure: the
// exposure ends then and is read out, the star is not taken as lost, and the display closes
// with the command.
TEST_F(GuidingClosedLoop, StopGuidingEndsTheGuidedExposureAndKeepsTheFrame) {
  build(0.0);
  selectStar();
  const std::uint32_t start = f.clock.nowMs();
  bool shownWhenPressed = false;
  std::uint32_t pressedAt = 0;
  f.ui.clickAt(start + 10'000, [&] {
    const auto& d = f.program.guiding.display;
    shownWhenPressed = d.open && d.stopEnabled && d.caption == "Guiding Info";
    pressedAt = f.clock.nowMs();
    StopGuiding(f.program);
  });
  ASSERT_EQ(test::runPhoto(f, kGuided30s, true), acquire::InterfaceOutcome::Ran);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
  EXPECT_TRUE(shownWhenPressed);
  EXPECT_FALSE(f.program.guiding.active);
  EXPECT_FALSE(f.program.guiding.starLost);
  EXPECT_FALSE(f.program.guiding.display.open);
  EXPECT_FALSE(f.program.guiding.display.stopEnabled);
  // Read out at the guide step after the press (10 s into the run), not after 30 s.
  EXPECT_GE(pressedAt - start, 10'000u);
  EXPECT_GE(rig->devices().camera().lastExposureMs(), 9'000u);
  EXPECT_LE(rig->devices().camera().lastExposureMs(), 11'500u);
  EXPECT_LT(f.clock.nowMs() - start, 15'000u);
  const auto raw = f.program.planes.RawImage;
  EXPECT_TRUE(std::any_of(raw.begin(), raw.begin() + 100'000, [](std::uint16_t v) { return v; }));
}

// "Pause" and "Stop" of "Guiding Info" during main-camera guiding: no correction while paused,
// the display's fields filled while it runs, and the loop ends on "Stop" without a key press.
TEST_F(GuidingClosedLoop, GuidingInfoPausesAndStopsMainCameraGuiding) {
  build(0.0, kGuideScale);
  pickMainStar();
  const std::uint32_t start = f.clock.nowMs();
  int pulsesAtPause = -1, pulsesAtResume = -1;
  TInfoDialog shown;
  f.ui.clickAt(start + 60'000, [&] {
    pulsesAtPause = f.program.guiding.pulsesSent;
    PauseAutoGuiding(f.program, true);
  });
  f.ui.clickAt(start + 180'000, [&] {
    pulsesAtResume = f.program.guiding.pulsesSent;
    PauseAutoGuiding(f.program, false);
  });
  f.ui.clickAt(start + 300'000, [&] {
    shown = f.program.guiding.info;
    StopAutoGuiding(f.program);
  });
  StartAutoGuiding(f.program);
  // Two minutes of 1 px/min drift left uncorrected while paused.
  EXPECT_GT(pulsesAtPause, 0);
  EXPECT_EQ(pulsesAtResume, pulsesAtPause);
  EXPECT_GT(f.program.guiding.pulsesSent, pulsesAtResume);
  EXPECT_TRUE(shown.open);
  for (const std::string* field : {&shown.x, &shown.y, &shown.dx, &shown.dy})
    EXPECT_NE(field->find('.'), std::string::npos) << *field;
  EXPECT_EQ(f.ui.messages().back().text, "AutoGuiding Terminated");
  EXPECT_FALSE(f.program.guiding.info.open);
  EXPECT_FALSE(f.program.guiding.active);
  EXPECT_FALSE(f.program.guiding.paused);
  EXPECT_LT(f.clock.nowMs() - start, 302'000u);
}

// Between two guiding runs the star moves 15 px, beyond the star box (radius 9): the second
// run finds it again from where it was last seen, its reference follows the star, and it
// guides there.
TEST_F(GuidingClosedLoop, TheReferenceFollowsTheStarBetweenGuidingRuns) {
  build(0.0);
  selectStar();
  guide(1.0);
  const StarPosition before = f.program.guiding.reference;
  // 2 s at the guide rate (7.5 guide px per second) carries the star 15 px along x.
  rig->mount().bump('T', 2000);
  const GuidingFigures g = guide(2.0);
  report("guide head, second run after the star moved 15 px", g);
  EXPECT_FALSE(f.program.guiding.starLost);
  EXPECT_NEAR(std::abs(f.program.guiding.reference.x - before.x), 15, 1);
  EXPECT_NEAR(f.program.guiding.reference.y, before.y, 1);
  EXPECT_LT(g.rms, 0.3);
  EXPECT_LT(g.peak, 1.0);
}

}  // namespace
}  // namespace nvk::scope
