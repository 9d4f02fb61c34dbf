#pragma once

#include <cstdint>
#include <span>

#include "image/display_image.h"
#include "image/plane_pool.h"

namespace nvk::image {

// The levels of the automatic display stretches (the guide display and a new colour image),
// found the same way on any star field of width x height samples:
// - the sky is the fullest of the 256 high-byte levels (most of a star field is sky);
// - the top is the brightest star: the brightest sample that has a 4-neighbour at least as bright,
//   so a lone hot pixel cannot darken the whole picture.
int skyHighByteLevel(std::span<const std::uint16_t> samples);
int brightestStarSample(std::span<const std::uint16_t> samples, int width, int height);

// The automatic stretch of a new colour image of width x height samples: each plane black at its
// sky (the lower edge of that level) and white at its brightest star.
ColourDisplayStretch autoColourStretch(const ColourPlanes& colour, int width, int height);

}  // namespace nvk::image
