// Training of the guide head as the window does it (the autoguider dialog's Train, the rig's
// simulated devices and mount reached through the camera's commands, the machine's clock)
// against the tool's `guide train --head` on the same simulated hardware and settings.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "acquire/guider_dialog.h"
#include "port/scripted_ui.h"
#include "rig/rig.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "sim/guiding_rig.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace nvk::rig {
namespace {

// The star the tool picks: the brightest sample near the middle of a guide image.
scope::PixelPoint brightestNearMiddle(app::Program& program) {
  scope::GuideExposure(program);
  const auto& image = program.devices.guideImage;
  int best = -1;
  scope::PixelPoint at;
  for (int y = 110; y < 180; ++y) {
    for (int x = 180; x < 320; ++x) {
      const int v = image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)];
      if (v > best) best = v, at = {x, y};
    }
  }
  return at;
}

// "slew RA = rx, ry, length" ... as the training message prints them.
struct TrainedFigures {
  int raLength = 0, decLength = 0, raBacklash = 0, decBacklash = 0;
};

TrainedFigures parseTrainingText(const std::string& text) {
  int v[12] = {};
  const int n = std::sscanf(text.c_str(),
                            "slew RA = %d,%d, %d\nslew Dec = %d, %d, %d\nbacklash RA = %d, %d, "
                            "%d\nbacklash Dec = %d, %d, %d",
                            &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9],
                            &v[10], &v[11]);
  EXPECT_EQ(n, 12) << text;
  return {v[2], v[5], v[8], v[11]};
}

TEST(WindowGuideHeadTraining, MatchesTheToolOnTheSameSimulatedHardwareWithTheMachinesClock) {
  const test::CliRun tool = test::cliRun({"--simulate", "guide", "train", "--head"});
  ASSERT_EQ(tool.status, 0) << tool.err;
  const TrainedFigures expected = parseTrainingText(tool.out);

  test::TempDir root;
  port::ScriptedUi ui;
  const sim::GuidingRigOptions hardware = sim::guidingSimulation(0.0, true);
  RigOptions options{root.path(), true, ClockKind::Real};
  options.simulation = hardware.devices;
  options.mount = hardware.mount;
  Rig rig(options, ui);
  rig.mount();  // the window attaches the mount as it starts
  app::Program& program = rig.program();
  ASSERT_EQ(program.camera().connect(), 1);
  cli::useGuideRunSettings(program);
  // The shortest training the defaults dialog offers keeps the wall time to a few seconds; the
  // rates are per second whatever the length of the moves.
  program.settings.guiderTrainingSeconds = 1;

  acquire::TGNVDialog dialog(program);
  const scope::PixelPoint star = brightestNearMiddle(program);
  dialog.selectGuideStar();
  dialog.releaseOnImage(star.x, star.y, false);
  ASSERT_TRUE(program.guiding.starSelected);
  const std::uint32_t startMs = rig.clock().nowMs();
  dialog.train();
  ASSERT_TRUE(program.guiding.trainedAvailable);
  const std::string window = scope::guideHeadTrainingText(program.guiding.trained);
  const TrainedFigures got = parseTrainingText(window);
  std::printf("[ figures  ] tool (virtual clock, 4 s moves):\n%s\n", tool.out.c_str());
  std::printf("[ figures  ] window (real clock, 1 s moves, %u ms):\n%s\n",
              rig.clock().nowMs() - startMs, window.c_str());

  // The tool prints whole pixels per second, cut down: its rate lies in [n, n + 1). The
  // window's rates (from 1 s moves between whole-pixel positions) are to be within 10 % of
  // that.
  const auto& v = program.guiding.trained;
  struct Case {
    const char* what;
    double got;
    int printed;
  };
  const Case rates[] = {
      {"R.A. rate", std::hypot(v.raRateX, v.raRateY), expected.raLength},
      {"Dec. rate", std::hypot(v.decRateX, v.decRateY), expected.decLength},
  };
  for (const Case& c : rates) {
    EXPECT_GE(c.printed, 5) << c.what;  // the simulated guide rate is 7.5 px/s
    EXPECT_GE(c.got, 0.9 * c.printed) << c.what;
    EXPECT_LE(c.got, 1.1 * (c.printed + 1)) << c.what;
  }
  // The play, whole pixels measured once per axis: the same within a pixel.
  EXPECT_LE(std::abs(got.raBacklash - expected.raBacklash), 1);
  EXPECT_LE(std::abs(got.decBacklash - expected.decBacklash), 1);
}

}  // namespace
}  // namespace nvk::rig
