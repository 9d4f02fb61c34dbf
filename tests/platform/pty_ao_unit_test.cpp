// The simulated AO unit of a --simulate run, reached on every route the program can reach a real
// one by: a camera serial port of its own or shared with the mount, the PC port through a real
// pseudo-terminal (shared with the mount), and in AO pulse mode the camera's guide outputs or
// the PC port's socket bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "camera/discovery.h"
#include "platform/pty_mount.h"
#include "scope/ao_unit_factory.h"
#include "scope/serial_link.h"
#include "sim/ideal_mount.h"
#include "support/program_fixture.h"

namespace nvk::platform {
namespace {

struct AoRoute {
  const char* name;
  int serialRoute;  // 1 "Ser 1", 0 "Ser 2", 3 "PC "
  int telescopePort;
  bool pulseMode;
  bool bypass;  // socket bytes on the PC port rather than the camera's guide outputs
  // How much longer than its steps a pulse holds the line: a socket byte on the PC port is
  // followed by the line's settle and character waits (12 ms) before the hold begins.
  int extraHoldMs = 0;
};

struct PtyAoUnitTest : ::testing::TestWithParam<AoRoute>, test::ProgramFixture {
  sim::SimulatedDevices devices{clock};
  std::unique_ptr<PtyMount> attached;

  void SetUp() override {
    program.devices.enumerator = &devices;
    const AoRoute& r = GetParam();
    auto& s = program.settings;
    s.serialRoute = static_cast<std::int16_t>(r.serialRoute);
    s.telescopePortIndex = static_cast<std::int16_t>(r.telescopePort);
    s.aoPulseMode = r.pulseMode;
    s.bypassHelmixInterface = r.bypass;
    s.guideOutputMode = settings::GuideOutputMode::Lx200;
    attached = std::make_unique<PtyMount>(program, clock, &devices, test::idealMount());
    ASSERT_TRUE(attached->pcPortReady());
    ASSERT_NE(attached->ao(), nullptr);
    program.telescope.portIndex = r.telescopePort;
    camera::OpenCamera(program);
    ASSERT_TRUE(program.devices.cameraConnected);
  }
  void TearDown() override { attached.reset(); }

  sim::SimulatedAoUnit& ao() { return *attached->ao(); }
  sim::SimulatedMount& mount() { return *attached->mount(); }
  // The port index the mount's commands go to on this route.
  int mountPort() const { return GetParam().telescopePort; }
};

TEST_P(PtyAoUnitTest, MovesReachTheUnitAndTiltTheGuideImage) {
  const sim::SkyPoint pointing = devices.sky().pointing();
  scope::chosenAoUnit(program).step(scope::Direction::West, 25);
  scope::chosenAoUnit(program).step(scope::Direction::North, 10);
  const int extra = GetParam().extraHoldMs;
  EXPECT_EQ(ao().leftRight(), -(25 + extra));
  EXPECT_EQ(ao().upDown(), 10 + extra);
  // Five steps per guide pixel: west carries the star towards larger x, north towards larger
  // y (5 and 2 pixels for the plain 25 and 10 steps).
  const sim::SkyView view = devices.camera().guideView();
  EXPECT_NEAR(view.shiftX, -(25 + extra) / 5.0, 1e-9);
  EXPECT_NEAR(view.shiftY, -(10 + extra) / 5.0, 1e-9);
  // The mount was not moved by any of it.
  EXPECT_EQ(mount().guideOutputs(), 0);
  EXPECT_TRUE(mount().commands().empty());
  EXPECT_EQ(devices.sky().pointing().x, pointing.x);
  EXPECT_EQ(devices.sky().pointing().y, pointing.y);
  // The end of a guided exposure takes the unit back to its centre.
  scope::chosenAoUnit(program).returnToCentre();
  EXPECT_EQ(ao().leftRight(), 0);
  EXPECT_EQ(ao().upDown(), 0);
  EXPECT_NEAR(devices.camera().guideView().shiftX, 0.0, 1e-9);
  EXPECT_TRUE(ui.messages().empty());
}

// The routes of the serial unit (not in pulse mode).
struct PtyAoSerialUnitTest : PtyAoUnitTest {};

TEST_P(PtyAoSerialUnitTest, UnitEchoesHAndTheMountKeepsItsCommands) {
  const std::uint8_t h = 'H';
  scope::chosenAoUnit(program).send(std::span<const std::uint8_t>(&h, 1));
  // The echo came back: no "Return from AO - " message.
  EXPECT_TRUE(ui.messages().empty());
  // LX200 text on the same route is the mount's: ":GR#" holds a 'G' that the unit must not
  // take as the start of a move.
  scope::chosenAoUnit(program).step(scope::Direction::East, 20);
  ASSERT_TRUE(scope::SendSerial(program, mountPort(), ":GR#"));
  scope::ReadSerialReply(program, mountPort(), 8);
  EXPECT_EQ(scope::ReplyToText(program.telescope).size(), 7u);
  ASSERT_FALSE(mount().commands().empty());
  EXPECT_EQ(mount().commands().back().text, "GR");
  scope::chosenAoUnit(program).centre();
  const std::vector<std::string> expected{"H", "GT00020", "K"};
  EXPECT_EQ(ao().commands(), expected);
  EXPECT_EQ(ao().leftRight(), 0);
}

TEST_P(PtyAoSerialUnitTest, MountBumpsGoThroughTheUnit) {
  auto& s = program.settings;
  s.guiderGuide.raRate = 4;  // a bump of 400 / 4 = 100 ms
  const double y0 = devices.sky().pointingY();
  scope::chosenAoUnit(program).step(scope::Direction::North, 40);
  // 60: beyond 50, the mount is bumped north.
  scope::chosenAoUnit(program).step(scope::Direction::North, 20);
  EXPECT_EQ(ao().commands().back(), "MN00100");
  // 100 ms at the guide rate (15"/s) moves the simulated field by 1.5" = one sky pixel.
  EXPECT_NEAR(devices.sky().pointingY(), y0 - 15.041 * 0.1 / 1.5, 1e-6);
}

const AoRoute kSerialRoutes[] = {
    {"Ser1BesideTheMountOnCom1", 1, 0, false, false},
    {"Ser2SharedWithTheMount", 0, 0, false, false},
    {"PcPortPseudoTerminalSharedWithTheMount", 3, 0, false, false},
};
const AoRoute kPulseRoutes[] = {
    {"PulsesOnTheGuideOutputs", 1, 0, true, false},
    {"PulsesAsSocketBytesOnThePcPort", 3, 0, true, true, 12},
};

std::string routeName(const ::testing::TestParamInfo<AoRoute>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(SerialRoutes, PtyAoUnitTest, ::testing::ValuesIn(kSerialRoutes),
                         routeName);
INSTANTIATE_TEST_SUITE_P(PulseRoutes, PtyAoUnitTest, ::testing::ValuesIn(kPulseRoutes), routeName);
INSTANTIATE_TEST_SUITE_P(SerialRoutes, PtyAoSerialUnitTest, ::testing::ValuesIn(kSerialRoutes),
                         routeName);

}  // namespace
}  // namespace nvk::platform
