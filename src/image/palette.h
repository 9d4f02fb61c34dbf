#pragma once

#include <array>
#include <cstdint>

#include "image/display_image.h"

namespace nvk::image {

// The colours the 256 display values are painted with, on the screen and in the bitmaps.
using Palette = std::array<DisplayImage::Rgb, 256>;

// Entry i is (i, i, i).
Palette greyPalette();
// View > False Colour Palette: entry c is red c, green c x c / 256, blue
// 255 - c - (255 - c)^2 / 256 up to 240, and (c, c, c) above 240.
Palette falseColourPalette();

// The auto-contrast mapping of a display value: 0 below the black level b, above it
// (i - b)^0.3 x 255^0.7, at most 255.
std::uint8_t autoContrastLevel(int value, int blackLevel);
// The display stretch of power c: 255 x c x (j / 255) / ((j / 255) x (c - 1) + 1), truncated,
// for j = 0..254; 255 stays 255.
std::uint8_t displayStretchLevel(int value, double power);

// How the display values are mapped to colours.
struct PaletteChoice {
  bool falseColour = false;
  bool autoContrast = false;
  int blackLevel = 0;  // the background level, for the auto contrast
  bool displayStretch = false;
  double stretchPower = 25.0;
};

// The level a display value shows at: the auto-contrast mapping (when on), then the display
// stretch (when "Max Stretch" is on).
std::uint8_t displayLevel(int value, const PaletteChoice& choice);
// The palette the picture is painted with: each display value takes the colour of its level in
// the grey or false-colour palette.
Palette displayPalette(const PaletteChoice& choice);
// The choice the display options make, with `blackLevel` (the last background estimate) for
// the auto contrast.
PaletteChoice paletteChoice(const DisplayOptions& options, int blackLevel);

}  // namespace nvk::image
