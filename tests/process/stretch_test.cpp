#include "process/stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "process/filters.h"
#include "process/random_frames.h"
#include "process/undo.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

class StretchTest : public ::testing::Test {
 protected:
  test::ProgramFixture f;
  app::Program& p = f.program;

  StretchTest() {
    p.state.binned = true;
    p.applyGeometry();
  }
  image::Plane raw() { return p.planes.RawImage; }
  std::size_t pixels() const { return p.geometry.pixelCount; }
  // Puts `values` at the start of the rows below the top ten and returns their positions.
  std::size_t placeSamples(const std::vector<int>& values) {
    const std::size_t at = std::size_t{20} * p.geometry.width;
    for (std::size_t i = 0; i < values.size(); ++i)
      raw()[at + i] = static_cast<std::uint16_t>(values[i]);
    return at;
  }
  std::vector<int> samplesAt(std::size_t at, std::size_t count) {
    return std::vector<int>(raw().begin() + at, raw().begin() + at + count);
  }
};

TEST_F(StretchTest, EachStretchMapsBoundarySamplesAsWorkedOutByHand) {
  const std::vector<int> in{0, 1, 2, 32768, 65277, 65279, 65280, 65522, 65524, 65535};
  struct Case {
    const char* name;
    std::function<void()> stretch;
    std::vector<int> out;
    const char* history;
  };
  const Case cases[] = {
      // black 0, white 255: v rounded down to even below 65280, 65534 from there on
      {"normal",
       [&] { NormalStretch(p, 0, 255); },
       {0, 0, 2, 32768, 65276, 65278, 65534, 65534, 65534, 65534},
       "Normal Stretch : max 510 , min : 0"},
      // white 300: trunc(i x 255 / 300) never reaches 32767
      {"normal 300",
       [&] { NormalStretch(p, 0, 300); },
       {0, 0, 0, 27852, 55484, 55486, 55488, 55692, 55694, 55702},
       "Normal Stretch : max 600 , min : 0"},
      // power 2: i^2 / 32768
      {"power",
       [&] { PowerLawStretch(p, 20); },
       {0, 0, 0, 16384, 65016, 65020, 65024, 65508, 65512, 65532},
       "Power Stretch :  2.0"},
      {"invert",
       [&] { InvertImage(p); },
       {65534, 65534, 65532, 32766, 258, 256, 254, 12, 10, 0},
       "Invert Image to Negative"},
      // e^(i / 3151) - 1 reaches the limit at i = 32762
      {"antilog",
       [&] { AntilogStretch(p); },
       {0, 0, 0, 360, 63012, 63032, 63052, 65520, 65534, 65534},
       "Antilog Stretch"},
      {"sine",
       [&] { SineStretch(p); },
       {0, 0, 0, 32766, 65528, 65528, 65528, 65530, 65530, 65530},
       "Sine Stretch"},
      {"log",
       [&] { LogStretch(p); },
       {0, 0, 4368, 61154, 65498, 65498, 65498, 65522, 65522, 65522},
       "Log Stretch"},
      // c = 2: 2 x 32768 x x / (x + 1); i = 16384 gives 21845
      {"non-linear",
       [&] { NonLinearStretch(p, 2); },
       {0, 0, 2, 43690, 65404, 65406, 65406, 65528, 65528, 65534},
       "Non-Linear Stretch : power 2"},
  };
  for (const Case& c : cases) {
    p.history.clear();
    const std::size_t at = placeSamples(in);
    c.stretch();
    EXPECT_EQ(samplesAt(at, in.size()), c.out) << c.name;
    EXPECT_EQ(p.history.slot(0), c.history) << c.name;
  }
}

TEST_F(StretchTest, ConditionsThatLeaveTheImageAlone) {
  const std::size_t at = placeSamples({1001, 2001});
  EXPECT_FALSE(NormalStretch(p, 100, 100));
  EXPECT_FALSE(NormalStretch(p, 120, 100));
  EXPECT_FALSE(PowerLawStretch(p, 10));
  p.processing.background.mode = 2;
  EXPECT_FALSE(RemoveBackground(p, true));
  EXPECT_EQ(samplesAt(at, 2), (std::vector<int>{1001, 2001}));
  EXPECT_EQ(p.history.usedCount(), 0);
  EXPECT_TRUE(f.ui.progressEvents().empty());
}

TEST_F(StretchTest, RemoveBackgroundUsesTheLastEstimateAndSetsTheBlackLevel) {
  p.processing.background.mode = 3;
  const std::size_t at = placeSamples({256, 257, 258, 764, 65535});
  EXPECT_TRUE(RemoveBackground(p, true));
  // B = 128: table[i] = trunc((i - 128) x 255 / 254)
  EXPECT_EQ(samplesAt(at, 5), (std::vector<int>{0, 0, 2, 510, 65534}));
  EXPECT_EQ(p.processing.normalStretchBlack, 128);
  EXPECT_EQ(p.history.slot(0), "Background Removed : min 2");
  EXPECT_EQ(f.ui.redraws(), 1);
}

TEST_F(StretchTest, ApplyingATableReportsTwentyPartsAndKeepsTheLabelledBand) {
  test::fillRandomFrame(raw().first(pixels()), p.geometry.width, 4);
  const std::vector<std::uint16_t> before(raw().begin(), raw().begin() + pixels());
  InvertImage(p);
  EXPECT_EQ(f.ui.progressCaptions(), std::vector<std::string>{"CONTRAST STRETCH"});
  std::vector<int> expected;
  for (int i = 0; i < 20; ++i)
    expected.push_back(12 * i);
  EXPECT_EQ(f.ui.progressPositions(), expected);
  EXPECT_FALSE(f.ui.progressOpen());
  for (std::size_t i = 0; i < pixels(); ++i) {
    ASSERT_EQ(raw()[i], 65534 - (before[i] & ~1)) << i;
  }
  // Labelled: the first ten rows are left unchanged, the rest is stretched.
  std::copy(before.begin(), before.end(), raw().begin());
  for (int i = 0; i < 6; ++i)
    raw()[i] = 17;
  InvertImage(p);
  const std::size_t band = std::size_t{10} * p.geometry.width;
  EXPECT_EQ(raw()[6], before[6]);
  EXPECT_EQ(raw()[band - 1], before[band - 1]);
  EXPECT_EQ(raw()[band], 65534 - (before[band] & ~1));
  EXPECT_EQ(raw()[4], 17);
}

// Regression: the bins were 16-bit, so a binned sky frame with more than 65,535 samples in one
// bin wrapped round and a smaller bin was taken for the background.
TEST_F(StretchTest, BackgroundBinsCountPastSixteenBits) {
  const std::size_t begin = std::size_t{5} * p.geometry.width;       // half of the first ten rows
  const std::size_t count = std::size_t{9} * 10 * p.geometry.width;  // 136,800
  ASSERT_EQ(count, 136'800u);
  std::fill_n(raw().begin(), pixels(), 0);
  std::fill_n(raw().begin() + begin, 100'000, 40 * 256 + 7);
  std::fill_n(raw().begin() + begin + 100'000, count - 100'000, 90 * 256);
  EstimateBackground(p);
  EXPECT_EQ(p.processing.background.counts[40], 100'000u);
  EXPECT_EQ(p.processing.background.counts[90], count - 100'000);
  EXPECT_EQ(p.processing.background.mode, 40);
  // Samples outside the band are not counted.
  EXPECT_EQ(p.processing.background.counts[0], 0u);
}

TEST_F(StretchTest, AutomaticProcessingRunsTheChosenStepsInOrder) {
  test::fillRandomFrame(raw().first(pixels()), p.geometry.width, 6);
  std::fill_n(raw().begin(), 20 * p.geometry.width, 30 * 256);  // a background of bin 30
  const std::vector<std::uint16_t> before(raw().begin(), raw().begin() + pixels());

  // The same steps by hand on a second program.
  test::ProgramFixture g;
  g.program.state.binned = true;
  g.program.applyGeometry();
  std::copy(before.begin(), before.end(), g.program.planes.RawImage.begin());
  EstimateBackground(g.program);
  ASSERT_EQ(g.program.processing.background.mode, 30);
  fillRemoveBackgroundTable(g.program.processing.stretchTable, 30);
  applyStretchTable(g.program, false);
  fillNonLinearTable(g.program.processing.stretchTable, 18.0);
  applyStretchTable(g.program, false);
  KernelFilter(g.program, kernel(KernelId::HighPassLowPower), false);
  UnsharpMask(g.program, 4, 2);

  p.settings.autoStrongStretch = true;
  p.settings.autoRemoveBackground = true;
  p.settings.autoHighPassLowPower = true;
  p.settings.autoUnsharpMask = true;
  p.settings.autoUnsharpDiameter = 4;
  p.settings.autoUnsharpPower = 2;
  AutoProcess(p);
  EXPECT_TRUE(
      std::equal(raw().begin(), raw().begin() + pixels(), g.program.planes.RawImage.begin()));
  EXPECT_EQ(p.history.slot(0), "Background Removed : min 56");  // B = 30 x 128 - 256 = 3584
  EXPECT_EQ(p.history.slot(1), "High Pass Low Power Filter");
  EXPECT_EQ(p.history.slot(2), "Unsharp Mask : rad 4 ,power 2");
  EXPECT_EQ(f.ui.redraws(), 1);
}

TEST_F(StretchTest, UndoRestoresTheFrameOnceAndEmptiesTheLastHistoryLine) {
  const std::size_t at = placeSamples({100, 200});
  p.history.add("Dark Frame Subtracted");
  EXPECT_FALSE(UndoLastFilter(p));  // nothing to undo yet
  EXPECT_EQ(p.history.usedCount(), 1);
  InvertImage(p);
  EXPECT_EQ(p.history.usedCount(), 2);
  EXPECT_TRUE(UndoLastFilter(p));
  EXPECT_EQ(samplesAt(at, 2), (std::vector<int>{100, 200}));
  EXPECT_EQ(p.history.usedCount(), 1);
  EXPECT_FALSE(UndoLastFilter(p));
  EXPECT_EQ(p.history.usedCount(), 1);
}

}  // namespace
}  // namespace nvk::process
