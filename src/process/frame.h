#pragma once

#include <cstdint>
#include <span>

#include "process/program.h"

namespace nvk::process {

// A labelled image carries the value 17 in its first six samples (the label marker): its top
// ten rows hold the label text, and the processing operations leave them alone.
inline constexpr int kLabelRows = 10;

inline bool isLabelledFrame(std::span<const std::uint16_t> raw) {
  return raw[4] + raw[5] == 34;
}
inline bool isLabelledFrame(const Program& program) {
  return isLabelledFrame(program.planes.RawImage);
}

// The first row a filter of radius `radius` may write: the band of a labelled image is skipped.
inline int firstFilterRow(const Program& program, int radius) {
  return radius + (isLabelledFrame(program) ? kLabelRows : 0);
}

// The result of a filter as a sample: above 65280 saturates to 65535, below 0 gives 0.
inline std::uint16_t clampFiltered(std::int32_t e) {
  return e > 65280 ? std::uint16_t{65535}
         : e < 0   ? std::uint16_t{0}
                   : static_cast<std::uint16_t>(e);
}

// The row progress of the filters: the row halved in binned geometry, quartered at full
// resolution.
inline int filterProgressPosition(const Program& program, int row) {
  return program.state.binned ? row / 2 : row / 4;
}

}  // namespace nvk::process
