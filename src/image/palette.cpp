#include "image/palette.h"

#include <algorithm>
#include <cmath>

namespace nvk::image {
namespace {

constexpr int kFalseColourTop = 240;

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

PaletteChoice paletteChoice(const DisplayOptions& options, int blackLevel) {
  PaletteChoice choice;
  choice.falseColour = options.falseColourPalette;
  choice.autoContrast = options.autoContrast;
  choice.blackLevel = blackLevel;
  choice.displayStretch = options.maxStretch;
  choice.stretchPower = options.stretchPower;
  return choice;
}

}  // namespace nvk::image
