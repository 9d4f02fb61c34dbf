#include "image/display_levels.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "base/parallel_rows.h"
#include "base/simd.h"

namespace nvk::image {

namespace {

using Histogram = std::array<std::size_t, 256>;

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
NVK_VECTORISED int brightestStarInRows(
    const std::uint16_t* samples, int width, int rowBegin, int rowEnd) {
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
  const std::array planes{colour.red(), colour.green(), colour.blue()};
  const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t k = 0; k < planes.size(); ++k) {
    const std::span<const std::uint16_t> samples(planes[k].data(), count);
    stretch.black[k] = skyHighByteLevel(samples) * 256;
    stretch.white[k] = std::max(stretch.black[k] + 1, brightestStarSample(samples, width, height));
  }
  stretch.automatic = true;
  return stretch;
}

}  // namespace nvk::image
