#include "camera/protocol.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/program.h"
#include "camera/recording_transport.h"
#include "support/program_fixture.h"

namespace nvk::camera {
namespace {

using test::bytes;

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto channel = std::make_unique<test::RecordingCameraTransport>();
    transport = channel.get();
    f.program.devices.camera = std::move(channel);
    f.program.devices.cameraConnected = true;
    // Leftovers of an earlier command: every byte not named by a command must be sent as 0.
    f.program.devices.commandBuffer.fill(0xEE);
  }

  app::Program& program() { return f.program; }
  void reply(std::vector<std::uint8_t> b) { transport->replies.push_back({std::move(b)}); }

  test::ProgramFixture f;
  test::RecordingCameraTransport* transport = nullptr;
};

struct CommandCase {
  std::string name;
  std::function<void(app::Program&)> run;
  std::vector<std::uint8_t> block;
  std::size_t replyBytes;  // 0: nothing is read
};

std::function<void(app::Program&)> subFrame(int size, int cx, int cy) {
  return [=](app::Program& p) {
    p.state.subFrameFraction = static_cast<std::int16_t>(size);
    ReadSubFrame(p, 3000, cx, cy);
  };
}

std::function<void(app::Program&)> focus(int fx, int fy, bool binning) {
  return [=](app::Program& p) { ReadFocusWindow(p, 100, fx, fy, binning); };
}

// Each command, byte for byte as it goes to the camera.
TEST_F(ProtocolTest, EveryCommandBlockByteForByte) {
  const std::vector<CommandCase> cases = {
      {"clear flush", [](auto& p) { ClearSensor(p, 8); }, bytes({0x40, 1, 8, 0, 0, 0, 0, 0}), 0},
      {"clear start", [](auto& p) { ClearSensor(p, 0); }, bytes({0x40, 1, 0, 0, 0, 0, 0, 0}), 0},
      {"high resolution 1000 ms", [](auto& p) { ReadFullFrame(p, 1000); },
       bytes({0x40, 2,    3,    0,    0,    0, 14, 0,    0,    0, 0,
              0,    0xB0, 0x17, 0xF0, 0x03, 1, 1,  0xE8, 0x03, 0, 0}),
       12'225'024},
      {"high resolution 1001 ms", [](auto& p) { ReadFullFrame(p, 1001); },
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0xB0, 0x17, 0xF0, 0x03, 1, 1}), 12'225'024},
      {"binned 2x2", [](auto& p) { ReadBinned2x2(p, 5000); },
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0xB0, 0x17, 0xF0, 0x03, 4, 1}), 3'056'256},
      {"binned 4x4 camera-timed", [](auto& p) { ReadBinned4x4(p, 250); },
       bytes({0x40, 2, 3, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0xB0, 0x17, 0xF0, 0x03, 8, 2, 0xFA, 0, 0, 0}),
       764'064},
      {"binned 4x8", [](auto& p) { ReadBinned4x8(p, 2000); },
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0xB0, 0x17, 0xF0, 0x03, 8, 4}), 382'032},
      {"guide head", [](auto& p) { ReadGuideHead(p, false); },
       bytes({0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 0x22, 0x01, 1, 1}), 145'000},
      {"guide head binned", [](auto& p) { ReadGuideHead(p, true); },
       bytes({0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 0x22, 0x01, 2, 2}), 36'250},
      {"guide outputs", [](auto& p) { SetGuideOutputs(p, 0x0A); },
       bytes({0x40, 9, 0x0A, 0, 0, 0, 0, 0}), 0},
      {"write serial",
       [](auto& p) {
         WriteSerial(p, 1, bytes({'A', 'B', 'C'}));
       },
       bytes({0x40, 10, 0, 0, 1, 0, 3, 0, 'A', 'B', 'C'}), 0},
      {"read serial", [](auto& p) { ReadSerial(p, 0, 5); }, bytes({0x40, 11, 0, 0, 0, 0, 5, 0}), 5},
      {"firmware", [](auto& p) { ReadFirmwareVersion(p); }, bytes({0x40, 0xFF, 0, 0, 0, 0, 0, 0}),
       4},
      {"temperature", [](auto& p) { ReadCoolerTemperature(p); },
       bytes({0x40, 31, 0, 0, 0, 0, 0, 0}), 3},
      // Sub-frame offsets near the edge go out as computed, as 16-bit values, unclamped.
      {"sub-frame 1/2 centred", subFrame(2, 1520, 1012),
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0xF0, 0x05, 0xFD, 0x00, 0xD8, 0x0B, 0xF8, 0x01, 1, 1}),
       3'056'256},
      {"sub-frame 1/3 centred", subFrame(3, 1520, 1012),
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0xEC, 0x07, 0x52, 0x01, 0xE8, 0x07, 0x50, 0x01, 1, 1}),
       1'360'128},
      {"sub-frame 1/4 centred", subFrame(4, 1520, 1012),
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0xE8, 0x08, 0x7B, 0x01, 0xEC, 0x05, 0xFC, 0x00, 1, 1}),
       764'064},
      // 2 * 100 - 1520 = -1320 and (10 - 506) / 2 = -248.
      {"sub-frame 1/2 near the corner", subFrame(2, 100, 10),
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0xD8, 0xFA, 0x08, 0xFF, 0xD8, 0x0B, 0xF8, 0x01, 1, 1}),
       3'056'256},
      // (0 - 253) / 2 truncates toward zero: -126.
      {"sub-frame 1/4 at the top edge", subFrame(4, 3000, 0),
       bytes({0x40, 3, 3, 0, 0, 0, 10, 0, 0x78, 0x14, 0x82, 0xFF, 0xEC, 0x05, 0xFC, 0x00, 1, 1}),
       764'064},
      {"focus window", focus(100, 51, false),
       bytes({0x40, 2, 3, 0, 0, 0, 14, 0, 200, 0, 25, 0, 0x00, 0x01, 64, 0, 1, 1, 100, 0, 0, 0}),
       32'768},
      {"focus window binned", focus(1000, 600, true),
       bytes({0x40, 2,    3,    0,   0, 0, 14, 0,   0x90, 0x07, 0x0C,
              0x01, 0x00, 0x02, 128, 0, 2, 2,  100, 0,    0,    0}),
       32'768},
      // Within 32 pixels of the left and top edges the binned offsets are raised to 0.
      {"focus window binned near the corner", focus(20, 40, true),
       bytes({0x40, 2, 3, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0x00, 0x02, 128, 0, 2, 2, 100, 0, 0, 0}),
       32'768},
      {"focus window binned 31, 63", focus(31, 63, true),
       bytes({0x40, 2, 3, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0x00, 0x02, 128, 0, 2, 2, 100, 0, 0, 0}),
       32'768},
      {"focus window binned 33, 66", focus(33, 66, true),
       bytes({0x40, 2, 3, 0, 0, 0, 14, 0, 2, 0, 1, 0, 0x00, 0x02, 128, 0, 2, 2, 100, 0, 0, 0}),
       32'768},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    transport->writes.clear();
    transport->readSizes.clear();
    program().devices.commandBuffer.fill(0xEE);
    c.run(program());
    ASSERT_EQ(transport->writes.size(), 1u);
    EXPECT_EQ(transport->writes[0], c.block);
    if (c.replyBytes == 0) {
      EXPECT_TRUE(transport->readSizes.empty());
    } else {
      EXPECT_EQ(transport->readSizes, std::vector<std::size_t>{c.replyBytes});
    }
  }
}

TEST_F(ProtocolTest, FlushGuideHeadClearsThenReadsFiftyOrTwoLines) {
  FlushGuideHead(program(), 50);
  FlushGuideHead(program(), 2);
  ASSERT_EQ(transport->writes.size(), 4u);
  EXPECT_EQ(transport->writes[0], bytes({0x40, 1, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(transport->writes[1],
            bytes({0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 50, 0, 1, 1}));
  EXPECT_EQ(transport->writes[3],
            bytes({0x40, 3, 3, 0, 1, 0, 10, 0, 0, 0, 0, 0, 0xF4, 0x01, 2, 0, 1, 1}));
  EXPECT_EQ(transport->readSizes, (std::vector<std::size_t>{25'000, 1'000}));
}

TEST_F(ProtocolTest, CoolingCommandFollowsCoolerAndMaximumCooling) {
  struct Case {
    bool on;
    bool maxCooling;
    int setPoint;
    std::vector<std::uint8_t> block;
  };
  const std::vector<Case> cases = {
      {true, false, -40, bytes({0x40, 30, 0x1A, 0x09, 1, 0, 0, 0})},
      {true, true, -40, bytes({0x40, 30, 0x1A, 0x09, 1, 0, 0, 0})},
      {false, false, 35, bytes({0x40, 30, 0x08, 0x0C, 0, 0, 0, 0})},
      {false, true, -10, bytes({0x40, 31, 0, 0, 0, 0, 0, 0})},
  };
  for (const auto& c : cases) {
    transport->writes.clear();
    program().devices.cooler.on = c.on;
    program().devices.cooler.setPointC = static_cast<std::int16_t>(c.setPoint);
    program().settings.forceMaxCooling = c.maxCooling;
    reply(bytes({0xAA, 0x0A, 0x00}));
    EXPECT_EQ(SetCooling(program()), 0);
    ASSERT_EQ(transport->writes.size(), 1u);
    EXPECT_EQ(transport->writes[0], c.block);
    EXPECT_EQ(transport->readSizes.back(), 3u);
  }
}

TEST(CoolerCodes, SetPointAndTemperatureDecoding) {
  EXPECT_EQ(setPointCode(-40), 2330);
  EXPECT_EQ(setPointCode(0), 2730);
  EXPECT_EQ(setPointCode(35), 3080);
  struct Case {
    std::uint8_t low, high;
    int celsius;
  };
  for (const Case& c : {Case{0xAA, 0x0A, 0}, Case{0x1A, 0x09, -40}, Case{0xA9, 0x0A, 0},
                        Case{0x9F, 0x0A, -1}, Case{0xB4, 0x0A, 1}, Case{0x08, 0x0C, 35},
                        Case{0xFF, 0xFF, -273}, Case{0x00, 0x00, -273}}) {
    EXPECT_EQ(decodeTemperature(c.low, c.high), c.celsius) << int(c.low) << "," << int(c.high);
  }
}

TEST_F(ProtocolTest, FirmwareVersionAndTheCoolerRule) {
  struct Case {
    std::vector<std::uint8_t> reply;
    int major, minor;
    bool coolerAvailable;
  };
  const std::vector<Case> cases = {
      {bytes({10, 0, 2, 0}), 2, 10, false},
      {bytes({11, 0, 2, 0}), 2, 11, true},
      {bytes({0x0C, 0x01, 0x03, 0x01}), 259, 268, true},
      {bytes({0, 0, 1, 0}), 1, 0, false},
  };
  for (const auto& c : cases) {
    program().devices.cooler.available = true;
    reply(c.reply);
    ReadFirmwareVersion(program());
    EXPECT_EQ(program().devices.firmware.major, c.major);
    EXPECT_EQ(program().devices.firmware.minor, c.minor);
    EXPECT_EQ(program().devices.cooler.available, c.coolerAvailable);
  }
}

TEST_F(ProtocolTest, FilterSelectionThroughTheCameraSerialPort) {
  program().settings.telescopePortIndex = 1;
  SelectFilter(program(), 3);
  SelectFilter(program(), 7);
  ASSERT_EQ(transport->writes.size(), 2u);
  EXPECT_EQ(transport->writes[0], bytes({0x40, 10, 0, 0, 1, 0, 4, 0, 0xA5, 0x01, 3, 0xA9}));
  EXPECT_EQ(transport->writes[1], bytes({0x40, 10, 0, 0, 1, 0, 4, 0, 0xA5, 0x01, 7, 0xAD}));
  EXPECT_EQ(program().devices.filterPosition, 7);
}

TEST_F(ProtocolTest, FilterSelectionOnTheUsbWheelWaitsFourMillisecondsForTheReply) {
  auto wheel = std::make_unique<test::RecordingWheelTransport>();
  auto* w = wheel.get();
  program().devices.filterWheel = std::move(wheel);
  program().devices.usbFilterWheelPresent = true;
  const std::uint32_t before = f.clock.nowMs();
  SelectFilter(program(), 5);
  EXPECT_TRUE(transport->writes.empty());
  EXPECT_EQ(w->writes, std::vector<std::vector<std::uint8_t>>{bytes({0x00, 5, 0x00})});
  EXPECT_EQ(w->readSizes, std::vector<std::size_t>{3});
  EXPECT_EQ(f.clock.nowMs() - before, 4u);
}

TEST_F(ProtocolTest, GuideHeadBytesBecomeSamplesAndFillBlocksWhenBinned) {
  std::vector<std::uint8_t> frame(145'000);
  for (std::size_t i = 0; i < frame.size(); ++i)
    frame[i] = static_cast<std::uint8_t>(i % 251);
  reply(frame);
  ReadGuideHead(program(), false);
  const auto& image = program().devices.guideImage;
  for (std::size_t i : {0u, 1u, 250u, 251u, 499u, 500u, 144'999u}) {
    EXPECT_EQ(image[i], (i % 251) * 256) << i;
  }

  std::vector<std::uint8_t> binned(36'250);
  for (std::size_t i = 0; i < binned.size(); ++i)
    binned[i] = static_cast<std::uint8_t>(i % 253);
  reply(binned);
  ReadGuideHead(program(), true);
  for (int y : {0, 1, 144, 288, 289}) {
    for (int x : {0, 1, 2, 3, 498, 499}) {
      const std::size_t source =
          static_cast<std::size_t>(y / 2) * 250 + static_cast<std::size_t>(x / 2);
      EXPECT_EQ(image[static_cast<std::size_t>(y) * 500 + x], (source % 253) * 256)
          << x << "," << y;
    }
  }
}

// A window with background samples in bin 3 and one star whose rows 59 and 60 carry the full
// profile (columns 55..64) and rows 58, 61 and 62 half of it.
std::vector<std::uint16_t> focusWindowWithStar() {
  std::vector<std::uint16_t> w(128 * 128, 800);
  const int profile[] = {900, 1500, 3000, 9000, 15000, 30000, 16000, 9500, 2800, 1200};
  for (int row = 58; row <= 62; ++row) {
    for (int i = 0; i < 10; ++i) {
      const int value = (row == 59 || row == 60) ? profile[i] : profile[i] / 2;
      w[static_cast<std::size_t>(row * 128 + 55 + i)] = static_cast<std::uint16_t>(value);
    }
  }
  return w;
}

TEST(FocusMeasurement, PeakHalfLevelAndWidth) {
  auto w = focusWindowWithStar();
  const FocusMeasurement m = measureFocusWindow(w);
  // The first 30000 whose upper neighbour also beats the running maximum is on row 59 (the one
  // on row 60 does not exceed the maximum already found). Background bin 800 / 256 = 3: half
  // level 3 * 128 + 30000 / 2 = 15384; above it on row 59 are columns 60 and 61.
  EXPECT_EQ(m.peak, 30000);
  EXPECT_EQ(m.row, 59);
  EXPECT_EQ(m.column, 60);
  EXPECT_EQ(m.fwhm, 2);
}

TEST(FocusMeasurement, ALoneHotSampleIsNotTheStar) {
  auto w = focusWindowWithStar();
  w[20 * 128 + 20] = 60000;  // the sample above it is background
  const FocusMeasurement m = measureFocusWindow(w);
  EXPECT_EQ(m.peak, 30000);
  EXPECT_EQ(m.row, 59);
}

}  // namespace
}  // namespace nvk::camera
