#include "image/plane_pool.h"

#include <cstdlib>
#include <new>
#include <stdexcept>

namespace nvk::image {
namespace {

template <typename T>
T* allocateZeroed(std::size_t count) {
  // calloc hands back pages that the system zero-fills on first touch, so the 209 MB pool costs
  // nothing until it is used.
  void* p = std::calloc(count, sizeof(T));
  if (p == nullptr) throw std::bad_alloc();
  return static_cast<T*>(p);
}

Plane planeAt(std::uint16_t* base, int index) {
  return Plane(base + static_cast<std::size_t>(index) * kPlaneSamples, kPlaneSamples);
}

}  // namespace

void PlanePool::FreeDeleter::operator()(void* p) const {
  std::free(p);
}

PlanePool::PlanePool()
    : samples_(allocateZeroed<std::uint16_t>(kPlaneCount * kPlaneSamples)),
      cameraBytes_(allocateZeroed<std::uint8_t>(kCameraBufferBytes)),
      RawImage(planeAt(samples_.get(), 0)),
      RawImage2(planeAt(samples_.get(), 1)),
      WorkPlane3(planeAt(samples_.get(), 2)),
      WorkPlane4(planeAt(samples_.get(), 3)),
      WorkPlane5(planeAt(samples_.get(), 4)),
      ColourImage{{plane(6), plane(7), plane(8)}},
      RgbOutputImage{{plane(9), plane(10), plane(11)}},
      ColourUndoImage{{plane(12), plane(13), plane(14)}},
      ColourWorkImage{{plane(15), plane(16), plane(17)}},
      cameraBuffer(cameraBytes_.get(), kCameraBufferBytes) {}

Plane PlanePool::plane(int number) const {
  if (number < 1 || number > kPlaneCount) throw std::out_of_range("plane number");
  return planeAt(samples_.get(), number - 1);
}

}  // namespace nvk::image
