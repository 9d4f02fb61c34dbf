#pragma once

#include <string_view>

namespace nvk::image {

// The phase of the colour-filter matrix at one sample: two flags, each 0 or 1. With both at 0
// the site is green (on a red row); row 0 / column 1 is red, row 1 / column 0 blue, row 1 /
// column 1 green on a blue row. Both flip from one sample to the next in their direction.
struct MatrixPhase {
  int row = 0;
  int column = 0;
};

// The phase the colour synthesis starts with: the column phase follows "Pixel Offset", the row
// phase "Line Offset". The first window centre (row 4, column 4) and so, both being even, the
// frame's first sample (row 0, column 0) have this phase.
constexpr MatrixPhase startPhase(bool pixelOffset, bool lineOffset) {
  return {lineOffset ? 1 : 0, pixelOffset ? 1 : 0};
}

// The colour of a site of the given phase; the synthesis decides every window centre by it.
enum class MatrixSite { Red, Green, Blue };
constexpr MatrixSite matrixSite(MatrixPhase phase) {
  if (phase.row == phase.column) return MatrixSite::Green;
  return phase.row == 0 ? MatrixSite::Red : MatrixSite::Blue;
}

// The phase of the sample (row, column) of a frame whose sample (0, 0) has phase `first`.
constexpr MatrixPhase phaseAt(MatrixPhase first, int row, int column) {
  return {first.row ^ (row & 1), first.column ^ (column & 1)};
}

// The colour-filter layout of a frame as it is saved: `pattern` names the sites of the frame's
// top-left 2 x 2 cell, rows top-down ("RGGB", "GRBG", "GBRG" or "BGGR"). The pattern is always
// that of the frame's own first cell, so both offsets are 0: readers that apply XBAYROFF and
// YBAYROFF, and readers that ignore them, then see the same pattern.
struct BayerLayout {
  std::string_view pattern;
  int xOffset;
  int yOffset;
};

// The layout of a raw frame taken with the "Pixel Offset" and "Line Offset" settings, which
// describe the matrix as seen from the sensor's sample (0, 0); `originX` and `originY` are the
// sensor column and row of the frame's first sample (0 for a full frame; a sub-frame starting on
// an odd column or row shifts the pattern by one site).
BayerLayout bayerLayout(bool pixelOffset, bool lineOffset, int originX, int originY);

// The phase of the first sample of such a frame, which a synthesis of it starts with.
MatrixPhase framePhase(bool pixelOffset, bool lineOffset, int originX, int originY);

}  // namespace nvk::image
