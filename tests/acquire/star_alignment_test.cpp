// Star-aligned summation on hand-made frames: one Gaussian star on a flat background, shifted
// by known amounts between frames.
#include "acquire/star_alignment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace nvk::acquire {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr int kRadius = 9;

struct Frame {
  std::vector<std::uint16_t> samples = std::vector<std::uint16_t>(kWidth * kHeight);
  FrameView view() { return {samples, kWidth, kHeight}; }
  std::uint16_t at(int r, int c) const { return samples[static_cast<std::size_t>(r * kWidth + c)]; }
};

// Background `level` with a round star of `peak` above it at (row, column).
Frame starFrame(double row, double column, double peak, int level = 1000) {
  Frame f;
  for (int r = 0; r < kHeight; ++r) {
    for (int c = 0; c < kWidth; ++c) {
      const double d2 = (r - row) * (r - row) + (c - column) * (c - column);
      const double v = level + peak * std::exp(-d2 / (2 * 2.0 * 2.0));
      f.samples[static_cast<std::size_t>(r * kWidth + c)] =
          static_cast<std::uint16_t>(std::min(v, 65535.0));
    }
  }
  return f;
}

struct SumTest : ::testing::Test {
  std::vector<std::uint16_t> accumulator = std::vector<std::uint16_t>(kWidth * kHeight);
  StarAlignedSum sum{accumulator};
};

TEST_F(SumTest, OnStarAddsTheShiftedAccumulatorExactlyAndKeepsUnreachedSamples) {
  struct Case {
    int dy, dx, divisor;
  };
  for (const Case k : {Case{0, 0, 1}, Case{3, -5, 1}, Case{-7, 4, 1}, Case{2, 6, 3}}) {
    SCOPED_TRACE(::testing::Message() << k.dy << "," << k.dx << "/" << k.divisor);
    sum.clear();
    Frame first = starFrame(150, 200, 20000);
    const Frame firstCopy = first;
    ASSERT_EQ(sum.addOnStar(first.view(), 148, 203, kRadius, k.divisor), AlignStatus::Added);
    EXPECT_EQ(first.samples, firstCopy.samples);  // the image keeps the first frame
    EXPECT_EQ(sum.referenceRow(), 150);
    EXPECT_EQ(sum.referenceColumn(), 200);
    EXPECT_EQ(sum.referencePeak(), 21000);
    for (std::size_t i = 0; i < accumulator.size(); ++i)
      ASSERT_EQ(accumulator[i], firstCopy.samples[i] / k.divisor) << i;

    Frame second = starFrame(150 + k.dy, 200 + k.dx, 20000);
    const Frame secondCopy = second;
    ASSERT_EQ(sum.addOnStar(second.view(), 0, 0, kRadius, k.divisor), AlignStatus::Added);
    EXPECT_EQ(sum.referenceRow(), 150 + k.dy);
    EXPECT_EQ(sum.referenceColumn(), 200 + k.dx);
    for (int r = 0; r < kHeight; ++r) {
      for (int c = 0; c < kWidth; ++c) {
        const int sr = r - k.dy;
        const int sc = c - k.dx;
        int expected = secondCopy.at(r, c) / k.divisor;
        if (sr > 0 && sr < kHeight && sc > 0 && sc < kWidth)
          expected += firstCopy.at(sr, sc) / k.divisor;
        ASSERT_EQ(second.at(r, c), expected) << r << "," << c;
      }
    }
    // The sum is the new accumulator: the star sits where the second frame has it, twice.
    EXPECT_EQ(accumulator[static_cast<std::size_t>((150 + k.dy) * kWidth + 200 + k.dx)],
              2 * (21000 / k.divisor));
  }
}

TEST_F(SumTest, OnStarSaturatesAt65535) {
  Frame first = starFrame(150, 200, 40000, 30000);
  ASSERT_EQ(sum.addOnStar(first.view(), 150, 200, kRadius, 1), AlignStatus::Added);
  Frame second = starFrame(151, 199, 40000, 30000);
  ASSERT_EQ(sum.addOnStar(second.view(), 0, 0, kRadius, 1), AlignStatus::Added);
  EXPECT_EQ(second.at(151, 199), 65535);  // 65535 + 65535
  EXPECT_EQ(second.at(10, 10), 60000);    // 30000 + 30000
  EXPECT_EQ(second.at(0, 10), 30000);     // row 0 has no source row above 0
}

TEST_F(SumTest, OnStarLosesAStarThatChangedTooMuchAndShowsTheSumSoFar) {
  struct Case {
    double peak;  // of the second frame, against 20000 in the first
    AlignStatus status;
  };
  for (const Case k : {Case{20000, AlignStatus::Added}, Case{62000, AlignStatus::Added},
                       Case{64000, AlignStatus::StarLost}, Case{5400, AlignStatus::Added},
                       Case{5000, AlignStatus::StarLost}, Case{0, AlignStatus::StarLost}}) {
    SCOPED_TRACE(k.peak);
    sum.clear();
    Frame first = starFrame(150, 200, 20000);
    ASSERT_EQ(sum.addOnStar(first.view(), 150, 200, kRadius, 1), AlignStatus::Added);
    // Peaks are measured with the background: 21000 x 3 = 63000 and 21000 x 0.3 = 6300.
    Frame second = starFrame(152, 202, k.peak);
    EXPECT_EQ(sum.addOnStar(second.view(), 0, 0, kRadius, 1), k.status);
    if (k.status == AlignStatus::StarLost) {
      EXPECT_EQ(second.samples, first.samples);
      EXPECT_EQ(sum.referenceRow(), 150);
    }
  }
}

TEST_F(SumTest, OnStarSearchLeavingTheImageIsLost) {
  Frame first = starFrame(150, 200, 20000);
  EXPECT_EQ(sum.addOnStar(first.view(), 2, 200, kRadius, 1), AlignStatus::StarLost);
  EXPECT_FALSE(sum.started());
}

TEST_F(SumTest, ProfilesFindTheShiftAndAccumulateOffsets) {
  // The region is rows 100..199 (or 110, 120 onward) and columns 200..299.
  Frame first = starFrame(150, 250, 30000);
  const Frame firstCopy = first;
  ASSERT_EQ(sum.addOnProfiles(first.view(), 1), AlignStatus::Added);
  EXPECT_EQ(first.samples, firstCopy.samples);
  struct Step {
    int dy, dx;  // of the new frame against the first
  };
  Frame expected = firstCopy;
  for (const Step k : {Step{2, -3}, Step{5, -1}}) {
    Frame next = starFrame(150 + k.dy, 250 + k.dx, 30000);
    const Frame nextCopy = next;
    ASSERT_EQ(sum.addOnProfiles(next.view(), 1), AlignStatus::Added);
    EXPECT_EQ(sum.rowOffset(), k.dy);
    EXPECT_EQ(sum.columnOffset(), k.dx);
    for (int r = 0; r < kHeight; ++r) {
      for (int c = 0; c < kWidth; ++c) {
        const int sr = r + k.dy;
        const int sc = c + k.dx;
        if (sr > 0 && sr < kHeight && sc > 0 && sc < kWidth) {
          auto& e = expected.samples[static_cast<std::size_t>(r * kWidth + c)];
          e = static_cast<std::uint16_t>(std::min(65535, e + nextCopy.at(sr, sc)));
        }
      }
    }
    // The sum stays in the first frame's place.
    EXPECT_EQ(next.samples, expected.samples);
  }
}

TEST_F(SumTest, ProfilesNeedABrightRegionAndAStar) {
  // 1000 is background bin 3; nothing in the region reaches 3 x 400.
  Frame flat = starFrame(0, 0, 0);
  EXPECT_EQ(sum.addOnProfiles(flat.view(), 1), AlignStatus::NoRegion);
  EXPECT_FALSE(sum.started());
  // The region may start 10 or 20 rows lower: rows 120..219 reach a star at row 222, rows
  // up to 219 do not reach one at row 240.
  Frame low = starFrame(222, 250, 30000);
  EXPECT_EQ(sum.addOnProfiles(low.view(), 1), AlignStatus::Added);
  sum.clear();
  Frame tooLow = starFrame(240, 250, 30000);
  EXPECT_EQ(sum.addOnProfiles(tooLow.view(), 1), AlignStatus::NoRegion);
  // On a dark background (bin 0) any region will do, but with nothing above the profile
  // level both frames' profiles are empty: no star to align on.
  Frame dark = starFrame(0, 0, 0, 100);
  ASSERT_EQ(sum.addOnProfiles(dark.view(), 2), AlignStatus::Added);
  Frame next = starFrame(0, 0, 0, 120);
  EXPECT_EQ(sum.addOnProfiles(next.view(), 2), AlignStatus::StarLost);
  for (std::size_t i = 0; i < accumulator.size(); ++i)
    ASSERT_EQ(next.samples[i], 50);  // the sum so far: the first frame divided by 2
}

TEST(BrightestStar, FindsTheBrightestBlockInsideTheMargin) {
  Frame f = starFrame(100, 300, 20000);
  f.samples[5 * kWidth + 5] = 65535;    // a hot pixel in the margin
  f.samples[50 * kWidth + 50] = 60000;  // a single hot pixel: not as wide as a star
  const auto [row, column] = brightestStar(f.view(), 10);
  EXPECT_EQ(row, 100);
  EXPECT_EQ(column, 300);
  EXPECT_EQ(backgroundBin(f.view()), 3);
}

TEST(SummationStart, ThePickedStarWhenInsideTheMarginElseTheBrightest) {
  // A bright star at (100, 300) and a fainter one at (200, 80).
  Frame f = starFrame(100, 300, 20000);
  Frame faint = starFrame(200, 80, 5000, 0);
  for (std::size_t i = 0; i < f.samples.size(); ++i)
    f.samples[i] = static_cast<std::uint16_t>(f.samples[i] + faint.samples[i]);
  struct Case {
    std::optional<std::array<int, 2>> picked;
    std::array<int, 2> start;
  };
  const Case cases[] = {
      {std::nullopt, {100, 300}},  // nothing picked: the brightest
      {std::array{200, 80}, {200, 80}},
      {std::array{197, 84}, {197, 84}},  // the centroid search starts where the user clicked
      {std::array{10, 10}, {10, 10}},    // just inside the margin
      {std::array{9, 200}, {100, 300}},  // too near an edge for the search box
      {std::array{150, kWidth - 10}, {100, 300}},
      {std::array{kHeight, 200}, {100, 300}},  // outside the frame (picked on a larger image)
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.picked ? (*k.picked)[0] * 10000 + (*k.picked)[1] : -1);
    EXPECT_EQ(summationStart(f.view(), k.picked, 10), k.start);
  }
}

}  // namespace
}  // namespace nvk::acquire
