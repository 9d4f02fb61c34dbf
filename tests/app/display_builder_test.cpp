#include "app/display_builder.h"

#include <gtest/gtest.h>

#include "process/random_frames.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

using Rgb = image::DisplayImage::Rgb;

TEST(PaletteTest, AutoContrastLevels) {
  struct Row {
    int value, black, level;
  };
  // (i - b)^0.3 x 255^0.7: 255^0.7 = 48.39; 1 -> 48, 32^0.3 = 2.828 -> 136,
  // 235^0.3 = 5.144 -> 248.
  const Row rows[] = {{0, 0, 0},   {1, 0, 48},  {32, 0, 136},  {10, 20, 0},
                      {19, 20, 0}, {20, 20, 0}, {52, 20, 136}, {255, 20, 248}};
  for (const Row& r : rows) {
    EXPECT_EQ(autoContrastLevel(r.value, r.black), r.level) << r.value << " " << r.black;
  }
}

TEST(PaletteTest, DisplayStretchLevels) {
  struct Row {
    int value;
    double power;
    int level;
  };
  // 255 c x / (x (c - 1) + 1) with x = j / 255.
  // j = 51, c = 25: x = 0.2 -> 255 * 5 / 5.8 = 219.8 -> 219.
  // j = 10, c = 2: x = 0.0392 -> 255 * 0.0784 / 1.0392 = 19.2 -> 19.
  const Row rows[] = {
      {0, 25.0, 0}, {51, 25.0, 219}, {10, 2.0, 19}, {254, 50.0, 254}, {255, 25.0, 255}};
  for (const Row& r : rows) {
    EXPECT_EQ(displayStretchLevel(r.value, r.power), r.level) << r.value << " " << r.power;
  }
}

TEST(PaletteTest, DisplayPaletteComposesTheMappings) {
  PaletteChoice choice;
  EXPECT_EQ(displayPalette(choice), greyPalette());
  choice.falseColour = true;
  EXPECT_EQ(displayPalette(choice), falseColourPalette());

  choice = {};
  choice.displayStretch = true;
  choice.stretchPower = 25.0;
  EXPECT_EQ(displayPalette(choice)[51], (Rgb{219, 219, 219}));
  // Both: 52 -> 136 (contrast) -> stretch of 136 with power 2: x = .5333 -> 255*1.0667/1.5333.
  choice.autoContrast = true;
  choice.blackLevel = 20;
  choice.stretchPower = 2.0;
  EXPECT_EQ(displayPalette(choice)[52], (Rgb{177, 177, 177}));

  // False colour is applied after the mappings: 52 -> 136 -> false colour entry 136.
  choice.displayStretch = false;
  choice.falseColour = true;
  EXPECT_EQ(displayPalette(choice)[52], falseColourPalette()[136]);
}

struct DisplayBuildTest : ::testing::Test {
  nvk::test::ProgramFixture f;

  void fillRandom(std::uint32_t seed) {
    nvk::test::fillRandomFrame(f.program.planes.RawImage.first(f.program.geometry.pixelCount),
                               f.program.geometry.width, seed);
  }
};

TEST_F(DisplayBuildTest, EachDisplayByteIsTheHighByteOfItsSample) {
  struct Row {
    bool binned, half;
    int width, height, step;
  };
  const Row rows[] = {{false, false, 3040, 2024, 1},
                      {false, true, 1520, 1012, 2},
                      {true, false, 1520, 1012, 1},
                      {true, true, 760, 506, 2}};
  for (const Row& r : rows) {
    f.program.state.binned = r.binned;
    f.program.halfSizeDisplay = r.half;
    f.program.applyGeometry();
    fillRandom(static_cast<std::uint32_t>(r.width + r.step));
    buildDisplayImage(f.program);
    const image::DisplayImage& d = f.program.display;
    ASSERT_EQ(d.width, r.width);
    ASSERT_EQ(d.height, r.height);
    const int imageWidth = f.program.geometry.width;
    for (int y = 0; y < r.height; ++y) {
      for (int x = 0; x < r.width; ++x) {
        const std::uint16_t sample =
            f.program.planes
                .RawImage[static_cast<std::size_t>(y * r.step) * imageWidth + x * r.step];
        ASSERT_EQ(d.pixels[static_cast<std::size_t>(y) * r.width + x], sample / 256)
            << x << "," << y << " binned " << r.binned << " half " << r.half;
      }
    }
  }
}

TEST_F(DisplayBuildTest, ColourImageIsShownFromItsColourPlanes) {
  f.program.state.colourConverted = true;
  f.program.planes.ColourImage.red()[1] = 0x1200;
  f.program.planes.ColourImage.green()[1] = 0x3400;
  f.program.planes.ColourImage.blue()[1] = 0x56ff;
  buildDisplayImage(f.program);
  ASSERT_TRUE(f.program.display.colour);
  EXPECT_EQ(f.program.display.rgb[3], 0x12);
  EXPECT_EQ(f.program.display.rgb[4], 0x34);
  EXPECT_EQ(f.program.display.rgb[5], 0x56);
  f.program.state.colourConverted = false;
  buildDisplayImage(f.program);
  EXPECT_FALSE(f.program.display.colour);
}

TEST_F(DisplayBuildTest, AFocusFrameShowsThe128By128FocusWindow) {
  auto& window = f.program.devices.focusWindow;
  for (std::size_t i = 0; i < window.size(); ++i)
    window[i] = static_cast<std::uint16_t>(1000 + i * 3);
  f.program.acquisition.focusStretch = 3;
  f.program.state.colourConverted = true;  // the focus window is grey whatever the image is
  f.program.displayOptions.falseColourPalette = true;
  f.program.displayOptions.focusFrame = true;
  buildDisplayImage(f.program);
  const image::DisplayImage& d = f.program.display;
  EXPECT_EQ(d.width, 128);
  EXPECT_EQ(d.height, 128);
  EXPECT_FALSE(d.colour);
  // Through the focus stretch, above the window's lowest sample (1000): 3 i x 3 / 256, at most
  // 255.
  const std::pair<std::size_t, int> expected[] = {
      {0, 0}, {28, 0}, {29, 1}, {128, 4}, {2000, 70}, {7281, 255}, {7282, 255}, {16383, 255}};
  for (const auto& [i, level] : expected) {
    EXPECT_EQ(d.pixels[i], level) << i;
  }
  EXPECT_EQ(d.palette, falseColourPalette());

  // When focus mode ends, the image is shown again at its own size.
  f.program.displayOptions.focusFrame = false;
  buildDisplayImage(f.program);
  EXPECT_EQ(f.program.display.width, f.program.geometry.displayWidth);
  EXPECT_TRUE(f.program.display.colour);
}

TEST_F(DisplayBuildTest, RedrawTakesTheBackgroundEstimateForTheAutoContrast) {
  // Full resolution: the band is 19 x 30400 samples from sample 15200 on.
  auto& raw = f.program.planes.RawImage;
  std::fill(raw.begin(), raw.end(), 0x0500);
  std::fill(raw.begin() + 15200, raw.begin() + 15200 + 19 * 30400, 0x0700);
  f.program.displayOptions.autoContrast = true;
  buildDisplayImage(f.program);
  EXPECT_EQ(f.program.processing.background.mode, 7);
  // At the background level the picture is black; 32 above it, 136.
  EXPECT_EQ(f.program.display.palette[7], (Rgb{0, 0, 0}));
  EXPECT_EQ(f.program.display.palette[39], (Rgb{136, 136, 136}));
}

TEST(ScrollRangeTest, Rule) {
  struct Row {
    bool fit;
    int displayWidth, displayHeight, clientWidth, clientHeight;
    ScrollRange range;
  };
  const Row rows[] = {
      {false, 3040, 2024, 1000, 700, {2040, 1324}}, {true, 3040, 2024, 1000, 700, {0, 0}},
      {false, 760, 506, 1000, 700, {0, 0}},         {false, 1520, 506, 1000, 700, {520, 0}},
      {false, 760, 1012, 1000, 700, {0, 312}},      {false, 1000, 700, 1000, 700, {0, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(scrollRange(r.fit, r.displayWidth, r.displayHeight, r.clientWidth, r.clientHeight),
              r.range)
        << r.displayWidth << "x" << r.displayHeight;
  }
}

}  // namespace
}  // namespace nvk::app
