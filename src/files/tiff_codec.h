#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "files/atomic_file.h"
#include "files/rgb_render.h"
#include "files/save_result.h"
#include "image/display_image.h"

namespace nvk::files {

// The TIFF export over plain inputs: the planes and how colours are rendered. File > Save as
// Tiff file gathers these from the program (tiff_file.h).

// The shape of a TIFF file: `strips` strips of `rowsPerStrip` rows of `width` pixels.
struct TiffLayout {
  int width = 0;
  int rows = 0;  // n: height - 2 binned, height - 4 full
  bool colour = false;
  bool sixteenBit = false;
  int rowsPerStrip = 0;
  int strips = 0;
  int bytesPerPixel = 0;
  std::uint32_t stripBytes = 0;
  std::uint32_t dataOffset = 0;  // 186 + 8 x strips
  std::uint32_t dataBytes = 0;
};
// The shape of `rows` rows of `width` pixels in strips of `rowsPerStrip` rows (whole strips
// only).
TiffLayout tiffLayout(int width, int rows, int rowsPerStrip, bool colour, bool sixteenBit);
// The shape of an export of an image of the binned or full size: 202 rows a strip for grey,
// 101 for colour.
TiffLayout tiffLayoutFor(bool binned, bool colour, bool sixteenBit);

// The bytes before the pixel data: header, the 13-entry directory, the resolutions and the two
// strip arrays.
std::vector<std::uint8_t> tiffHeader(const TiffLayout& layout);

// The planes an export reads, each `layout.width` samples a row and `height` rows.
struct TiffPlanes {
  int height = 0;
  // The grey files: image rows 0 to n - 1 (16 bits as they are, 8 bits their high bytes).
  const std::uint16_t* raw = nullptr;
  // 8-bit colour: the colour image's red, green and blue planes, rows height - n on, rendered
  // with the raw plane.
  std::array<const std::uint16_t*, 3> colour{};
  // 16-bit colour: the RGB rendering (upside down) red, green and blue, rows n - 1 down to 0.
  std::array<const std::uint16_t*, 3> rendered{};
};

// How an 8-bit colour export renders a pixel, as the window shows the image.
struct TiffColourLook {
  int saturation = 0;                   // the colour saturation setting
  std::optional<ToneCurve> tone;        // the display stretch, when it is on
  image::ColourDisplayStretch stretch;  // used instead while it is automatic
};

// Writes a TIFF file of `layout` (temporary file, renamed into place when complete).
SaveResult writeTiffImage(const std::filesystem::path& path, const TiffLayout& layout,
                          const TiffPlanes& planes, const TiffColourLook& look,
                          DiskSpace disk = {});

}  // namespace nvk::files
