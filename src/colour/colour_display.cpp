#include "colour/colour_display.h"

#include <cstddef>
#include <vector>

#include "base/parallel_rows.h"
#include "image/display_levels.h"

namespace nvk::colour {
namespace {

constexpr int kStrips = 8;
constexpr int kBandRows = 16;
constexpr int kProgressRange = 256;
constexpr std::size_t kSampleValues = 65536;

// The display byte of every sample value of each plane (red, green, blue): through the
// automatic stretch while it holds, else the high byte. Three table look-ups a pixel instead of
// three divisions.
std::vector<std::uint8_t> displayTables(const image::ColourDisplayStretch& stretch) {
  std::vector<std::uint8_t> tables(3 * kSampleValues);
  for (int plane = 0; plane < 3; ++plane) {
    std::uint8_t* table = tables.data() + static_cast<std::size_t>(plane) * kSampleValues;
    for (std::size_t v = 0; v < kSampleValues; ++v) {
      const auto sample = static_cast<std::uint16_t>(v);
      table[v] =
          stretch.automatic ? stretch.apply(plane, sample) : static_cast<std::uint8_t>(sample >> 8);
    }
  }
  return tables;
}

// The display bytes of one full-size row: each sample's byte from its plane's table.
void lookUpRow(const std::uint16_t* red, const std::uint16_t* green, const std::uint16_t* blue,
               const std::uint8_t* tables, std::uint8_t* out, int count) {
  const std::uint8_t* redTable = tables;
  const std::uint8_t* greenTable = tables + kSampleValues;
  const std::uint8_t* blueTable = greenTable + kSampleValues;
  for (int x = 0; x < count; ++x) {
    out[3 * x] = redTable[red[x]];
    out[3 * x + 1] = greenTable[green[x]];
    out[3 * x + 2] = blueTable[blue[x]];
  }
}

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
  const std::vector<std::uint8_t> tables = displayTables(stretch);
  const std::uint8_t* redTable = tables.data();
  const std::uint8_t* greenTable = redTable + kSampleValues;
  const std::uint8_t* blueTable = greenTable + kSampleValues;
  const std::uint16_t* red = colour.red().data();
  const std::uint16_t* green = colour.green().data();
  const std::uint16_t* blue = colour.blue().data();
  ui.openProgress("BUILDING COLOUR IMAGE");
  for (int strip = 0; strip < kStrips; ++strip) {
    // Each strip's rows go in bands to whichever core is free, so that a core busy with other
    // work does not hold up the other.
    base::forEachRowBand(
        displayHeight * strip / kStrips, displayHeight * (strip + 1) / kStrips, kBandRows,
        [&](int rowBegin, int rowEnd) {
          for (int y = rowBegin; y < rowEnd; ++y) {
            const std::size_t source =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(step) * width;
            std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * rowBytes;
            if (step == 1) {
              lookUpRow(red + source, green + source, blue + source, tables.data(), out,
                        displayWidth);
            } else {
              for (int x = 0; x < displayWidth; ++x) {
                const std::size_t i =
                    source + static_cast<std::size_t>(x) * static_cast<std::size_t>(step);
                *out++ = redTable[red[i]];
                *out++ = greenTable[green[i]];
                *out++ = blueTable[blue[i]];
              }
            }
          }
        },
        [](int) {});
    ui.setProgress(kProgressRange * (strip + 1) / kStrips);
  }
  ui.closeProgress();
}

}  // namespace nvk::colour
