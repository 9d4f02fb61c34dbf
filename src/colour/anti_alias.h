#pragma once

#include <cstddef>
#include <cstdint>

#include "colour/program.h"

namespace nvk::colour {

// The 5 x 5 median (the 13th largest of the 25 samples) of `source` at every position of the
// rows [rowBegin, rowEnd) that lies in rows 3 .. height - 4 and columns 3 .. width - 4, written
// to `target` at the same position. Nothing else of `target` is written. `allowVector` false
// keeps to the plain loop.
void medianRows(const std::uint16_t* source, std::uint16_t* target, int width, int height,
                int rowBegin, int rowEnd, bool allowVector = true);

// The last step of the anti-alias for the samples [begin, end): m = (red + blue + green) / 3 of
// the medians, and each colour sample := its median + the low 8 bits of m, at most 65535.
struct MeanStepPlanes {
  const std::uint16_t* medianRed;
  const std::uint16_t* medianBlue;
  const std::uint16_t* medianGreen;
  std::uint16_t* red;
  std::uint16_t* blue;
  std::uint16_t* green;
};
void addMeanLowBits(const MeanStepPlanes& planes, std::size_t begin, std::size_t end,
                    bool allowVector = true);

// "Anti-Alias" (command 8114): refuses an image that is not colour converted; copies the colour
// planes into the colour undo triplet, takes the medians into RgbOutputImage and adds the low
// bits of their mean. Redraws when `redraw` is set (from the menu, not from synthesis).
void AntiAlias(Program& program, bool redraw);

// "Undo Last Colour Filter" (command 810): the colour undo triplet back into the colour planes.
void UndoLastColourFilter(Program& program);

}  // namespace nvk::colour
