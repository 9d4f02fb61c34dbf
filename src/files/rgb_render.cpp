#include "files/rgb_render.h"

#include <algorithm>

#include "image/palette.h"

namespace nvk::files {
namespace {

constexpr int kBands = 8;

// ((factor - 1) x s x 0.5 + 1.2) x raw with factor = plane / brightest.
double channel(double raw, std::uint16_t plane, std::uint16_t brightest, bool flat, double spread) {
  const double factor = flat ? 1.0 : static_cast<double>(plane) / brightest;
  return ((factor - 1.0) * spread * 0.5 + 1.2) * raw;
}

std::uint16_t clamp16(double v) {
  if (v <= 0.0) return 0;
  if (v >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(v);
}

std::uint8_t clamp8(double v) {
  const double scaled = v / 256.0;
  if (scaled <= 0.0) return 0;
  if (scaled >= 255.0) return 255;
  return static_cast<std::uint8_t>(scaled);
}

double spreadOf(int saturation) {
  return (saturation + 1) * 0.5;
}

}  // namespace

RgbSample renderRgbPixel(std::uint16_t raw, std::uint16_t red, std::uint16_t blue,
                         std::uint16_t green, int saturation) {
  const std::uint16_t brightest = std::max({red, blue, green});
  const bool flat = raw == 65535 || brightest == 0;
  const double s = spreadOf(saturation);
  return {clamp16(channel(raw, red, brightest, flat, s)),
          clamp16(channel(raw, blue, brightest, flat, s)),
          clamp16(channel(raw, green, brightest, flat, s))};
}

Rgb8Sample renderRgb8Pixel(std::uint16_t raw, std::uint16_t red, std::uint16_t blue,
                           std::uint16_t green, int saturation) {
  const std::uint16_t brightest = std::max({red, blue, green});
  const bool flat = raw >= 65534 || brightest == 0;
  const double s = spreadOf(saturation);
  return {clamp8(channel(raw, red, brightest, flat, s)),
          clamp8(channel(raw, green, brightest, flat, s)),
          clamp8(channel(raw, blue, brightest, flat, s))};
}

std::optional<ToneCurve> displayToneCurve(const image::DisplayOptions& options, int blackLevel) {
  if (!options.maxStretch) return std::nullopt;
  const image::PaletteChoice choice = image::paletteChoice(options, blackLevel);
  ToneCurve tone;
  for (int j = 0; j < 256; ++j)
    tone[static_cast<std::size_t>(j)] = image::displayLevel(j, choice);
  return tone;
}

Rgb8Sample renderRgb8Pixel(std::uint16_t raw, std::uint16_t red, std::uint16_t blue,
                           std::uint16_t green, int saturation, const ToneCurve& tone) {
  const std::uint16_t brightest = std::max({red, blue, green});
  const bool flat = raw >= 65534 || brightest == 0;
  const double s = spreadOf(saturation);
  const int toned = tone[raw >> 8] * 256 + (raw & 0xFF);
  return {clamp8(channel(toned, red, brightest, flat, s)),
          clamp8(channel(toned, green, brightest, flat, s)),
          clamp8(channel(toned, blue, brightest, flat, s))};
}

void renderRgbOutput(const std::uint16_t* raw, const image::ColourPlanes& in,
                     const image::ColourPlanes& out, int width, int height, int saturation) {
  const int bandRows = (height + kBands - 1) / kBands;
  for (int band = kBands - 1; band >= 0; --band) {
    const int first = band * bandRows;
    const int last = std::min(height, first + bandRows);
    for (int y = first; y < last; ++y) {
      const std::size_t src = static_cast<std::size_t>(height - 1 - y) * width;
      const std::size_t dst = static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        const std::size_t i = src + x;
        const auto p = renderRgbPixel(raw[i], in.red()[i], in.blue()[i], in.green()[i], saturation);
        out.red()[dst + x] = p.red;
        out.blue()[dst + x] = p.blue;
        out.green()[dst + x] = p.green;
      }
    }
  }
}

}  // namespace nvk::files
