#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/geometry.h"

namespace nvk::image {

// The 8-bit indexed picture the main window paints and the bitmap export writes: one byte a
// pixel and a 256-entry palette. Its buffer is sized once for a full frame.
struct DisplayImage {
  struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
  };

  DisplayImage() : pixels(kPlaneSamples, 0) {}

  int width = kFullWidth;
  int height = kFullHeight;
  std::vector<std::uint8_t> pixels;  // row-major, `width` bytes a row, never resized
  std::array<Rgb, 256> palette{};
  // A colour-converted image is shown from its colour planes: `rgb` then holds red, green,
  // blue bytes for each pixel (3 x width bytes a row) and `pixels` the grey picture.
  bool colour = false;
  std::vector<std::uint8_t> rgb;

  std::uint8_t& at(int x, int y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// A point of the full-resolution image (x to the right, y down).
struct ImagePoint {
  int x = 0;
  int y = 0;
  bool operator==(const ImagePoint&) const = default;
};

// The main window's display toggles that operations outside the window read or set.
struct DisplayOptions {
  bool fitToWindow = false;         // "Fit to window": stretch the picture to the client area
  bool falseColourPalette = false;  // "False Colour Palette"
  bool autoContrast = false;        // "Auto contrast stretch image": stretched palette
  bool maxStretch = false;          // "Max Stretch Toggle": the display stretch is active
  double stretchPower = 25.0;       // display stretch power, 2..50 ("Stretch Display")
  // The picture is the 128 x 128 window of the last focus exposure instead of the image: set
  // while focus mode shows its frames, cleared when it ends.
  bool focusFrame = false;
  // Overlays: the picked guide star (cross of 20 pixels each way) and the tracking star while
  // star tracking is on (cross of 15 pixels each way), in full-resolution image pixels.
  std::optional<ImagePoint> guideStarCross;
  std::optional<ImagePoint> trackingCross;
};

// The automatic display stretch of a new colour image: each colour plane shown from its own
// black level (its sky) to its own white level (its brightest star), so that a star field of a
// few hundred counts of sky is visible at once. The colour tools set it up; it holds until the
// user sets a colour balance. The 16-bit planes are never changed by it.
struct ColourDisplayStretch {
  bool automatic = false;
  std::array<int, 3> black{};         // red, green, blue, in counts
  std::array<int, 3> white{1, 1, 1};  // above black

  // The display byte of `sample` of plane `plane` (0 red, 1 green, 2 blue).
  std::uint8_t apply(int plane, std::uint16_t sample) const {
    const auto k = static_cast<std::size_t>(plane);
    if (sample <= black[k]) return 0;
    if (sample >= white[k]) return 255;
    return static_cast<std::uint8_t>((sample - black[k]) * 255 / (white[k] - black[k]));
  }
};

}  // namespace nvk::image
