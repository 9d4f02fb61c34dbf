#include "process/filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "base/simd.h"
#include "process/frame.h"
#include "process/random_frames.h"
#include "process/undo.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

using Frame = std::vector<std::uint16_t>;
constexpr int kW = image::kFullWidth;
constexpr int kH = image::kFullHeight;

// --- plain versions, written as the filters are described, one sample at a time ---

// The kernel filter: the (2d + 1)^2 window of the unfiltered frame times the weights, divided
// by the divisor toward zero, clamped, for rows firstRow .. height - d - 1.
Frame referenceKernel(const Frame& in, int width, int height, const FilterKernel& k, int firstRow) {
  Frame out = in;
  const int d = k.radius;
  for (int y = firstRow; y <= height - d - 1; ++y) {
    for (int x = d; x <= width - d - 1; ++x) {
      long e = 0;
      for (int j = -d; j <= d; ++j) {
        for (int i = -d; i <= d; ++i) {
          e += static_cast<long>(k.weight(j + d, i + d)) * in[(y + j) * width + x + i];
        }
      }
      e /= k.divisor;
      out[y * width + x] = e > 65280 ? 65535 : e < 0 ? 0 : static_cast<std::uint16_t>(e);
    }
  }
  return out;
}

// The unsharp mask with its running window sum moved one column at a time.
Frame referenceUnsharp(const Frame& in, int width, int height, int c, int p, int firstRow) {
  Frame out = in;
  const int n = (2 * c + 1) * (2 * c + 1);
  for (int y = firstRow; y <= height - c - 1; ++y) {
    long s = 0;
    for (int j = -c; j <= c; ++j) {
      for (int i = -c; i <= c; ++i)
        s += in[(y + j) * width + c + i];
    }
    for (int x = c; x <= width - c - 2; ++x) {
      const long mean = s / n;
      const long v = in[y * width + x];
      const long e = v + (v - mean) * p;
      out[y * width + x] = e > 65280 ? 65535 : e < 0 ? 0 : static_cast<std::uint16_t>(e);
      for (int j = -c; j <= c; ++j) {
        s += in[(y + j) * width + x + c + 1];
        s -= in[(y + j) * width + x - c];
      }
    }
  }
  return out;
}

// One median-filter sample: take the largest remaining value k times; the minimum starts at
// 65000; threshold = trunc((max - min) * q * 0.1).
std::uint16_t referenceMedianSample(const Frame& in, int width, int x, int y, int r, int q) {
  std::vector<int> window;
  int least = 65000;
  for (int j = -r; j <= r; ++j) {
    for (int i = -r; i <= r; ++i) {
      const int v = in[(y + j) * width + x + i];
      window.push_back(v);
      least = std::min(least, v);
    }
  }
  const int k = static_cast<int>(window.size()) / 2 + 1;
  int most = 0;
  int median = 0;
  for (int t = 1; t <= k; ++t) {
    auto largest = std::max_element(window.begin(), window.end());
    if (t == 1) most = *largest;
    median = *largest;
    window.erase(largest);
  }
  const int threshold = static_cast<int>((most - least) * q * 0.1);
  const int centre = in[y * width + x];
  return std::abs(median - centre) > threshold ? static_cast<std::uint16_t>(median)
                                               : static_cast<std::uint16_t>(centre);
}

Frame referenceMedian(const Frame& in, int width, int height, int r, int q, int firstRow) {
  Frame out = in;
  for (int y = firstRow; y <= height - r - 1; ++y) {
    for (int x = r; x <= width - r - 1; ++x) {
      out[y * width + x] = referenceMedianSample(in, width, x, y, r, q);
    }
  }
  return out;
}

Frame run(const Frame& in, int width, int height, int firstRow, auto filterRows) {
  Frame out = in;
  filterRows(FilterFrames{in.data(), out.data(), width, height}, firstRow);
  return out;
}

constexpr KernelId kAllKernels[] = {KernelId::LowPass,         KernelId::HighPassLowPower,
                                    KernelId::Gaussian,        KernelId::HighPassHighPower,
                                    KernelId::SmootherSharper, KernelId::BasRelief};

// --- optimised loops against the plain versions, on random full frames ---

TEST(FilterKernelsTest, EveryKernelMatchesThePlainVersionOnRandomFullFrames) {
  const Frame in = test::randomFrame(kW, kH, 11);
  for (KernelId id : kAllKernels) {
    const FilterKernel& k = kernel(id);
    const Frame expected = referenceKernel(in, kW, kH, k, k.radius);
    const Frame got = run(in, kW, kH, k.radius, [&](const FilterFrames& f, int first) {
      convolveRows(k, f, first, kH - k.radius);
    });
    EXPECT_TRUE(got == expected) << k.historyLine;
  }
}

TEST(FilterKernelsTest, UnsharpMaskMatchesTheRunningSumAtEveryRadius) {
  const Frame full = test::randomFrame(kW, kH, 13);
  for (int c : {1, 4, 7}) {
    const int p = c == 4 ? 7 : c;
    const Frame got = run(full, kW, kH, c,
                          [&](const FilterFrames& f, int b) { unsharpRows(f, b, kH - c, c, p); });
    EXPECT_TRUE(got == referenceUnsharp(full, kW, kH, c, p, c)) << "radius " << c;
  }
  const int w = image::kBinnedWidth, h = image::kBinnedHeight;
  const Frame binned = test::randomFrame(w, h, 14);
  for (int c = 1; c <= 7; ++c) {
    for (int p : {1, 3}) {
      // Bands of rows as the command hands them out: the column sums restart at each band.
      const Frame got = run(binned, w, h, c + 10, [&](const FilterFrames& f, int b) {
        for (int row = b; row < h - c; row += 32)
          unsharpRows(f, row, std::min(row + 32, h - c), c, p);
      });
      EXPECT_TRUE(got == referenceUnsharp(binned, w, h, c, p, c + 10)) << c << " " << p;
    }
  }
}

// Every radius and power on random frames; the widths lie around the sixteen-sample blocks,
// including the narrow fall-back, and the border keeps its input.
TEST(FilterKernelsTest, MedianMatchesTheSelectionByRepeatedMaximumOnRandomFrames) {
  for (int w : {9, 17, 22, 37, 64}) {
    const int h = 12;
    const Frame in = test::randomFrame(w, h, 20 + w);
    for (int r = 1; r <= 3; ++r) {
      for (int q = 1; q <= 10; ++q) {
        const Frame got =
            run(in, w, h, r, [&](const FilterFrames& f, int b) { medianRows(f, b, h - r, r, q); });
        EXPECT_TRUE(got == referenceMedian(in, w, h, r, q, r)) << w << " " << r << " " << q;
      }
    }
  }
}

// The radius-1 median takes thirty-two samples at once where the processor has 512-bit vectors:
// widths around those blocks, from a single one (34) to a last block overlapping the one before.
TEST(FilterKernelsTest, RadiusOneMedianMatchesAroundThirtyTwoSampleBlocks) {
  for (int w : {34, 35, 50, 66, 97}) {
    const int h = 9;
    const Frame in = test::randomFrame(w, h, 40 + w);
    for (int q : {1, 6, 10}) {
      const Frame got =
          run(in, w, h, 1, [&](const FilterFrames& f, int b) { medianRows(f, b, h - 1, 1, q); });
      EXPECT_TRUE(got == referenceMedian(in, w, h, 1, q, 1)) << w << " " << q;
    }
  }
}

// Processors with AVX2 and no AVX-512 take their own radius-1 median, two rows at a time, its
// blocks placed by where the output rows lie: every power, widths around the sixteen-sample
// blocks (the plainer path below 18), the output at every 2-byte place of a 32-byte piece, and
// rows handed out in bands of three, so that a band ends on a lone row, inside the frame and at
// its last row.
TEST(FilterKernelsTest, RadiusOneMedianMatchesAtEachVectorLevel) {
  for (const base::SimdLevel level : {base::SimdLevel::Avx2, base::SimdLevel::Avx512}) {
    base::setSimdCeiling(level);
    for (int w : {17, 18, 32, 33, 34, 47, 49, 81}) {
      const int h = 11;
      const Frame in = test::randomFrame(w, h, 60 + w);
      for (int q = 1; q <= 10; ++q) {
        const Frame expected = referenceMedian(in, w, h, 1, q, 1);
        for (int place = 0; place < 16; ++place) {
          Frame store(in.size() + 32);
          const auto address = reinterpret_cast<std::uintptr_t>(store.data());
          std::uint16_t* out = store.data() + (32 - address % 32) % 32 / 2 + place;
          std::copy(in.begin(), in.end(), out);
          for (int row = 1; row < h - 1; row += 3)
            medianRows({in.data(), out, w, h}, row, std::min(row + 3, h - 1), 1, q);
          EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out))
              << static_cast<int>(level) << " " << w << " " << q << " " << place;
        }
      }
    }
  }
  base::setSimdCeiling(base::SimdLevel::Avx512);
}

// --- the commands on the program, against values worked out by hand ---

class FilterCommandTest : public ::testing::Test {
 protected:
  test::ProgramFixture f;
  image::Plane raw() { return f.program.planes.RawImage; }
  std::uint16_t& at(int x, int y) { return raw()[y * f.program.geometry.width + x]; }
  void fill(std::uint16_t v) { std::fill_n(raw().begin(), f.program.geometry.pixelCount, v); }
  void useBinned() {
    f.program.state.binned = true;
    f.program.applyGeometry();
  }
};

TEST_F(FilterCommandTest, HighPassLowPowerOnASingleBrightSample) {
  useBinned();
  fill(0);
  at(100, 100) = 1000;
  KernelFilterCommand(f.program, KernelId::HighPassLowPower);
  EXPECT_EQ(at(100, 100), 5000);
  EXPECT_EQ(at(99, 100), 0);  // -1000 clamps to 0
  EXPECT_EQ(at(100, 101), 0);
  EXPECT_EQ(f.program.history.slot(0), "High Pass Low Power Filter");
  // 13108 x 5 = 65540 saturates; 13056 x 5 = 65280 is kept; 13057 x 5 = 65285 saturates.
  for (auto [v, expected] : {std::pair{13108, 65535}, {13056, 65280}, {13057, 65535}}) {
    fill(0);
    at(50, 50) = static_cast<std::uint16_t>(v);
    KernelFilterCommand(f.program, KernelId::HighPassLowPower);
    EXPECT_EQ(at(50, 50), expected) << v;
  }
}

TEST_F(FilterCommandTest, BordersAndTheLabelBandKeepTheirValues) {
  useBinned();
  const int w = f.program.geometry.width, h = f.program.geometry.height;
  test::fillRandomFrame(raw().first(f.program.geometry.pixelCount), w, 3);
  for (int i = 0; i < 6; ++i)
    raw()[i] = 17;  // the label marker
  const Frame before(raw().begin(), raw().begin() + f.program.geometry.pixelCount);
  struct Case {
    const char* name;
    int top, bottom, left, right;
    std::function<void()> apply;
  };
  const Case cases[] = {
      {"gaussian", 12, 2, 2, 2, [&] { KernelFilterCommand(f.program, KernelId::Gaussian); }},
      {"unsharp", 13, 3, 3, 4, [&] { UnsharpMask(f.program, 3, 2); }},
      {"median", 11, 1, 1, 1, [&] { MedianFilter(f.program, 1, 1); }},
  };
  for (const Case& c : cases) {
    std::copy(before.begin(), before.end(), raw().begin());
    c.apply();
    int changedOutside = 0, changedInside = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const bool inside = y >= c.top && y < h - c.bottom && x >= c.left && x < w - c.right;
        const bool changed = at(x, y) != before[y * w + x];
        (inside ? changedInside : changedOutside) += changed;
      }
    }
    EXPECT_EQ(changedOutside, 0) << c.name;
    EXPECT_GT(changedInside, 0) << c.name;
  }
}

TEST_F(FilterCommandTest, AutomaticUnsharpMaskUsesTheSettingsAndDoesNotRedraw) {
  useBinned();
  fill(0);
  at(30, 30) = 1000;
  f.program.settings.autoUnsharpDiameter = 2;
  f.program.settings.autoUnsharpPower = 3;
  AutoUnsharpMask(f.program);
  // mean 1000 / 25 = 40; 1000 + 960 x 3 = 3880
  EXPECT_EQ(at(30, 30), 3880);
  EXPECT_EQ(f.ui.redraws(), 0);
  EXPECT_EQ(f.program.history.slot(0), "Unsharp Mask : rad 2 ,power 3");
}

TEST_F(FilterCommandTest, MedianReplacesAnIsolatedHotSampleOnlyAtLowPower) {
  useBinned();
  fill(100);
  at(40, 40) = 5000;
  MedianFilter(f.program, 1, 10);  // power 1.0 never changes a sample
  EXPECT_EQ(at(40, 40), 5000);
  EXPECT_EQ(f.program.history.slot(0), "Median Filter : rad 1 ,power 1.0");
  MedianFilter(f.program, 2, 1);
  EXPECT_EQ(at(40, 40), 100);
  EXPECT_EQ(f.program.history.slot(1), "Median Filter : rad 2 ,power 0.1");
}

TEST_F(FilterCommandTest, ProgressCaptionsAndRowPositions) {
  struct Case {
    bool binned;
    std::function<void()> apply;
    const char* caption;
    std::vector<int> firstPositions;
  };
  const Case cases[] = {
      {false,
       [&] { KernelFilterCommand(f.program, KernelId::LowPass); },
       "FILTER PROGRESS",
       {0, 16, 32}},
      {true, [&] { UnsharpMask(f.program, 3, 1); }, "UNSHARP MASK PROGRESS", {1, 35, 68}},
      {true, [&] { MedianFilter(f.program, 2, 6); }, "MEDIAN FILTER PROGRESS", {1, 34, 68}},
  };
  for (const Case& c : cases) {
    f.program.state.binned = c.binned;
    f.program.applyGeometry();
    f.ui.clearRecord();
    c.apply();
    ASSERT_EQ(f.ui.progressCaptions(), std::vector<std::string>{c.caption});
    const auto positions = f.ui.progressPositions();
    ASSERT_GE(positions.size(), 3u);
    EXPECT_EQ(std::vector<int>(positions.begin(), positions.begin() + 3), c.firstPositions);
    EXPECT_FALSE(f.ui.progressOpen());
    EXPECT_EQ(f.ui.redraws(), 1);
    EXPECT_FALSE(f.ui.busy());
  }
}

}  // namespace
}  // namespace nvk::process
