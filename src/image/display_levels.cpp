#include "image/display_levels.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <mutex>

#include "base/parallel_rows.h"
#include "base/simd.h"

namespace nvk::image {

namespace {

using Histogram = std::array<std::size_t, 256>;

// The rows of one band of the automatic colour stretch's pass.
constexpr int kLevelBandRows = 32;

// Adds the high-byte levels of the samples [begin, end) to `histogram`. Four histograms are
// filled in turn: in a run of sky samples, all in one level, a count does not wait for the one
// before it to be stored.
void addLevels(const std::uint16_t* p, std::size_t begin, std::size_t end, Histogram& histogram) {
  std::array<Histogram, 4> partial{};
  std::size_t i = begin;
  for (; i + 4 <= end; i += 4) {
    ++partial[0][p[i] >> 8];
    ++partial[1][p[i + 1] >> 8];
    ++partial[2][p[i + 2] >> 8];
    ++partial[3][p[i + 3] >> 8];
  }
  for (; i < end; ++i)
    ++partial[0][p[i] >> 8];
  for (std::size_t level = 0; level < histogram.size(); ++level)
    histogram[level] +=
        partial[0][level] + partial[1][level] + partial[2][level] + partial[3][level];
}

// The brightest star sample of the rows [rowBegin, rowEnd), which lie inside the border. Compiled
// at -O3 for processors with AVX2 and for any x86-64, the processor's version chosen at start,
// as the processing's pixel loops are: the search then takes sixteen samples a step.
NVK_VECTORISED int brightestStarInRows(const std::uint16_t* samples, int width, int rowBegin,
                                       int rowEnd) {
  int top = 0;
  const auto w = static_cast<std::size_t>(width);
  for (int y = rowBegin; y < rowEnd; ++y) {
    for (int x = 1; x < width - 1; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
      const int neighbour =
          std::max({samples[i - 1], samples[i + 1], samples[i - w], samples[i + w]});
      top = std::max(top, std::min<int>(samples[i], neighbour));
    }
  }
  return top;
}

}  // namespace

int skyHighByteLevel(std::span<const std::uint16_t> samples) {
  std::array<Histogram, 2> halves{};
  base::onBothHalves(0, static_cast<long>(samples.size()), [&](int half, long b, long e) {
    addLevels(samples.data(), static_cast<std::size_t>(b), static_cast<std::size_t>(e),
              halves[static_cast<std::size_t>(half)]);
  });
  Histogram histogram{};
  for (std::size_t level = 0; level < histogram.size(); ++level)
    histogram[level] = halves[0][level] + halves[1][level];
  return static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

int brightestStarSample(std::span<const std::uint16_t> samples, int width, int height) {
  // The brighter of the two halves' stars wins.
  std::array<int, 2> tops{};
  base::onBothHalves(1, std::max(height - 1, 1), [&](int half, long b, long e) {
    tops[static_cast<std::size_t>(half)] =
        brightestStarInRows(samples.data(), width, static_cast<int>(b), static_cast<int>(e));
  });
  return std::max(tops[0], tops[1]);
}

ColourDisplayStretch autoColourStretch(const ColourPlanes& colour, int width, int height) {
  ColourDisplayStretch stretch;
  const std::array planes{colour.red().data(), colour.green().data(), colour.blue().data()};
  const auto w = static_cast<std::size_t>(width);
  // One pass over bands of rows that both cores take in turn as each is free, each band's three
  // planes searched for the star and counted while their rows are in the cache; the bands'
  // counts and stars are joined as they end.
  std::array<Histogram, 3> histograms{};
  std::array<int, 3> tops{};
  std::mutex joining;
  base::forEachRowBand(
      0, height, kLevelBandRows,
      [&](int rowBegin, int rowEnd) {
        std::array<Histogram, 3> counts{};
        std::array<int, 3> bandTops{};
        // The star search leaves out the first and the last row.
        const int starBegin = std::max(rowBegin, 1);
        const int starEnd = std::min(rowEnd, height - 1);
        for (std::size_t k = 0; k < planes.size(); ++k) {
          if (starBegin < starEnd)
            bandTops[k] = brightestStarInRows(planes[k], width, starBegin, starEnd);
          addLevels(planes[k], static_cast<std::size_t>(rowBegin) * w,
                    static_cast<std::size_t>(rowEnd) * w, counts[k]);
        }
        const std::lock_guard lock(joining);
        for (std::size_t k = 0; k < planes.size(); ++k) {
          tops[k] = std::max(tops[k], bandTops[k]);
          for (std::size_t level = 0; level < counts[k].size(); ++level)
            histograms[k][level] += counts[k][level];
        }
      },
      [](int) {});
  for (std::size_t k = 0; k < planes.size(); ++k) {
    const Histogram& h = histograms[k];
    stretch.black[k] = static_cast<int>(std::max_element(h.begin(), h.end()) - h.begin()) * 256;
    stretch.white[k] = std::max(stretch.black[k] + 1, tops[k]);
  }
  stretch.automatic = true;
  return stretch;
}

}  // namespace nvk::image
