#include "colour/colour_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "colour/colour_tools.h"
#include "colour/synthesis.h"
#include "files/files_test_support.h"
#include "files/tiff_file.h"
#include "process/measure_test_support.h"
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

// A typical sky frame after Create Image: a sky of a few hundred counts and stars. The new
// colour image is shown (and written to an 8-bit TIFF) through the automatic stretch: black at
// each plane's sky, white at its brightest star, a lone hot pixel ignored; the 16-bit planes stay
// as they are. A colour balance set by the user ends the automatic stretch.
TEST_F(ColourDisplay, NewColourImageIsShownThroughTheAutomaticStretch) {
  program.state.binned = true;
  program.applyGeometry();
  const int w = program.geometry.width, h = program.geometry.height;
  auto frame = test::starFrame(
      w, h, 300, {{400.0, 300.0, 2.5, 150000.0}, {900.0, 700.0, 2.0, 40000.0}}, 15, 3);
  frame[static_cast<std::size_t>(500 * w + 1200)] = 65535;  // a hot pixel
  std::copy(frame.begin(), frame.end(), program.planes.RawImage.begin());
  synthesizeColour(program);
  ASSERT_TRUE(program.colourStretch.automatic);
  const auto& c = program.planes.ColourImage;
  const std::array planes{c.red(), c.green(), c.blue()};
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const std::span<const std::uint16_t> samples(planes[k].data(), program.geometry.pixelCount);
    std::vector<std::uint16_t> sorted(samples.begin(), samples.end());
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const int sky = sorted[sorted.size() / 2];
    // Black within one high-byte level below the sky, white at the bright star, not the hot
    // pixel.
    EXPECT_LE(program.colourStretch.black[k], sky);
    EXPECT_GT(program.colourStretch.black[k] + 256, sky);
    const int star =
        *std::max_element(planes[k].data() + 295 * w + 395, planes[k].data() + 295 * w + 405);
    EXPECT_LT(program.colourStretch.white[k], 65535);
    EXPECT_GE(program.colourStretch.white[k], star / 2);
  }
  const std::vector<std::uint16_t> redBefore(c.red().data(), c.red().data() + w * h);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w * h * 3));
  buildColourDisplay(program, rgb, w, h, 1);
  EXPECT_TRUE(std::equal(redBefore.begin(), redBefore.end(), c.red().data()));
  auto shownAt = [&](int x, int y) {
    const std::size_t at = static_cast<std::size_t>((y * w + x) * 3);
    return std::max({rgb[at], rgb[at + 1], rgb[at + 2]});
  };
  // The bright star is white, the fainter one clearly visible, the sky dark but not the
  // picture's whole content.
  EXPECT_GE(shownAt(400, 300), 200);
  EXPECT_GE(shownAt(900, 700), 40);
  EXPECT_LE(shownAt(100, 100), 25);

  // The 8-bit TIFF holds what is shown.
  program.settings.tiff16Bit = false;
  const auto tiff = root / "shown.tif";
  ASSERT_EQ(files::saveTiffFile(program, tiff), files::SaveResult::Saved);
  const auto bytes = test::readBytes(tiff);
  const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
  // The picture's rows end 6 bytes before the end of the file (the bits per sample).
  const std::size_t pictureAt = bytes.size() - 6 - static_cast<std::size_t>(h) * rowBytes;
  const std::size_t starAt = pictureAt + 300 * rowBytes + 400 * 3;
  EXPECT_EQ(std::max({bytes[starAt], bytes[starAt + 1], bytes[starAt + 2]}), shownAt(400, 300));

  // The user's balance decides from then on: the high bytes again.
  ASSERT_TRUE(applyColourBalanceToImage(program, ColourBalance{}));
  EXPECT_FALSE(program.colourStretch.automatic);
  buildColourDisplay(program, rgb, w, h, 1);
  EXPECT_EQ(rgb[static_cast<std::size_t>((300 * w + 400) * 3)], c.red()[300 * w + 400] >> 8);
}

}  // namespace
}  // namespace nvk::colour
