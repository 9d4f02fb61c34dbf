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

// The automatic colour stretch takes each plane's levels in one pass over bands of rows: every
// plane black at its own sky and white at its own star (never at its black), for frames of one
// band, of bands and a part, and stars on the rows where two bands meet.
TEST(DisplayLevelsTest, ColourStretchTakesEachPlanesOwnLevels) {
  std::mt19937 random(11);
  std::array<std::vector<std::uint16_t>, 3> storage;
  for (auto& plane : storage)
    plane.assign(kPlaneSamples, 0);
  const ColourPlanes colour{{Plane(storage[0].data(), kPlaneSamples),
                             Plane(storage[1].data(), kPlaneSamples),
                             Plane(storage[2].data(), kPlaneSamples)}};
  const std::array<std::array<int, 2>, 7> sizes{
      {{3, 1}, {5, 2}, {9, 3}, {40, 33}, {17, 64}, {33, 65}, {3040, 2024}}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::array<std::vector<std::uint16_t>, 3> samples;
    for (std::size_t k = 0; k < 3; ++k) {
      // Red a flat frame (its star no brighter than its sky), green and blue skies with stars.
      std::normal_distribution<double> sky(900.0 + 7000.0 * static_cast<double>(k), 250.0);
      samples[k].resize(count);
      for (auto& v : samples[k])
        v = k == 0 ? 0x0480 : static_cast<std::uint16_t>(std::clamp(sky(random), 0.0, 65535.0));
      if (k > 0 && height > 33 && width > 3) {
        // A pair of star samples on the last row of the first band and on the first of the next.
        const int row = k == 1 ? 31 : 32;
        samples[k][static_cast<std::size_t>(row * width + 1)] = 61000;
        samples[k][static_cast<std::size_t>(row * width + 2)] = 60000;
      }
      std::copy(samples[k].begin(), samples[k].end(), colour.planes[k].begin());
    }
    const ColourDisplayStretch stretch = autoColourStretch(colour, width, height);
    EXPECT_TRUE(stretch.automatic);
    const std::array<int, 3> plane{ColourPlanes::kRed, ColourPlanes::kGreen, ColourPlanes::kBlue};
    for (std::size_t k = 0; k < 3; ++k) {
      const auto& s = samples[static_cast<std::size_t>(plane[k])];
      const int black = referenceSkyLevel(s) * 256;
      EXPECT_EQ(stretch.black[k], black) << k;
      EXPECT_EQ(stretch.white[k], std::max(black + 1, referenceBrightestStar(s, width, height)))
          << k;
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
