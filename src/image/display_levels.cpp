#include "image/display_levels.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace nvk::image {

int skyHighByteLevel(std::span<const std::uint16_t> samples) {
  std::array<std::size_t, 256> histogram{};
  for (const std::uint16_t v : samples)
    ++histogram[v >> 8];
  return static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

int brightestStarSample(std::span<const std::uint16_t> samples, int width, int height) {
  int top = 0;
  const auto w = static_cast<std::size_t>(width);
  for (int y = 1; y < height - 1; ++y) {
    for (int x = 1; x < width - 1; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
      const int neighbour =
          std::max({samples[i - 1], samples[i + 1], samples[i - w], samples[i + w]});
      top = std::max(top, std::min<int>(samples[i], neighbour));
    }
  }
  return top;
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
