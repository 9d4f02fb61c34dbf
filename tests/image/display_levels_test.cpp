#include "image/display_levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace nvk::image {
namespace {

// The plain versions of the two levels, one sample at a time.
int referenceSkyLevel(const std::vector<std::uint16_t>& samples) {
  std::array<std::size_t, 256> histogram{};
  for (const std::uint16_t v : samples)
    ++histogram[v >> 8];
  return static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

int referenceBrightestStar(const std::vector<std::uint16_t>& s, int width, int height) {
  int top = 0;
  const auto w = static_cast<std::size_t>(width);
  for (int y = 1; y < height - 1; ++y) {
    for (int x = 1; x < width - 1; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
      top = std::max(top, std::min<int>(s[i], std::max({s[i - 1], s[i + 1], s[i - w], s[i + w]})));
    }
  }
  return top;
}

// A sky with noise, stars of the 16-bit extremes and lone hot pixels, in frames of odd and even
// sizes (the rows are shared between two threads at the middle).
TEST(DisplayLevelsTest, LevelsAgreeWithThePlainVersionsOnRandomStarFields) {
  std::mt19937 random(5);
  const std::array<std::array<int, 2>, 6> sizes{
      {{1, 1}, {2, 3}, {3, 3}, {7, 5}, {64, 33}, {3040, 2024}}};
  for (const auto& [width, height] : sizes) {
    for (int trial = 0; trial < 3; ++trial) {
      const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
      std::vector<std::uint16_t> samples(count);
      std::normal_distribution<double> sky(1200.0 + 5000.0 * trial, 300.0);
      for (auto& v : samples)
        v = static_cast<std::uint16_t>(std::clamp(sky(random), 0.0, 65535.0));
      std::uniform_int_distribution<std::size_t> at(0, count - 1);
      for (const std::uint16_t extreme : {65535, 65534, 1, 0}) {
        const std::size_t i = at(random);
        samples[i] = extreme;  // a lone hot (or cold) pixel
        if (i + 1 < count) samples[i + 1] = static_cast<std::uint16_t>(extreme - (extreme > 0));
      }
      SCOPED_TRACE(testing::Message() << width << " x " << height << " trial " << trial);
      EXPECT_EQ(skyHighByteLevel(samples), referenceSkyLevel(samples));
      EXPECT_EQ(brightestStarSample(samples, width, height),
                referenceBrightestStar(samples, width, height));
    }
  }
}

// A star that is brightest in the lower half is found as well as one in the upper half; the
// sky's level ties go to the lower level.
TEST(DisplayLevelsTest, StarInEitherHalfAndTiedLevels) {
  const int width = 8;
  const int height = 10;
  for (const int starRow : {2, 7}) {
    std::vector<std::uint16_t> samples(width * height, 256);
    samples[starRow * width + 3] = 60000;
    samples[starRow * width + 4] = 50000;
    EXPECT_EQ(brightestStarSample(samples, width, height), 50000) << starRow;
  }
  std::vector<std::uint16_t> tied{0x0100, 0x0200, 0x01ff, 0x02ff, 0x0300};
  EXPECT_EQ(skyHighByteLevel(tied), 1);
}

}  // namespace
}  // namespace nvk::image
