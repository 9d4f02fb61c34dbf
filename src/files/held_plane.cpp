#include "files/held_plane.h"

#include "base/little_endian.h"

namespace nvk::files {

bool writeHeldPlane(AtomicFile& file, const std::uint16_t* plane, const image::ImageGeometry& g) {
  const auto* bytes = base::leBytes(plane);
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    if (!file.write(bytes + chunk * g.chunkBytes, g.chunkBytes)) return false;
  }
  return true;
}

}  // namespace nvk::files
