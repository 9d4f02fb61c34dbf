// Focus mode shows its frames in the main window: the picture is the focus window while the
// loop runs and the image again after it.
#include <gtest/gtest.h>

#include <vector>

#include "acquire/camera_dialog.h"
#include "acquire/exposure_sequence.h"
#include "acquire/monitor_loops.h"
#include "app/display_builder.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::acquire {
namespace {

TEST(FocusDisplay, TheWindowShowsTheFocusFramesWhileFocusModeRuns) {
  test::ProgramFixture f;
  sim::SimulatedDevices sim{f.clock};
  f.program.devices.enumerator = &sim;
  ExposureSequence sequence(f.program);
  ASSERT_TRUE(sequence.connect());
  ProgramCameraControl camera{f.program};
  TNVDialog dialog(f.program, camera);
  dialog.chooseUnit('h');
  // What the main window would paint after each focus exposure.
  std::vector<int> widths;
  dialog.setRepaint([&] {
    app::buildDisplayImage(f.program);
    widths.push_back(f.program.display.width);
  });
  const int redrawsBefore = f.ui.redraws();
  f.ui.pressKeyAt(f.clock.nowMs() + 200);
  dialog.startFocus();
  ASSERT_FALSE(widths.empty());
  EXPECT_EQ(widths, std::vector<int>(widths.size(), 128));
  // One redraw request a frame, and one more that brings the image back.
  EXPECT_EQ(f.ui.redraws() - redrawsBefore, static_cast<int>(widths.size()) + 1);
  EXPECT_FALSE(f.program.displayOptions.focusFrame);
  app::buildDisplayImage(f.program);
  EXPECT_EQ(f.program.display.width, f.program.geometry.displayWidth);
}

}  // namespace
}  // namespace nvk::acquire
