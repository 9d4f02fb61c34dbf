#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace nvk::image {

// The contrast stretch table: entry i is the new value, halved, of every sample whose value
// halved is i. Every entry lies in 0..32767.
inline constexpr int kStretchTableSize = 32768;
using StretchTable = std::array<std::uint16_t, kStretchTableSize>;

// The background estimate: a histogram of the high bytes of a band of the main frame, and its
// most frequent bin. The counts are 32-bit: a smooth sky puts more than 65,535 samples into one
// bin.
struct BackgroundEstimate {
  static constexpr int kBins = 257;
  std::array<std::uint32_t, kBins> counts{};
  int mode = 0;
};

// What Undo Last Filter restores: the main frame as it was before the last processing
// operation (kept in the undo plane) and the colour-converted flag of that moment.
struct UndoRecord {
  bool available = false;
  bool colourConverted = false;
  std::size_t samples = 0;
};

// The image-processing state of the program that lives between commands. (The display
// stretch's power and switch live with the display.)
struct ProcessState {
  StretchTable stretchTable{};
  BackgroundEstimate background;
  // The Normal Stretch's black level; Remove Background leaves its black point here.
  int normalStretchBlack = 0;
  UndoRecord undo;
};

}  // namespace nvk::image
