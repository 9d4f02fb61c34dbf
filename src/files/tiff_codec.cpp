#include "files/tiff_codec.h"

#include "base/little_endian.h"
#include "image/geometry.h"

namespace nvk::files {
namespace {

constexpr std::uint32_t kDirectoryOffset = 8;
constexpr std::uint32_t kXResolutionOffset = 170;
constexpr std::uint32_t kYResolutionOffset = 178;
constexpr std::uint32_t kStripOffsetsOffset = 186;
constexpr int kEntries = 13;

using base::appendLe16;
using base::appendLe32;

enum TiffType : std::uint16_t { kShort = 3, kLong = 4, kRational = 5 };

// A directory entry; a SHORT value sits in the low half of the value field.
void entry(std::vector<std::uint8_t>& out, std::uint16_t tag, TiffType type, std::uint32_t count,
           std::uint32_t value) {
  appendLe16(out, tag);
  appendLe16(out, type);
  appendLe32(out, count);
  if (type == kShort && count == 1) {
    appendLe16(out, static_cast<std::uint16_t>(value));
    appendLe16(out, 0);
  } else {
    appendLe32(out, value);
  }
}

// One file row of 16-bit colour pixels: red, green, blue, each little-endian.
void interleaveRgb16(const std::uint16_t* __restrict red, const std::uint16_t* __restrict green,
                     const std::uint16_t* __restrict blue, int width,
                     std::uint8_t* __restrict out) {
  for (int x = 0; x < width; ++x) {
    base::storeLe16(out + 6 * x, red[x]);
    base::storeLe16(out + 6 * x + 2, green[x]);
    base::storeLe16(out + 6 * x + 4, blue[x]);
  }
}

// One file row of 8-bit colour pixels, rendered as the window shows the colour image.
void renderRgb8Row(const TiffPlanes& planes, const TiffColourLook& look, std::size_t first,
                   int width, std::uint8_t* out) {
  const std::uint16_t* raw = planes.raw;
  const auto& [red, green, blue] = planes.colour;
  const image::ColourDisplayStretch& shown = look.stretch;
  for (int x = 0; x < width; ++x) {
    const std::size_t i = first + static_cast<std::size_t>(x);
    if (shown.automatic) {
      // As the window shows a new colour image: through its automatic stretch.
      out[3 * x] = shown.apply(0, red[i]);
      out[3 * x + 1] = shown.apply(1, green[i]);
      out[3 * x + 2] = shown.apply(2, blue[i]);
      continue;
    }
    const auto p =
        look.tone ? renderRgb8Pixel(raw[i], red[i], blue[i], green[i], look.saturation, *look.tone)
                  : renderRgb8Pixel(raw[i], red[i], blue[i], green[i], look.saturation);
    out[3 * x] = p.red;
    out[3 * x + 1] = p.green;
    out[3 * x + 2] = p.blue;
  }
}

}  // namespace

TiffLayout tiffLayout(int width, int rows, int rowsPerStrip, bool colour, bool sixteenBit) {
  TiffLayout t;
  t.width = width;
  t.rows = rows;
  t.colour = colour;
  t.sixteenBit = sixteenBit;
  t.rowsPerStrip = rowsPerStrip;
  t.strips = t.rows / t.rowsPerStrip;
  t.bytesPerPixel = (colour ? 3 : 1) * (sixteenBit ? 2 : 1);
  t.stripBytes = static_cast<std::uint32_t>(t.rowsPerStrip * t.width * t.bytesPerPixel);
  t.dataOffset = kStripOffsetsOffset + 8 * static_cast<std::uint32_t>(t.strips);
  t.dataBytes = static_cast<std::uint32_t>(t.rows) * t.width * t.bytesPerPixel;
  return t;
}

TiffLayout tiffLayoutFor(bool binned, bool colour, bool sixteenBit) {
  const auto g = image::applyGeometry(binned, false);
  return tiffLayout(g.width, g.height - (binned ? 2 : 4), colour ? 101 : 202, colour, sixteenBit);
}

std::vector<std::uint8_t> tiffHeader(const TiffLayout& t) {
  const auto strips = static_cast<std::uint32_t>(t.strips);
  const std::uint32_t bitsPerSample = t.sixteenBit ? 16 : 8;
  std::vector<std::uint8_t> out;
  out.reserve(t.dataOffset);
  out.push_back(0x49);
  out.push_back(0x49);
  appendLe16(out, 42);
  appendLe32(out, kDirectoryOffset);
  appendLe16(out, kEntries);
  entry(out, 254, kLong, 1, 0);                                     // NewSubfileType
  entry(out, 256, kShort, 1, static_cast<std::uint32_t>(t.width));  // ImageWidth
  entry(out, 257, kShort, 1, static_cast<std::uint32_t>(t.rows));   // ImageLength
  if (t.colour) {                                                   // BitsPerSample
    entry(out, 258, kShort, 3, t.dataOffset + t.dataBytes);
  } else {
    entry(out, 258, kShort, 1, bitsPerSample);
  }
  entry(out, 259, kShort, 1, 1);                                          // Compression: none
  entry(out, 262, kShort, 1, t.colour ? 2 : 1);                           // Photometric: RGB / grey
  entry(out, 273, kLong, strips, kStripOffsetsOffset);                    // StripOffsets
  entry(out, 277, kShort, 1, t.colour ? 3 : 1);                           // SamplesPerPixel
  entry(out, 278, kLong, 1, static_cast<std::uint32_t>(t.rowsPerStrip));  // RowsPerStrip
  entry(out, 279, kLong, strips, kStripOffsetsOffset + 4 * strips);       // StripByteCounts
  entry(out, 282, kRational, 1, kXResolutionOffset);                      // XResolution
  entry(out, 283, kRational, 1, kYResolutionOffset);                      // YResolution
  entry(out, 296, kShort, 1, 3);  // ResolutionUnit: centimetre
  appendLe32(out, 0);             // no further directory
  appendLe32(out, 510);
  appendLe32(out, 6);
  appendLe32(out, 256);
  appendLe32(out, 4);
  for (std::uint32_t k = 0; k < strips; ++k)
    appendLe32(out, t.dataOffset + k * t.stripBytes);
  for (std::uint32_t k = 0; k < strips; ++k)
    appendLe32(out, t.stripBytes);
  return out;
}

SaveResult writeTiffImage(const std::filesystem::path& path, const TiffLayout& t,
                          const TiffPlanes& planes, const TiffColourLook& look, DiskSpace disk) {
  AtomicFile file;
  if (!file.open(path, disk)) return SaveResult::CannotCreate;
  if (!file.write(tiffHeader(t))) return SaveResult::WriteFailed;

  const std::size_t width = static_cast<std::size_t>(t.width);
  if (!t.colour && t.sixteenBit) {
    // Grey 16 bits: image rows 0 to n - 1 are the file's samples exactly as held, one run of
    // bytes for all strips.
    const std::size_t bytes = static_cast<std::size_t>(t.strips) * t.stripBytes;
    if (!file.write(base::leBytes(planes.raw), bytes)) return SaveResult::WriteFailed;
    return file.commit() ? SaveResult::Saved : SaveResult::WriteFailed;
  }

  const std::size_t rowBytes = width * static_cast<std::size_t>(t.bytesPerPixel);
  std::vector<std::uint8_t> strip(t.stripBytes);
  for (int s = 0; s < t.strips; ++s) {
    const std::size_t firstRow = static_cast<std::size_t>(s) * t.rowsPerStrip;
    if (!t.colour) {
      // Grey 8 bits: the high byte of each sample.
      const std::uint16_t* __restrict in = planes.raw + firstRow * width;
      std::uint8_t* __restrict out = strip.data();
      for (std::size_t i = 0; i < t.stripBytes; ++i)
        out[i] = static_cast<std::uint8_t>(in[i] >> 8);
    }
    for (int r = 0; t.colour && r < t.rowsPerStrip; ++r) {
      const int fileRow = static_cast<int>(firstRow) + r;
      std::uint8_t* out = strip.data() + static_cast<std::size_t>(r) * rowBytes;
      if (t.sixteenBit) {
        // The rendering is upside down: its rows n - 1 down to 0 are image rows height - n on.
        const std::size_t row = static_cast<std::size_t>(t.rows - 1 - fileRow) * width;
        const auto& [red, green, blue] = planes.rendered;
        interleaveRgb16(red + row, green + row, blue + row, t.width, out);
      } else {
        // The 8-bit colour rendering of image rows height - n to height - 1, upright.
        const std::size_t row = static_cast<std::size_t>(planes.height - t.rows + fileRow) * width;
        renderRgb8Row(planes, look, row, t.width, out);
      }
    }
    if (!file.write(strip)) return SaveResult::WriteFailed;
  }
  if (t.colour) {
    std::vector<std::uint8_t> bits;
    for (int k = 0; k < 3; ++k)
      appendLe16(bits, t.sixteenBit ? 16 : 8);
    if (!file.write(bits)) return SaveResult::WriteFailed;
  }
  return file.commit() ? SaveResult::Saved : SaveResult::WriteFailed;
}

}  // namespace nvk::files
