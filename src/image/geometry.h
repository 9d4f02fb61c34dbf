#pragma once

#include <cstddef>
#include <cstdint>

namespace nvk::image {

// Full sensor frame (high resolution) and the 1520 x 1012 grid that every binned and sub-frame
// readout produces.
inline constexpr int kFullWidth = 3040;
inline constexpr int kFullHeight = 2024;
inline constexpr int kBinnedWidth = 1520;
inline constexpr int kBinnedHeight = 1012;
inline constexpr std::size_t kPlaneSamples = std::size_t{kFullWidth} * kFullHeight;  // 6,152,960
inline constexpr std::size_t kPlaneBytes = kPlaneSamples * 2;                        // 12,305,920
// Raw and FITS sample data move in this many chunks per plane.
inline constexpr int kChunksPerPlane = 10;

// The dimensions of the current image. Everything follows from one flag, `binned`, through
// applyGeometry(); the display size also depends on the half-size display option.
struct ImageGeometry {
  int width = kFullWidth;
  int height = kFullHeight;
  int rowBytes = kFullWidth * 2;
  std::size_t pixelCount = kPlaneSamples;
  std::size_t frameBytes = kPlaneBytes;
  std::size_t chunkBytes = kPlaneBytes / kChunksPerPlane;
  int lastColumn = kFullWidth - 1;
  int lastRow = kFullHeight - 1;
  int displayWidth = kFullWidth;
  int displayHeight = kFullHeight;

  bool operator==(const ImageGeometry&) const = default;
};

// Recomputes every field from `binned` and the "Bin High Res Display" option.
ImageGeometry applyGeometry(bool binned, bool halfSizeDisplay);

}  // namespace nvk::image
