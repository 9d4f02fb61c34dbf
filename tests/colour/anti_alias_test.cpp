#include "colour/anti_alias.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/simd.h"
#include "colour_reference.h"
#include "support/program_fixture.h"

namespace nvk::colour {
namespace {

using test::Samples;

struct AntiAliasCommand : ::testing::Test, test::ProgramFixture {
  std::size_t pixels() const { return program.geometry.pixelCount; }
  void fillColour(std::uint16_t value) {
    for (int plane = 0; plane < 3; ++plane)
      std::fill_n(program.planes.ColourImage[plane].begin(), pixels(), value);
  }
};

// A uniform image of value v: every median is v and the mean of the three is v, so each
// interior sample becomes v + (v mod 256), capped at 65535.
TEST_F(AntiAliasCommand, UniformColourImageGainsTheLowBitsOfItsValue) {
  program.state.colourConverted = true;
  program.state.binned = true;
  program.applyGeometry();
  const std::uint16_t values[] = {0, 1, 255, 256, 1000, 65279, 65280, 65534, 65535};
  for (const std::uint16_t v : values) {
    fillColour(v);
    AntiAlias(program, true);
    const unsigned expected = std::min(65535u, v + v % 256u);
    const int w = program.geometry.width;
    for (int plane = 0; plane < 3; ++plane) {
      const auto samples = program.planes.ColourImage[plane];
      for (const std::size_t at :
           {std::size_t(3 * w + 3), std::size_t(500 * w + 700), std::size_t(1008 * w + 1516)})
        ASSERT_EQ(samples[at], expected) << v << " plane " << plane << " at " << at;
    }
  }
  EXPECT_EQ(ui.redraws(), static_cast<int>(std::size(values)));
}

TEST_F(AntiAliasCommand, ShowsProgressAndKeepsTheColourUndoTriplet) {
  program.state.colourConverted = true;
  Samples before[3];
  for (int plane = 0; plane < 3; ++plane) {
    before[plane] = test::randomSamples(pixels(), program.geometry.width, 40 + plane);
    std::copy(before[plane].begin(), before[plane].end(),
              program.planes.ColourImage[plane].begin());
  }
  AntiAlias(program, false);
  EXPECT_EQ(ui.redraws(), 0);
  EXPECT_EQ(ui.progressCaptions(), std::vector<std::string>{"ANTI-ALIAS PROGRESS"});
  EXPECT_EQ(ui.progressPositions().back(), 2024 / 16);
  EXPECT_FALSE(ui.progressOpen());
  for (int plane = 0; plane < 3; ++plane)
    EXPECT_TRUE(std::equal(before[plane].begin(), before[plane].end(),
                           program.planes.ColourUndoImage[plane].begin()));
  EXPECT_FALSE(
      std::equal(before[0].begin(), before[0].end(), program.planes.ColourImage.red().begin()));

  UndoLastColourFilter(program);
  for (int plane = 0; plane < 3; ++plane)
    EXPECT_TRUE(std::equal(before[plane].begin(), before[plane].end(),
                           program.planes.ColourImage[plane].begin()));
  EXPECT_EQ(ui.redraws(), 1);
  EXPECT_TRUE(program.state.colourConverted);
}

TEST_F(AntiAliasCommand, MonochromeImageIsRefused) {
  fillColour(300);
  AntiAlias(program, true);
  UndoLastColourFilter(program);
  EXPECT_EQ(ui.messageTexts(),
            (std::vector<std::string>{"Image Not Colour Converted", "Image Not Colour Converted"}));
  EXPECT_EQ(program.planes.ColourImage.red()[10000], 300);
  EXPECT_EQ(program.planes.ColourUndoImage.red()[10000], 0);
  EXPECT_EQ(ui.redraws(), 0);
}

// The vector and the plain medians against thirteen rounds of "take the largest" on random
// planes of the full and the binned frame, and a frame whose width leaves a plain tail.
TEST(AntiAliasMedian, MatchesTheReferenceOnRandomFrames) {
  const std::tuple<int, int, bool> sizes[] = {
      {3040, 2024, true}, {1520, 1012, false}, {1520, 1012, true}, {45, 30, true}};
  std::uint32_t seed = 70;
  for (const auto& [width, height, vector] : sizes) {
    const Samples source =
        test::randomSamples(static_cast<std::size_t>(width * height), width, ++seed);
    Samples expected(source.size(), 0x1234);
    Samples actual(source.size(), 0x1234);
    test::referenceMedian(source, expected, width, height);
    medianRows(source.data(), actual.data(), width, height, 0, height / 2, vector);
    medianRows(source.data(), actual.data(), width, height, height / 2, height, vector);
    EXPECT_TRUE(actual == expected) << width << "x" << height << " vector " << vector;
  }
}

// Each vector width the processor has (AVX2 and AVX-512 on most) against the reference, on
// widths too narrow for a vector and widths that end in a partial vector, with samples at 0
// and 65535.
TEST(AntiAliasMedian, EveryVectorWidthMatchesTheReference) {
  const std::pair<int, int> sizes[] = {{9, 8}, {37, 20}, {45, 11}, {70, 12}, {3040, 9}};
  for (const base::SimdLevel level : {base::SimdLevel::Avx2, base::SimdLevel::Avx512}) {
    base::setSimdCeiling(level);
    std::uint32_t seed = 300;
    for (const auto& [width, height] : sizes) {
      for (int content = 0; content < 4; ++content) {
        const std::size_t n = static_cast<std::size_t>(width * height);
        Samples source = test::randomSamples(n, width, ++seed);
        for (std::size_t i = 0; i < n; ++i) {
          if (content == 0) source[i] = 0;
          if (content == 1) source[i] = 65535;
          if (content == 2) source[i] = (i / 3 + i % 5) % 2 ? 65535 : 0;
        }
        Samples expected(n, 0x1234);
        Samples actual(n, 0x1234);
        test::referenceMedian(source, expected, width, height);
        medianRows(source.data(), actual.data(), width, height, 0, height);
        EXPECT_TRUE(actual == expected) << "level " << static_cast<int>(level) << " " << width
                                        << "x" << height << " content " << content;
      }
    }
  }
  base::setSimdCeiling(base::SimdLevel::Avx512);
}

TEST(AntiAliasMeanStep, MatchesThePlainSumOnRandomPlanes) {
  const std::size_t n = 100003;
  const Samples medians[3] = {test::randomSamples(n, 1000, 1), test::randomSamples(n, 1000, 2),
                              test::randomSamples(n, 1000, 3)};
  for (const bool vector : {true, false}) {
    Samples red(n), blue(n), green(n);
    addMeanLowBits({medians[0].data(), medians[1].data(), medians[2].data(), red.data(),
                    blue.data(), green.data()},
                   0, n, vector);
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned d = (unsigned{medians[0][i]} + medians[1][i] + medians[2][i]) / 3 % 256;
      ASSERT_EQ(red[i], std::min(65535u, medians[0][i] + d)) << i;
      ASSERT_EQ(blue[i], std::min(65535u, medians[1][i] + d)) << i;
      ASSERT_EQ(green[i], std::min(65535u, medians[2][i] + d)) << i;
    }
  }
}

}  // namespace
}  // namespace nvk::colour
