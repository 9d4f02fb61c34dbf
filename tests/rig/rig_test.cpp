#include "rig/rig.h"

#include <gtest/gtest.h>

#include "platform/pty_mount.h"
#include "platform/real_clock.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"
#include "support/temp_dir.h"

namespace nvk::rig {
namespace {

TEST(RigTest, TheSimulatedRigConnectsTheSimulatedDevicesAndOneMount) {
  test::TempDir root;
  port::VirtualClock clock;
  port::ScriptedUi ui(&clock);
  Rig rig(RigOptions{root.path(), true, ClockKind::Real, &clock}, ui);
  EXPECT_EQ(&rig.clock(), &clock);
  EXPECT_EQ(&rig.program().clock(), &clock);
  EXPECT_EQ(rig.program().paths().settingsFile().parent_path().parent_path(), root.path());
  camera::Camera& camera = rig.program().camera();
  ASSERT_EQ(camera.connect(), 1);
  EXPECT_TRUE(camera.connected());
  EXPECT_EQ(camera.connectFilterWheel(), 1);
  EXPECT_TRUE(rig.program().devices.usbFilterWheelPresent);
  // One mount for the whole run, the simulated one, on the program's telescope routes.
  platform::PtyMount& mount = rig.mount();
  EXPECT_EQ(&rig.mount(), &mount);
  EXPECT_NE(mount.mount(), nullptr);
  EXPECT_NE(rig.program().telescope.cameraLink, nullptr);
}

TEST(RigTest, TheRigMakesTheClockOfItsKindAndTheRealMountWithoutTheSimulator) {
  test::TempDir root;
  port::ScriptedUi ui;
  Rig virtualRig(RigOptions{root.path(), false, ClockKind::Virtual}, ui);
  EXPECT_NE(dynamic_cast<port::VirtualClock*>(&virtualRig.clock()), nullptr);
  Rig realRig(RigOptions{root.path(), false, ClockKind::Real}, ui);
  EXPECT_NE(dynamic_cast<platform::RealClock*>(&realRig.clock()), nullptr);
  EXPECT_EQ(realRig.simulator(), nullptr);
  EXPECT_EQ(realRig.mount().mount(), nullptr);
  EXPECT_NE(realRig.program().telescope.pcPort, nullptr);
}

}  // namespace
}  // namespace nvk::rig
