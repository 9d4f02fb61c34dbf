#pragma once

#include <cstdint>
#include <span>

#include "colour/program.h"

namespace nvk::colour {

// Fills the colour picture of a colour-converted image: red, green, blue bytes (the high bytes
// of the colour samples) for each display pixel, `displayWidth` x 3 bytes a row, taking every
// `step`-th sample of every `step`-th row (2 for the half-size display). The picture is built in
// 8 horizontal strips under the progress dialog "BUILDING COLOUR IMAGE".
void buildColourDisplay(Program& program, std::span<std::uint8_t> rgb, int displayWidth,
                        int displayHeight, int step);

}  // namespace nvk::colour
