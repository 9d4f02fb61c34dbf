#pragma once

#include <cstdint>

#include "app/program.h"

namespace nvk::app {

// Draws a star field into RawImage in the current geometry: a sky background with a little
// noise and a few hundred Gaussian stars, the same for the same seed. The desktop program shows
// it when started with --simulate, so that the window has a picture before the first exposure.
void renderDemoStarField(Program& program, std::uint32_t seed);

}  // namespace nvk::app
