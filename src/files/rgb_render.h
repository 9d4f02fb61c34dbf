#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "image/display_image.h"
#include "image/plane_pool.h"

namespace nvk::files {

// The RGB rendering of a colour image, run before an RGB FITS save and a 16-bit colour TIFF:
// each ColourImage plane's share of the brightest of the three, spread by the colour saturation
// setting, scales the raw sample. RgbOutputImage row y is image row height - 1 - y (the image
// upside down). Works in eight bands of rows, last band first. `raw`, `colour` and `output` hold
// `width` x `height` samples; `saturation` is the colour saturation setting.
void renderRgbOutput(const std::uint16_t* raw, const image::ColourPlanes& colour,
                     const image::ColourPlanes& output, int width, int height, int saturation);

// One pixel of that rendering: `planes` in the held order red, blue, green; `saturation` the
// colour saturation setting. Returns the three outputs in the same order.
struct RgbSample {
  std::uint16_t red, blue, green;
};
RgbSample renderRgbPixel(std::uint16_t raw, std::uint16_t red, std::uint16_t blue,
                         std::uint16_t green, int saturation);

// The 8-bit rendering of the same pixel for an 8-bit colour TIFF (all factors 1 from 65534 up).
struct Rgb8Sample {
  std::uint8_t red, green, blue;
};
Rgb8Sample renderRgb8Pixel(std::uint16_t raw, std::uint16_t red, std::uint16_t blue,
                           std::uint16_t green, int saturation);

// The tone curve of the display's power-law stretch: the level each display byte (sample / 256)
// shows at, with the display's black level and power.
using ToneCurve = std::array<std::uint8_t, 256>;
// The curve of a display shown with `options` over the background level `blackLevel`: nullopt
// while the display stretch is off.
std::optional<ToneCurve> displayToneCurve(const image::DisplayOptions& options, int blackLevel);
// The 8-bit rendering with the display stretch on: the raw sample's high byte goes through
// `tone` (its low byte stays) before the colour factors scale it, so a grey pixel comes out as
// bright as the mono display shows it. Saturation (65534 and up) is judged on the raw sample.
Rgb8Sample renderRgb8Pixel(std::uint16_t raw, std::uint16_t red, std::uint16_t blue,
                           std::uint16_t green, int saturation, const ToneCurve& tone);

}  // namespace nvk::files
