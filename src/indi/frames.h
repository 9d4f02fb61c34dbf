#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "image/image_state.h"

namespace nvk::indi {

// A rectangle of a chip in its unbinned pixels, as INDI's CCD_FRAME gives it, with the binning
// the frame is read at.
struct ChipFrame {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int bin = 1;
};

// The main chip's readout modes the driver offers, in the order of its switch: high
// resolution reads unbinned, the three binned modes give pixels of 2 x 2 sensor pixels (4x4
// and 4x8 resampled onto that grid by the camera code).
inline constexpr image::ReadoutMode kOfferedModes[] = {
    image::ReadoutMode::HighResolution, image::ReadoutMode::Binned2x2,
    image::ReadoutMode::Binned4x4, image::ReadoutMode::Binned4x8};
// The binning of a frame read in `mode`: 1 for high resolution, else 2.
int binningOf(image::ReadoutMode mode);
// The mode a binning asks for: high resolution for 1; for 2 the binned mode already chosen, or
// binned 2x2 when that was high resolution.
image::ReadoutMode modeForBinning(int bin, image::ReadoutMode current);

// The pixels of `frame` out of the raw image that a readout in `mode` left (`raw`: the
// program's 3040 x 2024 main plane), row after row, (width / bin) x (height / bin) samples.
// The frame is clipped to the sensor's read area first.
std::vector<std::uint16_t> cutMainFrame(std::span<const std::uint16_t> raw, image::ReadoutMode mode,
                                        ChipFrame frame);
// The same for the guide head's 500 x 290 image (16-bit samples holding the head's 8-bit
// values times 256), as 8-bit samples; a binned readout fills 2 x 2 blocks with one value,
// so binned frames take one sample per block.
std::vector<std::uint8_t> cutGuideFrame(std::span<const std::uint16_t> guide, ChipFrame frame);

// `frame` clipped to a chip of width x height pixels and aligned to its binning: whole
// binned pixels, at least one of them.
ChipFrame clipFrame(ChipFrame frame, int width, int height);

}  // namespace nvk::indi
