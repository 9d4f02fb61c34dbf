#include "image/bayer_pattern.h"

#include <array>
#include <cstddef>

namespace nvk::image {

MatrixPhase framePhase(bool pixelOffset, bool lineOffset, int originX, int originY) {
  return phaseAt(startPhase(pixelOffset, lineOffset), originY, originX);
}

BayerLayout bayerLayout(bool pixelOffset, bool lineOffset, int originX, int originY) {
  const MatrixPhase first = framePhase(pixelOffset, lineOffset, originX, originY);
  // Indexed by the phase of the top-left site: its row flag, then its column flag.
  static constexpr std::array<std::array<std::string_view, 2>, 2> kPatterns{{
      {"GRBG", "RGGB"},  // row phase 0: green or red first
      {"BGGR", "GBRG"},  // row phase 1: blue or green first
  }};
  return {kPatterns[static_cast<std::size_t>(first.row)][static_cast<std::size_t>(first.column)], 0,
          0};
}

}  // namespace nvk::image
