#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "image/geometry.h"

namespace nvk::image {

// One image plane: room for a full high-resolution frame. The current geometry decides how much
// of it belongs to the image (sample (x, y) is element y * width + x).
using Plane = std::span<std::uint16_t, kPlaneSamples>;

// A colour triplet, held in the order red, blue, green. Files store it as red, green, blue.
struct ColourPlanes {
  static constexpr int kRed = 0;
  static constexpr int kBlue = 1;
  static constexpr int kGreen = 2;
  std::array<Plane, 3> planes;

  Plane red() const { return planes[kRed]; }
  Plane blue() const { return planes[kBlue]; }
  Plane green() const { return planes[kGreen]; }
  Plane operator[](int i) const { return planes[static_cast<std::size_t>(i)]; }
};

// The seventeen image planes and the camera's input buffer, allocated once when the program
// starts, zero-filled, and never resized or freed until it ends, so that no exposure, load or
// filter allocates image memory and references to a plane stay valid.
class PlanePool {
  // Declared first: the storage is allocated before the planes below are bound to it.
  struct FreeDeleter {
    void operator()(void* p) const;
  };
  std::unique_ptr<std::uint16_t, FreeDeleter> samples_;
  std::unique_ptr<std::uint8_t, FreeDeleter> cameraBytes_;

 public:
  static constexpr int kPlaneCount = 17;
  static constexpr std::size_t kCameraBufferBytes = kPlaneBytes;  // 12,305,920

  PlanePool();
  PlanePool(const PlanePool&) = delete;
  PlanePool& operator=(const PlanePool&) = delete;

  // Plane by its number, 1..17.
  Plane plane(int number) const;

  // Plane 1: the current raw frame.
  Plane RawImage;
  // Plane 2: the second raw plane (processing copy, synthesis luminance, frames read by the
  // dark and flat loaders).
  Plane RawImage2;
  // Planes 3..5: the exposure sequence's and the calibration and undo steps' working planes.
  Plane WorkPlane3;
  Plane WorkPlane4;
  Plane WorkPlane5;
  // Planes 6..8: the colour planes built by colour synthesis.
  ColourPlanes ColourImage;
  // Planes 9..11: the rendered colour planes written by RGB FITS and TIFF export.
  ColourPlanes RgbOutputImage;
  // Planes 12..14 and 15..17: working copies of the colour tools (colour undo and the rest).
  ColourPlanes ColourUndoImage;
  ColourPlanes ColourWorkImage;

  // The camera's input buffer: one full frame of bytes as they arrive from USB.
  std::span<std::uint8_t, kCameraBufferBytes> cameraBuffer;
};

}  // namespace nvk::image
