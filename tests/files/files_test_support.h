#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/program.h"

namespace nvk::test {

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> sample(0, 65535);
  std::fill(plane.begin(), plane.end(), std::uint16_t{0});
  for (std::size_t i = 0; i < g.pixelCount; ++i)
    plane[i] = static_cast<std::uint16_t>(sample(rng));
  plane[0] = 0;
  plane[1] = 1;
  plane[2] = 65534;
  plane[3] = 65535;
  plane[4] = 32768;
}

// Sets the image state and geometry of `program` and fills its raw and colour planes.
inline void makeImage(core::Program& program, bool binned, bool colour, unsigned seed = 1) {
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
