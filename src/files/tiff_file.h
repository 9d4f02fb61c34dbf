#pragma once

#include <cstdint>
#include <filesystem>

#include "files/atomic_file.h"
#include "files/program.h"
#include "files/save_result.h"

namespace nvk::files {

// The shape of a TIFF export of the current image.
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
TiffLayout tiffLayoutFor(bool binned, bool colour, bool sixteenBit);

// The bytes before the pixel data: header, the 13-entry directory, the resolutions and the two
// strip arrays.
std::vector<std::uint8_t> tiffHeader(const TiffLayout& layout);

// Writes the current image as File > Save as Tiff file does (grey, or RGB for a colour image;
// 8 or 16 bits by the "Save in 16bit Tiff format" setting). A 16-bit colour export renders
// RgbOutputImage first. Shows no message.
SaveResult writeTiffFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});
// writeTiffFile with "Unable to create file, check disk space" on failure.
SaveResult saveTiffFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});

}  // namespace nvk::files
