#include "colour/colour_display.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/program_fixture.h"

namespace nvk::colour {
namespace {

struct ColourDisplay : ::testing::Test, test::ProgramFixture {};

// Each display pixel takes the high bytes of red, green and blue in that order, every step-th
// sample of every step-th row, built in 8 strips under "BUILDING COLOUR IMAGE".
TEST_F(ColourDisplay, TakesTheHighBytesInEightStrips) {
  const int w = program.geometry.width;
  const auto& c = program.planes.ColourImage;
  for (const int step : {1, 2}) {
    const int displayWidth = w / step, displayHeight = program.geometry.height / step;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(displayWidth * displayHeight * 3));
    const std::size_t source = static_cast<std::size_t>(10 * step * w + 7 * step);
    c.red()[source] = 0x12ff;
    c.green()[source] = 0x3400;
    c.blue()[source] = 0xff01;
    ui.clearRecord();
    buildColourDisplay(program, rgb, displayWidth, displayHeight, step);
    const std::size_t at = static_cast<std::size_t>((10 * displayWidth + 7) * 3);
    EXPECT_EQ(rgb[at], 0x12);
    EXPECT_EQ(rgb[at + 1], 0x34);
    EXPECT_EQ(rgb[at + 2], 0xff);
    EXPECT_EQ(ui.progressCaptions(), std::vector<std::string>{"BUILDING COLOUR IMAGE"});
    EXPECT_EQ(ui.progressPositions(), (std::vector<int>{32, 64, 96, 128, 160, 192, 224, 256}));
    EXPECT_FALSE(ui.progressOpen());
  }
}

}  // namespace
}  // namespace nvk::colour
