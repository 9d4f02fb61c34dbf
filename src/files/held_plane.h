#pragma once

#include <cstdint>

#include "files/atomic_file.h"
#include "image/geometry.h"

namespace nvk::files {

// Writes the geometry's frame of `plane` as held in memory (the files' little-endian samples),
// in the ten chunks the program writes a plane in. False when a write fell short.
bool writeHeldPlane(AtomicFile& file, const std::uint16_t* plane, const image::ImageGeometry& g);

}  // namespace nvk::files
