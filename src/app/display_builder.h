#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "app/program.h"
#include "image/display_image.h"
#include "image/palette.h"

namespace nvk::app {

// The palettes and the display-value mappings live with the display image.
using image::autoContrastLevel;
using image::displayLevel;
using image::displayPalette;
using image::displayStretchLevel;
using image::falseColourPalette;
using image::greyPalette;
using image::Palette;
using image::PaletteChoice;

// The choice the display options make now, with the black level of the last background estimate.
PaletteChoice paletteChoice(const Program& program);

// Rebuilds program.display from the current image: each display pixel is the high byte of its
// RawImage sample (every second sample of every second row with the half-size display); a
// colour-converted image also fills the red, green, blue picture from its colour planes. The
// background estimate is taken afresh (Remove Background uses it) and gives the auto contrast
// its black level; the palette follows the display options. A focus frame gives the 128 x 128
// focus window instead, rendered through the focus stretch as the camera dialog shows it.
void buildDisplayImage(Program& program);

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
