#include <gtest/gtest.h>

#include "platform/pty_pair.h"
#include "platform/serial_libserialport.h"
#include "scope/mount_commands.h"
#include "scope/mount_factory.h"
#include "scope/serial_link.h"
#include "sim/ideal_mount.h"
#include "sim/mount.h"
#include "support/program_fixture.h"

namespace nvk::platform {
namespace {

constexpr double kArcsecPerHour = 54'000.0;

// The program on the PC route, COM1 mapped to a pseudo-terminal with the simulated mount on
// its far side, reached through the libserialport realisation.
struct SerialPtyTest : ::testing::Test, test::ProgramFixture {
  std::unique_ptr<PtyPair> pty = PtyPair::open();
  sim::SimulatedMount mount{clock, test::idealMount()};
  std::unique_ptr<PtyDeviceServer> server;
  LibSerialPort serial{program.comPorts};
  std::unique_ptr<ServicedSerialPort> serviced;

  void SetUp() override {
    ASSERT_NE(pty, nullptr) << "no pseudo-terminal available";
    server = std::make_unique<PtyDeviceServer>(
        *pty, [this](std::span<const std::uint8_t> b) { mount.receive(b); },
        [this](std::size_t n) { return mount.transmit(n); });
    serviced = std::make_unique<ServicedSerialPort>(serial, [this] { server->service(); });
    program.comPorts.setDevice(1, pty->slavePath());
    program.settings.pcComPort = 0;
    program.settings.serialRoute = 3;
    program.settings.guideOutputMode = settings::GuideOutputMode::Lx200;
    program.telescope.pcPort = serviced.get();
    ASSERT_EQ(scope::ConnectTelescope(program, false), scope::ConnectResult::Connected);
  }
};

TEST_F(SerialPtyTest, ASlewBelowTheHorizonBringsBackTheMountsReason) {
  scope::chosenMount(program).goTo(scope::SkyCoordinates{2, 0, -80, 0});
  // The mount's answers to the two coordinates ('1' each) and to "#:LI#" are read before the
  // slew, so that the slew reply is the mount's reason alone.
  EXPECT_EQ(program.telescope.infoLines[1], "1Object Below Horizon ");
  EXPECT_FALSE(mount.slewing());
  EXPECT_NEAR(mount.target().decDegrees, -80.0, 1e-12);
}

TEST_F(SerialPtyTest, ATimedMoveTurnsTheMountForItsDurationAtGuideRate) {
  const double ra0 = mount.pointing().raHours * kArcsecPerHour;
  clock.advanceMs(1000);
  scope::guidePulseToward(scope::chosenMount(program), 'e', 1500);
  EXPECT_EQ(mount.commands(),
            (std::vector<sim::MountCommand>{{1000, "RG"}, {1062, "Me"}, {2562, "Qe"}}));
  EXPECT_NEAR(mount.pointing().raHours * kArcsecPerHour - ra0, 1.5 * sim::kSiderealArcsecPerSecond,
              1e-6);
}

TEST_F(SerialPtyTest, ASocketPulseIsOneByteAt300Baud) {
  program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  program.settings.bypassHelmixInterface = true;
  const double dec0 = mount.pointing().decDegrees * 3600.0;
  scope::guidePulseToward(scope::chosenMount(program), 'n', 800);
  EXPECT_EQ(pty->programBaud(), 300);
  EXPECT_EQ(mount.guideOutputs(), 0);
  EXPECT_NEAR(mount.pointing().decDegrees * 3600.0 - dec0, 0.8 * sim::kSiderealArcsecPerSecond,
              1e-6);
  EXPECT_TRUE(mount.commands().empty());
}

TEST(LibSerialPortTest, MissingDevicesAndClosedPortsGiveTheirCodes) {
  test::TempDir dir;
  const std::string regularFile = (dir.path() / "not-a-tty").string();
  {
    std::FILE* f = std::fopen(regularFile.c_str(), "w");
    std::fclose(f);
  }
  for (const std::string& path : {std::string("/dev/nvk-no-such-port"), regularFile}) {
    LibSerialPort port([&path](int) { return path; });
    EXPECT_EQ(port.reset(0, 1024, 1024), kSerialBadId) << path;
    EXPECT_FALSE(port.isOpen());
    std::uint8_t buffer[4];
    EXPECT_EQ(port.setBaud(9600), kSerialNotOpen);
    EXPECT_EQ(port.putByte('x'), kSerialNotOpen);
    EXPECT_EQ(port.getBytes(buffer), kSerialNotOpen);
    EXPECT_EQ(port.done(), kSerialNotOpen);
  }
  base::ComPortMap map;
  LibSerialPort beyondTheMap(map);
  EXPECT_EQ(beyondTheMap.reset(7, 1024, 1024), kSerialBadId);  // there is no COM8
}

TEST(LibSerialPortTest, QueuesLimitWhatOneCallMoves) {
  auto pty = PtyPair::open();
  ASSERT_NE(pty, nullptr);
  LibSerialPort port([&pty](int) { return pty->slavePath(); });
  ASSERT_EQ(port.reset(0, 4, 8), 0);
  ASSERT_EQ(port.set8N1(), 0);
  const std::string text = "0123456789";
  EXPECT_EQ(port.putBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}), 8);
  const auto written = pty->readFromProgram();
  EXPECT_EQ(std::string(written.begin(), written.end()), "01234567");
  pty->writeToProgram(written);
  std::uint8_t buffer[50];
  EXPECT_EQ(port.getBytes(buffer), 4);
  EXPECT_EQ(std::string(buffer, buffer + 4), "0123");
  EXPECT_EQ(port.clearReceive(), 0);
  EXPECT_EQ(port.getBytes(buffer), 0);
  EXPECT_EQ(port.setBaud(12345), kSerialBaudRate);
}

}  // namespace
}  // namespace nvk::platform
