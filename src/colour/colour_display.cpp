#include "colour/colour_display.h"

#include <cstddef>

#include "image/display_levels.h"

namespace nvk::colour {
namespace {

constexpr int kStrips = 8;
constexpr int kProgressRange = 256;

}  // namespace

void startAutoColourStretch(Program& program) {
  program.colourStretch = image::autoColourStretch(program.planes.ColourImage,
                                                   program.geometry.width, program.geometry.height);
}

void buildColourDisplay(Program& program, std::span<std::uint8_t> rgb, int displayWidth,
                        int displayHeight, int step) {
  port::Ui& ui = program.ui();
  const image::ColourPlanes& colour = program.planes.ColourImage;
  const image::ColourDisplayStretch& stretch = program.colourStretch;
  const std::size_t width = static_cast<std::size_t>(program.geometry.width);
  const std::size_t rowBytes = static_cast<std::size_t>(displayWidth) * 3;
  ui.openProgress("BUILDING COLOUR IMAGE");
  for (int strip = 0; strip < kStrips; ++strip) {
    const int rowBegin = displayHeight * strip / kStrips;
    const int rowEnd = displayHeight * (strip + 1) / kStrips;
    for (int y = rowBegin; y < rowEnd; ++y) {
      const std::size_t source =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(step) * width;
      std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * rowBytes;
      for (int x = 0; x < displayWidth; ++x) {
        const std::size_t i = source + static_cast<std::size_t>(x) * static_cast<std::size_t>(step);
        if (stretch.automatic) {
          *out++ = stretch.apply(0, colour.red()[i]);
          *out++ = stretch.apply(1, colour.green()[i]);
          *out++ = stretch.apply(2, colour.blue()[i]);
        } else {
          *out++ = static_cast<std::uint8_t>(colour.red()[i] >> 8);
          *out++ = static_cast<std::uint8_t>(colour.green()[i] >> 8);
          *out++ = static_cast<std::uint8_t>(colour.blue()[i] >> 8);
        }
      }
    }
    ui.setProgress(kProgressRange * (strip + 1) / kStrips);
  }
  ui.closeProgress();
}

}  // namespace nvk::colour
