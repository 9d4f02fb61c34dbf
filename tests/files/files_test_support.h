#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"

namespace nvk::test {

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Card `index` (0-based) of a file's header, as text.
inline std::string cardOf(const std::vector<std::uint8_t>& file, int index) {
  const auto* p = reinterpret_cast<const char*>(file.data()) + index * 80;
  return std::string(p, 80);
}

// Fills the current geometry's part of a plane with random samples (the boundary values
// included at fixed places) and zeroes the rest of it.
inline void fillPlane(const image::Plane& plane, const image::ImageGeometry& g, unsigned seed) {
  // xorshift64*: four samples a step, fast enough to fill full frames in every test.
  std::uint64_t state = 0x9E3779B97F4A7C15ull * (seed + 1);
  std::fill(plane.begin() + static_cast<std::ptrdiff_t>(g.pixelCount), plane.end(),
            std::uint16_t{0});
  for (std::size_t i = 0; i < g.pixelCount; i += 4) {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    const std::uint64_t bits = state * 0x2545F4914F6CDD1Dull;
    for (std::size_t k = 0; k < 4 && i + k < g.pixelCount; ++k) {
      plane[i + k] = static_cast<std::uint16_t>(bits >> (16 * k));
    }
  }
  plane[0] = 0;
  plane[1] = 1;
  plane[2] = 65534;
  plane[3] = 65535;
  plane[4] = 32768;
}

// Sets the image state and geometry of `program` and fills its raw and colour planes.
inline void makeImage(app::Program& program, bool binned, bool colour, unsigned seed = 1) {
  program.state.binned = binned;
  program.state.colourConverted = colour;
  program.applyGeometry();
  fillPlane(program.planes.RawImage, program.geometry, seed);
  for (int i = 0; i < 3; ++i) {
    fillPlane(program.planes.ColourImage[i], program.geometry,
              seed * 10 + static_cast<unsigned>(i));
  }
}

inline bool samePlanePart(const image::Plane& a, const image::Plane& b, std::size_t count) {
  return std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(count), b.begin());
}

}  // namespace nvk::test
