#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nvk::camera {

// The main sensor's line: 6064 samples covering two sensor rows, as 1516 cells of 4 samples in
// the order top-left, bottom-left, bottom-right, top-right. A full frame is 1008 lines.
inline constexpr int kLineSamples = 6064;
inline constexpr int kFrameLines = 1008;
// Where line k of a high-resolution readout goes in the raw buffer: k x 6080 samples, one row
// pair of the 3040-wide image.
inline constexpr int kHighResLineStride = 6080;
// The sensor area a full readout covers: 1516 cells of 2 x 2 pixels across, 1008 down. The
// image is 3040 x 2024; its last 8 columns and rows are not read.
inline constexpr int kSensorWidth = kLineSamples / 2;
inline constexpr int kSensorHeight = kFrameLines * 2;
// The sensor's pixels are square, 7.8 micrometres on a side; the guide head's are twice that.
inline constexpr double kPixelSizeMicrons = 7.8;
inline constexpr double kGuidePixelSizeMicrons = 15.6;

// The binned 2x2 readout: 1008 lines of 1516 binned pixels (each the sum of one 2 x 2 cell),
// stored two lines to a 3040-sample slot of the raw buffer. Where line k starts:
inline constexpr int kBinned2x2Width = 1516;
inline constexpr int kBinned2x2Height = kFrameLines;
constexpr std::size_t binned2x2LineStart(int line) {
  return static_cast<std::size_t>(line / 2) * 3040 + static_cast<std::size_t>(line % 2) * 1516;
}

// The binned 4x8 readout's size, before it is resampled to the 1520 x 1012 grid.
inline constexpr int kBinned4x8Width = 758;
inline constexpr int kBinned4x8Height = 252;
// The divisors that map an output row and column of the resampled image onto the input.
inline constexpr float kBinned4x8RowDivisor = 4.015873f;
inline constexpr float kBinned4x8ColumnDivisor = 2.0052772f;

// `lineCount` lines of `lineSamples` samples from `lines` (one after the other) to `image`,
// line k starting at k x `imageStride`.
void copyLines(const std::uint16_t* lines, std::size_t lineSamples, std::size_t lineCount,
               std::uint16_t* image, std::size_t imageStride);

// Unscrambling into 2 x 2 cells: the output (width x height, rows `outStride` apart) is walked in
// cells, row pairs from the top and column pairs from the left, and takes the input samples in
// order, 4 per cell: top-left, bottom-left, bottom-right, top-right. Width and height are even.
void unscrambleCells(const std::uint16_t* in, int width, int height, std::uint16_t* out,
                     std::size_t outStride);
// The same where input and output are one buffer: the input of cell row p is exactly the
// samples that row pair p of the output occupies.
void unscrambleCellsInPlace(std::uint16_t* image, int width, int height);

// A high-resolution readout decoded in one pass: the same samples as copyLines() of the 1008
// lines at the 6080-sample stride followed by unscrambleCellsInPlace() over 3040 x 2024
// (the samples those lines do not reach keep what the image held).
void decodeHighResolution(const std::uint16_t* lines, std::uint16_t* image);

// Binned 4x4: the 504 lines of 758 samples sit on the even rows 0..1006 of a 1520-wide image.
// Each of those rows is widened right to left (sample k to column 2k, column 2k - 1 the mean of
// samples k and k - 1 by integer halves), every odd row becomes the mean of its neighbours by
// integer halves, and row 1011 a copy of row 1010.
void interpolateBinned4x4(std::uint16_t* image);

// Binned 4x8: the 758 x 252 input resampled bilinearly to 1520 x 1012 in single precision
// (input row r / 4.015873, column c / 2.0052772; the last input row and column stand in for the
// ones beyond them; results above 65535 are stored as 65535). `scratch` holds at least
// resampleScratchFloats() values.
void resampleBinned4x8(const std::uint16_t* in, std::uint16_t* out, std::span<float> scratch);
std::size_t resampleScratchFloats();
// The output rows [rowBegin, rowEnd) of the same: calls on separate rows, each with its own
// scratch, may run on separate threads.
void resampleBinned4x8Rows(const std::uint16_t* in, std::uint16_t* out, std::span<float> scratch,
                           int rowBegin, int rowEnd);

// Mode 7: every odd row (but the last) becomes (row above / 2) + (row below / 2) and the last row
// a copy of the row above it.
void fillOddRows(std::uint16_t* image, int width, int height);

// Sets the `frameWidth` x `frameHeight` frame to 0 outside the block of `blockWidth` x
// `blockHeight` samples whose top-left is (left, top).
void blankAround(std::uint16_t* frame, int frameWidth, int frameHeight, int left, int top,
                 int blockWidth, int blockHeight);

}  // namespace nvk::camera
