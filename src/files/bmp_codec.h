#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "files/atomic_file.h"
#include "image/display_image.h"
#include "image/palette.h"

namespace nvk::files {

// The 8-bit Windows bitmaps the program keeps of the display, the focus window and the guider
// image, over plain inputs; the program's bitmaps and messages are in bmp_file.h.

using image::Palette;

// The display's palettes: grey (i, i, i); false colour (View > False Colour Palette); the
// stretched grey of the power-law display stretch above black level `blackLevel`.
using image::falseColourPalette;
using image::greyPalette;
Palette stretchedPalette(int blackLevel);

inline constexpr std::uint32_t kBitmapHeaderBytes = 1078;  // 14 + 40 + 1024

// An 8-bit picture: `width` bytes a row, top row first.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  Palette palette{};
};

// The 1078 bytes before the pixels: "BM" file header, information header, palette as blue,
// green, red, 0.
std::vector<std::uint8_t> bitmapHeader(int width, int height, const Palette& palette);

enum class BitmapWrite { Written, CannotCreate, HeaderFailed, PixelsFailed };
// Writes an 8-bit Windows bitmap, rows bottom first, each padded to a multiple of four bytes.
BitmapWrite writeBitmapFile(const std::filesystem::path& path, const Bitmap& bitmap,
                            DiskSpace disk = {});
// Reads a bitmap this program wrote; nullopt when it cannot be read, is larger than a full
// frame, or holds fewer rows than its header claims.
std::optional<Bitmap> readBitmapFile(const std::filesystem::path& path);

}  // namespace nvk::files
