#include "camera/usb_camera.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/program.h"
#include "camera/recording_transport.h"
#include "support/program_fixture.h"

namespace nvk::camera {
namespace {

using test::bytes;
using Blocks = std::vector<std::vector<std::uint8_t>>;

// What each operation of the program's camera and guide head puts on the camera channel: the
// observer's terms map onto the protocol's commands and head indexes.
TEST(UsbCameraTest, EachOperationSendsItsCommands) {
  struct Case {
    std::string name;
    std::function<void(app::Program&)> run;
    Blocks blocks;
    std::vector<std::size_t> readSizes;
  };
  const std::vector<Case> cases = {
      {"flush", [](auto& p) { p.camera().flush(); }, {bytes({0x40, 1, 8, 0, 0, 0, 0, 0})}, {}},
      {"start exposure",
       [](auto& p) { p.camera().startExposure(); },
       {bytes({0x40, 1, 0, 0, 0, 0, 0, 0})},
       {}},
      {"binned 4x8 frame",
       [](auto& p) { p.camera().readFrame(image::ReadoutMode::Binned4x8, 2000, 0, 0); },
       {bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0xB0, 0x17, 0xF0, 0x03, 8, 4})},
       {382'032}},
      {"guide head flush",
       [](auto& p) { p.guideHead().flush(2); },
       {bytes({0x40, 1, 0, 0, 1, 0, 0, 0}),
        bytes({0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 2, 0, 1, 1})},
       {1'000}},
      {"guide head binned frame",
       [](auto& p) { p.guideHead().readFrame(true); },
       {bytes({0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 0x22, 0x01, 2, 2})},
       {36'250}},
      {"guide outputs",
       [](auto& p) { p.camera().setGuideOutputs(0x05); },
       {bytes({0x40, 9, 0x05, 0, 0, 0, 0, 0})},
       {}},
      {"serial port",
       [](auto& p) { p.camera().readSerial(1, 2); },
       {bytes({0x40, 11, 0, 0, 1, 0, 2, 0})},
       {2}},
      {"filter through the telescope port",
       [](auto& p) {
         p.settings.telescopePortIndex = 0;
         p.camera().selectFilter(2);
       },
       {bytes({0x40, 10, 0, 0, 0, 0, 4, 0, 0xA5, 0x01, 2, 0xA8})},
       {}},
      {"temperature",
       [](auto& p) { p.camera().readTemperature(); },
       {bytes({0x40, 31, 0, 0, 0, 0, 0, 0})},
       {3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramFixture f;
    auto channel = std::make_unique<test::RecordingCameraTransport>();
    auto* transport = channel.get();
    f.program.devices.camera = std::move(channel);
    f.program.devices.cameraConnected = true;
    c.run(f.program);
    EXPECT_EQ(transport->writes, c.blocks);
    EXPECT_EQ(transport->readSizes, c.readSizes);
  }
}

TEST(UsbCameraTest, TheFirmwareVersionComesBackToTheCaller) {
  test::ProgramFixture f;
  auto channel = std::make_unique<test::RecordingCameraTransport>();
  channel->replies.push_back({bytes({12, 0, 2, 0})});
  f.program.devices.camera = std::move(channel);
  const FirmwareVersion firmware = f.program.camera().readFirmware();
  EXPECT_EQ(firmware.major, 2);
  EXPECT_EQ(firmware.minor, 12);
}

}  // namespace
}  // namespace nvk::camera
