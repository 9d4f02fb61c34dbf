#include "app/display_builder.h"

#include <algorithm>
#include <cmath>

#include "acquire/monitor_loops.h"
#include "colour/colour_display.h"
#include "process/stretch.h"

namespace nvk::app {
namespace {

constexpr int kFalseColourTop = 240;

std::uint8_t highByte(std::uint16_t sample) {
  return static_cast<std::uint8_t>(sample >> 8);
}

}  // namespace

Palette greyPalette() {
  Palette p;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    p[static_cast<std::size_t>(i)] = {v, v, v};
  }
  return p;
}

Palette falseColourPalette() {
  Palette p = greyPalette();
  for (int c = 0; c <= kFalseColourTop; ++c) {
    const int rest = 255 - c;
    p[static_cast<std::size_t>(c)] = {static_cast<std::uint8_t>(c),
                                      static_cast<std::uint8_t>(c * c / 256),
                                      static_cast<std::uint8_t>(rest - rest * rest / 256)};
  }
  return p;
}

std::uint8_t autoContrastLevel(int value, int blackLevel) {
  if (value < blackLevel) return 0;
  const double level = std::pow(value - blackLevel, 0.3) * std::pow(255.0, 0.7);
  return static_cast<std::uint8_t>(std::min(level, 255.0));
}

std::uint8_t displayStretchLevel(int value, double power) {
  if (value >= 255) return 255;
  const double x = value / 255.0;
  const double level = 255.0 * power * x / (x * (power - 1.0) + 1.0);
  return static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
}

std::uint8_t displayLevel(int value, const PaletteChoice& choice) {
  int level = value;
  if (choice.autoContrast) level = autoContrastLevel(level, choice.blackLevel);
  if (choice.displayStretch) level = displayStretchLevel(level, choice.stretchPower);
  return static_cast<std::uint8_t>(level);
}

Palette displayPalette(const PaletteChoice& choice) {
  const Palette base = choice.falseColour ? falseColourPalette() : greyPalette();
  Palette p;
  for (int i = 0; i < 256; ++i) {
    p[static_cast<std::size_t>(i)] = base[displayLevel(i, choice)];
  }
  return p;
}

PaletteChoice paletteChoice(const core::Program& program) {
  PaletteChoice choice;
  choice.falseColour = program.displayOptions.falseColourPalette;
  choice.autoContrast = program.displayOptions.autoContrast;
  choice.blackLevel = program.processing.background.mode;
  choice.displayStretch = program.displayOptions.maxStretch;
  choice.stretchPower = program.displayOptions.stretchPower;
  return choice;
}

namespace {

void buildFocusDisplay(core::Program& program) {
  image::DisplayImage& display = program.display;
  // The same rendering as the camera dialog's focus box, through the focus stretch.
  const files::Bitmap focus =
      acquire::focusBitmap(program.devices.focusWindow, program.acquisition.focusStretch);
  display.width = focus.width;
  display.height = focus.height;
  display.colour = false;
  std::copy(focus.pixels.begin(), focus.pixels.end(), display.pixels.begin());
  display.palette = displayPalette(paletteChoice(program));
}

}  // namespace

void buildDisplayImage(core::Program& program) {
  if (program.displayOptions.focusFrame) {
    buildFocusDisplay(program);
    return;
  }
  image::DisplayImage& display = program.display;
  const image::ImageGeometry& g = program.geometry;
  const int step = program.halfSizeDisplay ? 2 : 1;
  display.width = g.displayWidth;
  display.height = g.displayHeight;
  const std::uint16_t* raw = program.planes.RawImage.data();
  std::uint8_t* out = display.pixels.data();
  for (int y = 0; y < display.height; ++y) {
    const std::uint16_t* row = raw + static_cast<std::size_t>(y * step) * g.width;
    for (int x = 0; x < display.width; ++x)
      *out++ = highByte(row[x * step]);
  }

  display.colour = program.state.colourConverted;
  if (display.colour) {
    // Sized once, on the first colour picture.
    if (display.rgb.size() < image::kPlaneSamples * 3) display.rgb.resize(image::kPlaneSamples * 3);
    colour::buildColourDisplay(program, display.rgb, display.width, display.height, step);
  }

  process::EstimateBackground(program);
  display.palette = displayPalette(paletteChoice(program));
}

ScrollRange scrollRange(bool fitToWindow, int displayWidth, int displayHeight, int clientWidth,
                        int clientHeight) {
  if (fitToWindow || (displayWidth <= clientWidth && displayHeight <= clientHeight)) return {};
  return {std::max(displayWidth - clientWidth, 0), std::max(displayHeight - clientHeight, 0)};
}

}  // namespace nvk::app
