#pragma once

#include <cstdint>
#include <span>

#include "colour/program.h"

namespace nvk::colour {

// Sets up the automatic display stretch of a new colour image (program.colourStretch): each
// plane black at its sky and white at its brightest star, found as the guide display finds them
// (image/display_levels.h). It holds until the user sets a colour balance.
void startAutoColourStretch(Program& program);

// Fills the colour picture of a colour-converted image: red, green, blue bytes (through the
// automatic stretch while it holds, else the high bytes of the colour samples) for each display
// pixel, `displayWidth` x 3 bytes a row, taking every
// `step`-th sample of every `step`-th row (2 for the half-size display). The picture is built in
// 8 horizontal strips under the progress dialog "BUILDING COLOUR IMAGE".
void buildColourDisplay(Program& program, std::span<std::uint8_t> rgb, int displayWidth,
                        int displayHeight, int step);

}  // namespace nvk::colour
