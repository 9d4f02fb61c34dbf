#include "files/bmp_codec.h"

#include <algorithm>
#include <cmath>

#include "base/little_endian.h"

namespace nvk::files {
namespace {

using base::appendLe16;
using base::appendLe32;
using base::readLe32;

std::size_t stride(int width) {
  return (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
}

image::DisplayImage::Rgb grey(int v) {
  const auto b = static_cast<std::uint8_t>(v);
  return {b, b, b};
}

}  // namespace

Palette stretchedPalette(int blackLevel) {
  Palette p;
  const double scale = std::pow(255.0, 0.7);
  for (int i = 0; i < 256; ++i) {
    // The small term keeps 255^0.3 x 255^0.7 from truncating to 254.
    const int v =
        i < blackLevel
            ? 0
            : std::min(255, static_cast<int>(std::pow(i - blackLevel, 0.3) * scale + 1e-9));
    p[static_cast<std::size_t>(i)] = grey(v);
  }
  return p;
}

std::vector<std::uint8_t> bitmapHeader(int width, int height, const Palette& palette) {
  const auto imageBytes =
      static_cast<std::uint32_t>(stride(width) * static_cast<std::size_t>(height));
  std::vector<std::uint8_t> out;
  out.reserve(kBitmapHeaderBytes);
  // File header.
  out.push_back('B');
  out.push_back('M');
  appendLe32(out, kBitmapHeaderBytes + imageBytes);  // file size
  appendLe16(out, 0);
  appendLe16(out, 0);
  appendLe32(out, kBitmapHeaderBytes);  // offset of the pixels
  // Information header.
  appendLe32(out, 40);
  appendLe32(out, static_cast<std::uint32_t>(width));
  appendLe32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom first
  appendLe16(out, 1);                                   // planes
  appendLe16(out, 8);                                   // bits a pixel
  appendLe32(out, 0);                                   // no compression
  appendLe32(out, imageBytes);
  appendLe32(out, 0);  // horizontal resolution
  appendLe32(out, 0);  // vertical resolution
  appendLe32(out, 0);  // colours used: all 256
  appendLe32(out, 0);  // important colours: all
  for (const auto& e : palette) {
    out.push_back(e.b);
    out.push_back(e.g);
    out.push_back(e.r);
    out.push_back(0);
  }
  return out;
}

BitmapWrite writeBitmapFile(const std::filesystem::path& path, const Bitmap& bitmap,
                            DiskSpace disk) {
  AtomicFile file;
  if (!file.open(path, disk)) return BitmapWrite::CannotCreate;
  if (!file.write(bitmapHeader(bitmap.width, bitmap.height, bitmap.palette))) {
    return BitmapWrite::HeaderFailed;
  }
  const std::size_t rowBytes = stride(bitmap.width);
  std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(bitmap.height), 0);
  for (int y = 0; y < bitmap.height; ++y) {
    const auto* src = bitmap.pixels.data() + static_cast<std::size_t>(bitmap.height - 1 - y) *
                                                 static_cast<std::size_t>(bitmap.width);
    std::copy_n(src, bitmap.width, pixels.data() + static_cast<std::size_t>(y) * rowBytes);
  }
  if (!file.write(pixels) || !file.commit()) return BitmapWrite::PixelsFailed;
  return BitmapWrite::Written;
}

std::optional<Bitmap> readBitmapFile(const std::filesystem::path& path) {
  const std::int64_t size = fileSize(path);
  InputFile file;
  if (size < kBitmapHeaderBytes || !file.open(path)) return std::nullopt;
  std::vector<std::uint8_t> header(kBitmapHeaderBytes);
  if (!file.read(header) || header[0] != 'B' || header[1] != 'M') return std::nullopt;
  const auto width = static_cast<std::int32_t>(readLe32(&header[18]));
  const auto height = static_cast<std::int32_t>(readLe32(&header[22]));
  // No bitmap the program writes is larger than a full frame; a bigger one would only be
  // allocated to fail, and the rows it claims must all be in the file before any is read.
  if (readLe32(&header[10]) != kBitmapHeaderBytes || header[28] != 8 ||
      readLe32(&header[30]) != 0 || width <= 0 || height <= 0 || width > image::kFullWidth ||
      height > image::kFullHeight) {
    return std::nullopt;
  }
  const std::size_t rowBytes = stride(width);
  if (static_cast<std::uint64_t>(size) <
      kBitmapHeaderBytes + rowBytes * static_cast<std::uint64_t>(height)) {
    return std::nullopt;
  }
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  for (std::size_t i = 0; i < 256; ++i) {
    const auto* e = &header[54 + 4 * i];
    bitmap.palette[i] = {e[2], e[1], e[0]};
  }
  std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(height));
  if (!file.read(rows)) return std::nullopt;
  bitmap.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::copy_n(
        rows.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes, width,
        bitmap.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
  }
  return bitmap;
}

}  // namespace nvk::files
