// Every readout mode through the simulated camera head showing a known pattern: the decoded
// RawImage must hold the pattern's samples where the layout of the mode puts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "camera/discovery.h"
#include "camera/protocol.h"
#include "camera/readout.h"
#include "camera/reference_resample.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::camera {
namespace {

constexpr std::uint16_t kStale = 0xBEEF;

// Sensor pixel value of the test pattern; small enough that 32 of them sum below 65536.
std::uint16_t pattern(int row, int column) {
  return static_cast<std::uint16_t>((row * 3 + column * 5 + ((row ^ column) & 7)) % 2000);
}

// One sample of the camera's line stream: line `line`, sample `j` (cells of 4 in the order
// top-left, bottom-left, bottom-right, top-right); 0 off the sensor.
std::uint32_t streamSample(int line, int j) {
  if (line < 0 || line >= 1008 || j < 0 || j >= 6064) return 0;
  const int cell = j / 4;
  const int q = j % 4;
  const int row = 2 * line + (q == 1 || q == 2 ? 1 : 0);
  const int column = 2 * cell + (q >= 2 ? 1 : 0);
  return pattern(row, column);
}

// A binned sample: `binX` stream samples from `j` on, over `binY` lines from `line` on.
std::uint32_t binnedSample(int line, int j, int binX, int binY) {
  std::uint32_t sum = 0;
  for (int a = 0; a < binY; ++a) {
    for (int b = 0; b < binX; ++b)
      sum += streamSample(line + a, j + b);
  }
  return std::min<std::uint32_t>(sum, 65535);
}

class ReadoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.program.devices.enumerator = &sim;
    ASSERT_EQ(OpenCamera(f.program), 1);
    ASSERT_TRUE(f.program.devices.cameraConnected);
    sim.camera().setTestPattern(pattern);
    std::fill(raw().begin(), raw().end(), kStale);
  }

  image::Plane raw() { return f.program.planes.RawImage; }
  std::uint16_t at(int x, int y, int width) {
    return raw()[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x];
  }

  // Compares the whole width x height image with `expected`, reporting the first mismatch.
  void expectImage(int width, int height, const std::function<std::uint32_t(int, int)>& expected,
                   const std::uint16_t* image = nullptr) {
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t want = expected(x, y);
        const std::uint32_t got = image ? image[y * width + x] : at(x, y, width);
        if (want != got && mismatches++ == 0) {
          ADD_FAILURE() << "first mismatch at (" << x << ", " << y << "): " << got << " instead of "
                        << want;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }

  test::ProgramFixture f;
  sim::SimulatedDevices sim{f.clock};
};

TEST_F(ReadoutTest, HighResolutionUnscramblesToTheSensorLayout) {
  ReadImageForMode(f.program, image::ReadoutMode::HighResolution, 1000);
  EXPECT_EQ(f.program.state.modeCode, '1');
  EXPECT_TRUE(f.program.devices.interleaved);
  // The sensor covers 3032 x 2016 of the 3040 x 2024 image; the rest keeps what it held.
  expectImage(3040, 2024, [](int x, int y) -> std::uint32_t {
    return (x < 3032 && y < 2016) ? pattern(y, x) : kStale;
  });
}

TEST_F(ReadoutTest, Mode7FillsTheOddRowsOfTheLineLayout) {
  ReadImageForMode(f.program, image::ReadoutMode::FullFrameBinned7, 1000);
  EXPECT_EQ(f.program.state.modeCode, '7');
  // The even rows keep the lines as read; odd rows are the integer halves of their neighbours.
  auto lineLayout = [](int x, int y) -> std::uint32_t {
    const std::size_t index = static_cast<std::size_t>(y) * 3040 + x;
    const int k = static_cast<int>(index / 6080);
    const int j = static_cast<int>(index % 6080);
    return (k < 1008 && j < 6064) ? streamSample(k, j) : kStale;
  };
  expectImage(3040, 2024, [&](int x, int y) -> std::uint32_t {
    if (y == 2023) return lineLayout(x, 2022);
    if (y % 2 == 0) return lineLayout(x, y);
    return lineLayout(x, y - 1) / 2 + lineLayout(x, y + 1) / 2;
  });
}

TEST_F(ReadoutTest, Binned2x2PutsTwoLinesInEverySlotOf3040) {
  ReadImageForMode(f.program, image::ReadoutMode::Binned2x2, 1500);
  EXPECT_EQ(f.program.state.modeCode, '2');
  EXPECT_FALSE(f.program.devices.interleaved);
  expectImage(1520, 1012, [](int x, int y) -> std::uint32_t {
    const int slot = y / 2;
    const int t = (y % 2) * 1520 + x;  // position in the slot
    if (slot >= 504 || t >= 3032) return kStale;
    const int line = 2 * slot + t / 1516;
    return binnedSample(line, 4 * (t % 1516), 4, 1);
  });
}

TEST_F(ReadoutTest, Binned4x4WidensEveryLineAndInterpolatesTheRowsBetween) {
  ReadImageForMode(f.program, image::ReadoutMode::Binned4x4, 3000);
  EXPECT_EQ(f.program.state.modeCode, '4');
  EXPECT_FALSE(f.program.devices.interleaved);
  auto line = [](int k, int i) { return binnedSample(2 * k, 8 * i, 8, 2); };
  auto evenRow = [&](int x, int y) -> std::uint32_t {
    const int k = y / 2;
    if (k >= 504 || x > 1514) return kStale;  // rows 1008, 1010 and columns 1515.. are not read
    if (x % 2 == 0) return line(k, x / 2);
    return line(k, (x + 1) / 2) / 2 + line(k, (x - 1) / 2) / 2;
  };
  expectImage(1520, 1012, [&](int x, int y) -> std::uint32_t {
    if (y == 1011) return evenRow(x, 1010);
    if (y % 2 == 0) return evenRow(x, y);
    return evenRow(x, y - 1) / 2 + evenRow(x, y + 1) / 2;
  });
  // Worked by hand: column 1 of row 0 is the mean of the first two binned samples by halves.
  EXPECT_EQ(at(1, 0, 1520), line(0, 1) / 2 + line(0, 0) / 2);
}

TEST_F(ReadoutTest, Binned4x8IsResampledBilinearlyToTheBinnedGrid) {
  ReadImageForMode(f.program, image::ReadoutMode::Binned4x8, 1000);
  EXPECT_EQ(f.program.state.modeCode, '3');
  auto input = [](int y, int x) { return binnedSample(4 * y, 8 * x, 8, 4); };
  expectImage(1520, 1012, [&](int x, int y) -> std::uint32_t {
    return test::referenceBilinear4x8(input, y, x);
  });
  // The corners: (0, 0) is the first input sample; the last row and column stand on the last
  // input sample alone.
  EXPECT_EQ(at(0, 0, 1520), input(0, 0));
  EXPECT_EQ(at(1519, 1011, 1520), input(251, 757));
}

// Near the corner the offsets go negative: x -1320 samples (sensor column -660), y -248 lines
// (sensor row -496), and what lies off the sensor reads black.
TEST_F(ReadoutTest, SubFrameHalfIsUnscrambledOverTheWholeBinnedGrid) {
  struct Case {
    int cx, cy, left, top;  // sensor column and row of the sub-frame's corner
  };
  for (const Case c :
       {Case{1520, 1012, 760, 506}, Case{1000, 700, 240, 194}, Case{100, 10, -660, -496}}) {
    SCOPED_TRACE(testing::Message() << c.cx << "," << c.cy);
    std::fill(raw().begin(), raw().end(), kStale);
    f.program.state.subFrameFraction = 2;
    ReadImageForMode(f.program, image::ReadoutMode::SubFrame, 1000, c.cx, c.cy);
    EXPECT_EQ(f.program.state.modeCode, '5');
    EXPECT_TRUE(f.program.devices.interleaved);
    expectImage(1520, 1012, [&](int x, int y) -> std::uint32_t {
      if (x >= 1516 || y >= 1008) return kStale;  // the 8 unused samples of each slot
      const int row = c.top + y, column = c.left + x;
      return row >= 0 && column >= 0 ? pattern(row, column) : 0;
    });
  }
}

TEST_F(ReadoutTest, SubFrameThirdAndQuarterAreCentredOnBlankFrames) {
  struct Case {
    int size, width, height, left, top, sensorLeft, sensorTop;
  };
  for (const Case c :
       {Case{3, 1012, 672, 254, 170, 1014, 676}, Case{4, 758, 504, 381, 254, 1140, 758}}) {
    SCOPED_TRACE(c.size);
    f.program.state.subFrameFraction = static_cast<std::int16_t>(c.size);
    ReadImageForMode(f.program, image::ReadoutMode::SubFrame, 2000, 1520, 1012);
    EXPECT_EQ(f.program.devices.subFrameCode, static_cast<char>('0' + c.size));
    expectImage(1520, 1012, [&](int x, int y) -> std::uint32_t {
      const int bx = x - c.left;
      const int by = y - c.top;
      if (bx < 0 || by < 0 || bx >= c.width || by >= c.height) return 0;
      return pattern(c.sensorTop + by, c.sensorLeft + bx);
    });
  }
}

// The colour-filter site of every sample a sub-frame read holds is the one its origin gives:
// with the sensor's sites coded 1..4 by row and column parity, sample (x, y) of the frame holds
// the code of (origin x + x, origin y + y), for every size and for odd and even centres (an odd
// centre column starts the request in the middle of a cell).
TEST_F(ReadoutTest, SubFrameOriginNamesTheSiteOfEverySample) {
  sim.camera().setTestPattern([](int row, int column) {
    return static_cast<std::uint16_t>(1 + (row & 1) * 2 + (column & 1));
  });
  for (const int size : {2, 3, 4}) {
    for (const auto& [cx, cy] :
         {std::pair{1520, 1012}, std::pair{1001, 700}, std::pair{1234, 777}}) {
      SCOPED_TRACE(testing::Message() << size << " " << cx << "," << cy);
      std::fill(raw().begin(), raw().end(), 0);
      f.program.state.subFrameFraction = static_cast<std::int16_t>(size);
      ReadImageForMode(f.program, image::ReadoutMode::SubFrame, 1000, cx, cy);
      const SensorOrigin origin = subFrameOrigin(subFrameLayout(size, cx, cy));
      int checked = 0;
      expectImage(1520, 1012, [&](int x, int y) -> std::uint32_t {
        const std::uint16_t held = at(x, y, 1520);
        if (held == 0) return 0;  // blank, or off the sensor
        ++checked;
        return 1 + ((origin.y + y) & 1) * 2 + ((origin.x + x) & 1);
      });
      EXPECT_GT(checked, 300'000);
    }
  }
}

TEST_F(ReadoutTest, FocusWindowsUnscrambleIntoA128Square) {
  ReadFocusWindow(f.program, 200, 600, 400, false);
  expectImage(
      128, 128, [](int x, int y) -> std::uint32_t { return pattern(400 + y, 600 + x); },
      f.program.devices.focusWindow.data());
  // Binned: offsets 2 * 600 - 64 = 1136 samples and 400 / 2 - 32 = 168 lines; each cell of the
  // 2 x 2 binned stream fills top-left, bottom-left, bottom-right, top-right.
  ReadFocusWindow(f.program, 200, 600, 400, true);
  expectImage(
      128, 128,
      [](int x, int y) -> std::uint32_t {
        const int q = y % 2 == 0 ? (x % 2 == 0 ? 0 : 3) : (x % 2 == 0 ? 1 : 2);
        return binnedSample(168 + y / 2 * 2, 1136 + 2 * (4 * (x / 2) + q), 2, 2);
      },
      f.program.devices.focusWindow.data());
}

}  // namespace
}  // namespace nvk::camera
