#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/program.h"
#include "image/display_image.h"

namespace nvk::app {

using Palette = std::array<image::DisplayImage::Rgb, 256>;

// Entry i is (i, i, i).
Palette greyPalette();
// Entry c is red c, green c x c / 256, blue 255 - c - (255 - c)^2 / 256 up to 240, and
// (c, c, c) above 240.
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
// The choice the display options make now, with the black level of the last background estimate.
PaletteChoice paletteChoice(const core::Program& program);

// Rebuilds program.display from the current image: each display pixel is the high byte of its
// RawImage sample (every second sample of every second row with the half-size display); a
// colour-converted image also fills the red, green, blue picture from its colour planes. The
// background estimate is taken afresh (Remove Background uses it) and gives the auto contrast
// its black level; the palette follows the display options. A focus frame gives the 128 x 128
// focus window instead, rendered through the focus stretch as the camera dialog shows it.
void buildDisplayImage(core::Program& program);

// Scroll range of the picture in a client area: none when fit to window is on or the picture
// fits in both directions; otherwise display size - client size in each direction where
// positive, else 0.
struct ScrollRange {
  int x = 0;
  int y = 0;
  bool operator==(const ScrollRange&) const = default;
};
ScrollRange scrollRange(bool fitToWindow, int displayWidth, int displayHeight, int clientWidth,
                        int clientHeight);

}  // namespace nvk::app
