#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace nvk::acquire {

// What adding a frame to a star-aligned sum found.
enum class AlignStatus {
  Added = 0,
  StarLost = 1,  // the star is gone or changed too much; the sum so far is kept as the image
  NoRegion = 2,  // (profile method) no part of the first frame is bright enough to align on
};

// A frame of width x height samples, rows one after the other.
struct FrameView {
  std::span<std::uint16_t> samples;
  int width = 0;
  int height = 0;
  std::uint16_t& at(int row, int column) const {
    return samples[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(column)];
  }
};

// The star-aligned summation of a series: each new frame is shifted onto the first and added
// to the accumulator. `divisor` divides each frame before it is added (1 for a plain sum; the
// number of frames of the run for "Average Multiple Exposures", so that the result is their
// mean). Sums saturate at 65535.
class StarAlignedSum {
 public:
  // The accumulator is a plane of the program that holds at least a full frame.
  explicit StarAlignedSum(std::span<std::uint16_t> accumulator) : accumulator_(accumulator) {}

  // Forgets the reference: the next frame starts a new sum.
  void clear() { started_ = false; }
  bool started() const { return started_; }

  // The standard method: aligns on one star, found in the first frame from `startRow`,
  // `startColumn` and tracked by its centroid (box radius `radius`). The sum is left in
  // `frame`. A star whose peak grew above 3 x or fell below 0.3 x the first peak is lost.
  AlignStatus addOnStar(FrameView frame, int startRow, int startColumn, int radius, int divisor);
  // The alternative slew method: aligns on the row and column intensity profiles of a 100 x 100
  // region. The sum is left in `frame`.
  AlignStatus addOnProfiles(FrameView frame, int divisor);

  // The reference star (standard method) and its first peak.
  int referenceRow() const { return referenceRow_; }
  int referenceColumn() const { return referenceColumn_; }
  int referencePeak() const { return peak_; }
  // The shifts of the profile method, summed over the run.
  int rowOffset() const { return rowOffset_; }
  int columnOffset() const { return columnOffset_; }

  static constexpr int kRegionSize = 100;
  static constexpr int kMaxShift = 10;
  using Profile = std::array<std::int64_t, kRegionSize>;

 private:
  FrameView accumulator(const FrameView& like) const {
    return {accumulator_, like.width, like.height};
  }
  void buildProfiles(const FrameView& frame, int backgroundBin, Profile& rows,
                     Profile& columns) const;

  std::span<std::uint16_t> accumulator_;
  bool started_ = false;
  int referenceRow_ = 0;
  int referenceColumn_ = 0;
  int peak_ = 0;
  int regionRow_ = 0;  // the first row of the profile region (100, 110 or 120)
  Profile rowProfile_{};
  Profile columnProfile_{};
  int rowOffset_ = 0;
  int columnOffset_ = 0;
};

// The brightest star of the frame at least `margin` samples inside its edges: the sample whose
// brighter left or right neighbour is the brightest (so that single hot pixels do not count).
// Returns {row, column}.
std::array<int, 2> brightestStar(const FrameView& frame, int margin);

// Where the standard method looks for its star in the first frame of a run: the guide star the
// user picked ({row, column} in the frame's samples) when it lies at least `margin` samples
// inside the frame, otherwise the brightest star. Returns {row, column}.
std::array<int, 2> summationStart(const FrameView& frame, std::optional<std::array<int, 2>> picked,
                                  int margin);

// Index of the fullest bin of the 256-bin histogram of sample / 256 (the first on a tie).
int backgroundBin(const FrameView& frame);

}  // namespace nvk::acquire
