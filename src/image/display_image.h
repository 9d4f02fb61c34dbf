#pragma once

#include <array>
#include <cstdint>
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

  std::uint8_t& at(int x, int y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

}  // namespace nvk::image
