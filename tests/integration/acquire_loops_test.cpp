// Focus mode, the cooling monitor and the guide-head monitor with the simulated camera, the
// virtual clock and a scripted user.
#include <gtest/gtest.h>

#include <algorithm>

#include "acquire/camera_dialog.h"
#include "acquire/exposure_sequence.h"
#include "acquire/monitor_loops.h"
#include "app/display_builder.h"
#include "camera/protocol.h"
#include "files/bmp_file.h"
#include "settings/settings_file.h"
#include "sim/guiding_rig.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::acquire {
namespace {

using Record = sim::TransferRecord;

class AcquireLoops : public ::testing::Test {
 protected:
  void SetUp() override {
    f.program.devices.enumerator = &sim;
    ExposureSequence sequence(f.program);
    ASSERT_TRUE(sequence.connect());
    f.ui.clearRecord();
    sim.log().clear();
  }
  // Camera writes with command `code` (and index, when given).
  std::size_t writes(camera::CommandCode code, int index = -1) {
    std::size_t n = 0;
    for (const Record& r : sim.log().records()) {
      if (r.device != Record::Device::Camera || r.direction != Record::Direction::Write) continue;
      if (r.bytes.size() < 6 || r.bytes[1] != static_cast<std::uint8_t>(code)) continue;
      if (index >= 0 && (r.bytes[4] | (r.bytes[5] << 8)) != index) continue;
      ++n;
    }
    return n;
  }

  test::ProgramFixture f;
  sim::SimulatedDevices sim{f.clock};
  ProgramCameraControl camera{f.program};
};

// Focus mode repeats until a press; its frames are shown in the main window (the picture is the
// focus window while the loop runs and the image again after it) and in the dialog.
TEST_F(AcquireLoops, FocusModeRepeatsUntilAPressAndShowsItsFrames) {
  TNVDialog dialog(f.program, camera);
  dialog.chooseUnit('h');   // 5 hundredths
  std::vector<int> widths;  // of the picture the main window would paint after each exposure
  dialog.setRepaint([&] {
    app::buildDisplayImage(f.program);
    widths.push_back(f.program.display.width);
  });
  f.program.acquisition.focusStretch = 1;
  const int redrawsBefore = f.ui.redraws();
  // Each pass: a pump quantum and the 50 ms camera-timed focus exposure.
  f.ui.pressKeyAt(f.clock.nowMs() + 200);
  dialog.startFocus();
  EXPECT_FALSE(dialog.focusing());
  EXPECT_EQ(widths, std::vector<int>(4, 128));
  EXPECT_EQ(f.ui.beeps(), 4);
  EXPECT_EQ(writes(camera::CommandCode::ReadPixelsDelayed), 4u);
  EXPECT_EQ(sim.camera().lastExposureMs(), 50u);
  EXPECT_TRUE(f.ui.messages().empty());
  // One redraw request a frame, and one more that brings the image back.
  EXPECT_EQ(f.ui.redraws() - redrawsBefore, 5);
  EXPECT_FALSE(f.program.displayOptions.focusFrame);
  app::buildDisplayImage(f.program);
  EXPECT_EQ(f.program.display.width, f.program.geometry.displayWidth);
  // The focus bitmap holds the window, shown by the dialog.
  const auto bitmap = dialog.focusImage();
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 128);
  EXPECT_EQ(bitmap->pixels, focusBitmap(f.program.devices.focusWindow, 1).pixels);
}

// The focuser buttons of the camera dialog drive the mount's focuser while focus mode runs, so
// that the user sees the FWHM change as the focuser moves; they do nothing where the mount
// takes no LX200 commands.
TEST(FocuserDuringFocusMode, HoldingInOrOutMovesTheMountsFocuserAndTheWidthFollows) {
  struct Case {
    const char* what;
    bool in;
    settings::GuideOutputMode driveMethod;
    int serialRoute;        // 0: camera serial port 2, where the mount is; 3: the PC port
    double stepsPerSecond;  // of the focuser while held: slow is the mount's default speed
  };
  const Case cases[] = {
      {"in", true, settings::GuideOutputMode::Lx200, 0, 20.0},
      {"out", false, settings::GuideOutputMode::None, 0, -20.0},
      {"on the autoguider socket", true, settings::GuideOutputMode::AutoguiderSocket, 0, 0.0},
      {"no PC port", true, settings::GuideOutputMode::Lx200, 3, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ProgramFixture f;
    sim::GuidingRig rig(f.clock);
    ASSERT_TRUE(rig.attach(f.program));
    f.program.settings.guideOutputMode = c.driveMethod;
    f.program.settings.serialRoute = static_cast<std::int16_t>(c.serialRoute);
    f.program.settings.focusOneSecondDelay = true;
    ASSERT_EQ(f.program.saveSettingsFile(), settings::SettingsStatus::Ok);
    // The brightest star of a patch of sky in the middle of the focus window, at best focus.
    auto& sky = rig.devices().sky();
    const auto stars = sky.starsIn(0, 0, 3000, 3000);
    ASSERT_FALSE(stars.empty());
    const auto brightest = *std::max_element(
        stars.begin(), stars.end(), [](const auto& a, const auto& b) { return a.flux < b.flux; });
    sky.setPointing(brightest.x - 1520, brightest.y - 1012);

    ProgramCameraControl camera(f.program);
    TNVDialog dialog(f.program, camera);
    EXPECT_EQ(dialog.focuserAvailable(), c.stepsPerSecond != 0.0);
    dialog.chooseUnit('t');
    dialog.setExposureField("1");
    // The user holds the button from the second focus exposure to the eighth and stops focus
    // mode after the tenth.
    std::vector<int> widths;
    std::uint32_t pressedMs = 0;
    std::uint32_t releasedMs = 0;
    dialog.setRepaint([&] {
      widths.push_back(f.program.devices.focus.fwhm);
      if (widths.size() == 2) {
        dialog.focuserPress(c.in);
        pressedMs = f.clock.nowMs();
      } else if (widths.size() == 8) {
        dialog.focuserRelease();
        releasedMs = f.clock.nowMs();
      } else if (widths.size() == 10) {
        dialog.stopFocus();
      }
    });
    dialog.startFocus();
    ASSERT_EQ(widths.size(), 10u);
    EXPECT_FALSE(f.program.telescope.focusing);
    EXPECT_TRUE(f.ui.messages().empty());
    // Six passes of about 1.1 s: some 130 focuser steps, on the mount's own clock.
    const double held = (releasedMs - pressedMs) / 1000.0;
    EXPECT_NEAR(rig.mount().focuserPosition(), c.stepsPerSecond * held, 0.5);
    if (c.stepsPerSecond == 0.0) {
      EXPECT_NEAR(widths.back(), widths.front(), 1);  // the noise may move a half-maximum edge
    } else {
      // 130 steps from best focus widen the star from about 3 to about 9 pixels.
      EXPECT_GE(widths.back(), widths.front() + 4);
    }
  }
}

TEST_F(AcquireLoops, FocusModeStopsOnStopAndWaitsASecondWithTheFocusPause) {
  TNVDialog dialog(f.program, camera);
  dialog.chooseUnit('q');
  f.program.settings.focusOneSecondDelay = true;
  int passes = 0;
  std::vector<std::uint32_t> times;
  dialog.setRepaint([&] {
    times.push_back(f.clock.nowMs());
    if (++passes == 3) dialog.stopFocus();
  });
  dialog.startFocus();
  ASSERT_EQ(passes, 3);
  // Each pass: a pump quantum, the focus exposure (camera-timed, 5 ms) and the one-second pause.
  EXPECT_GE(times[1] - times[0], 1000u);
  EXPECT_LT(times[1] - times[0], 1100u);
}

TEST_F(AcquireLoops, FocusModeDoesNothingForMinutesOrLongValues) {
  for (auto setup : {+[](TNVDialog& d) { d.chooseUnit('m'); },
                     +[](TNVDialog& d) {
                       d.chooseUnit('q');
                       d.setExposureField("100");
                     }}) {
    TNVDialog dialog(f.program, camera);
    setup(dialog);
    dialog.startFocus();
    EXPECT_EQ(writes(camera::CommandCode::ReadPixelsDelayed), 0u);
    EXPECT_EQ(f.ui.beeps(), 0);
  }
}

TEST_F(AcquireLoops, CoolingMonitorSendsTheCoolingCommandTwiceASecondUntilAPress) {
  TNVDialog dialog(f.program, camera);
  sim.log().clear();
  std::vector<std::string> captions;
  dialog.setRepaint([&] { captions.emplace_back(dialog.monitorText()); });
  f.ui.pressKeyAt(f.clock.nowMs() + 2400);
  dialog.monitor();
  // Five passes of 500 ms (and a pump quantum) before the press is seen.
  ASSERT_EQ(captions.size(), 6u);  // "Monitoring" at the start, then one per pass
  for (const auto& c : captions)
    EXPECT_EQ(c, "Monitoring");
  EXPECT_EQ(dialog.monitorText(), "Monitor");
  // One cooling command per repaint, and one more for the final redraw.
  EXPECT_EQ(writes(camera::CommandCode::CoolerControl), 6u);
  // The simulated cooler is approaching the set-point: the displayed temperature fell.
  EXPECT_LT(f.program.devices.cooler.temperatureC, 20);
}

TEST_F(AcquireLoops, GuideHeadMonitorFlushesTwiceThenExposesUntilAPress) {
  int exposures = 0;
  f.ui.pressKeyAt(f.clock.nowMs() + 25);
  const int n = GuideHeadMonitor(f.program,
                                 [&] {
                                   ++exposures;
                                   camera::ReadGuideHead(f.program, false);
                                 },
                                 false, {});
  EXPECT_EQ(n, exposures);
  ASSERT_GE(n, 2);
  // Two flushes first, then one before each exposure; each flush and exposure reads the head.
  EXPECT_EQ(writes(camera::CommandCode::ClearSensor, camera::kGuideHead),
            static_cast<std::size_t>(2 + n));
  EXPECT_EQ(f.ui.beeps(), n);
}

TEST(FocusBitmap, StretchesAboveTheWindowsLowestSample) {
  std::vector<std::uint16_t> window(128 * 128, 1000);
  window[1] = 1000 + 256;
  window[2] = 1000 + 4000;
  window[3] = 65535;
  struct Case {
    int stretch;
    std::array<int, 4> bytes;
  };
  for (const Case c :
       {Case{1, {0, 1, 15, 252}}, Case{14, {0, 14, 218, 255}}, Case{50, {0, 50, 255, 255}}}) {
    const auto bitmap = focusBitmap(window, c.stretch);
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_EQ(bitmap.pixels[i], c.bytes[i]) << c.stretch << " " << i;
  }
}

}  // namespace
}  // namespace nvk::acquire
