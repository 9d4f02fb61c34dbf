#include "image/bayer_pattern.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "colour/synthesis.h"

namespace nvk::image {
namespace {

struct LayoutCase {
  bool pixelOffset;
  bool lineOffset;
  int originX;
  int originY;
  std::string_view pattern;
};

// The defaults ("Line Offset" on) describe the camera's sensor, whose even rows hold blue and
// green sites; an odd sub-frame origin moves the first cell by one site along its axis.
constexpr LayoutCase kLayouts[] = {
    {false, false, 0, 0, "GRBG"}, {true, false, 0, 0, "RGGB"},     {false, true, 0, 0, "BGGR"},
    {true, true, 0, 0, "GBRG"},   {false, true, 1, 0, "GBRG"},     {false, true, 0, 1, "GRBG"},
    {false, true, 1, 1, "RGGB"},  {false, true, 760, 338, "BGGR"}, {true, false, 253, 170, "GRBG"},
};

TEST(BayerPattern, PatternFollowsOffsetsAndOrigin) {
  for (const LayoutCase& c : kLayouts) {
    const BayerLayout layout = bayerLayout(c.pixelOffset, c.lineOffset, c.originX, c.originY);
    EXPECT_EQ(layout.pattern, c.pattern)
        << c.pixelOffset << c.lineOffset << " origin " << c.originX << "," << c.originY;
    EXPECT_EQ(layout.xOffset, 0);
    EXPECT_EQ(layout.yOffset, 0);
  }
}

// Light only the sites the pattern names `colour` and synthesise the frame with the phase of
// its first sample: inside the processed area the light must come out in that colour's plane
// alone, whatever the offsets and the parity of the origin.
TEST(BayerPattern, SynthesisSeesTheLitSitesInTheColourThePatternNames) {
  constexpr int kWidth = 24;
  constexpr int kHeight = 12;
  constexpr std::uint16_t kLit = 4000;
  for (const bool pixelOffset : {false, true}) {
    for (const bool lineOffset : {false, true}) {
      for (const int originX : {0, 1, 254}) {
        for (const int originY : {0, 3, 170}) {
          const BayerLayout layout = bayerLayout(pixelOffset, lineOffset, originX, originY);
          for (const char colour : {'R', 'B'}) {
            std::vector<std::uint16_t> raw(kWidth * kHeight, 0);
            for (int y = 0; y < kHeight; ++y)
              for (int x = 0; x < kWidth; ++x)
                if (layout.pattern[static_cast<std::size_t>((y & 1) * 2 + (x & 1))] == colour)
                  raw[static_cast<std::size_t>(y * kWidth + x)] = kLit;
            std::vector<std::uint16_t> red(raw.size()), green(raw.size()), blue(raw.size()),
                lum(raw.size());
            const colour::SynthesisFrames frames{raw.data(), red.data(), green.data(), blue.data(),
                                                 lum.data(), kWidth,     kHeight};
            const int first = colour::firstWindowRow(raw.data());
            colour::synthesizeWindowRows(frames, colour::colourFactors(false, false),
                                         framePhase(pixelOffset, lineOffset, originX, originY),
                                         first, first, colour::windowRowEnd(kHeight));
            const std::vector<std::uint16_t>& own = colour == 'R' ? red : blue;
            const std::vector<std::uint16_t>& other = colour == 'R' ? blue : red;
            for (int y = first + 2; y < kHeight - 2; ++y) {
              for (int x = 4; x < kWidth - 2; ++x) {
                const auto i = static_cast<std::size_t>(y * kWidth + x);
                ASSERT_GT(own[i], 0) << layout.pattern << " " << colour << " at " << y << "," << x;
                ASSERT_EQ(green[i], 0)
                    << layout.pattern << " " << colour << " at " << y << "," << x;
                ASSERT_EQ(other[i], 0)
                    << layout.pattern << " " << colour << " at " << y << "," << x;
              }
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace nvk::image
