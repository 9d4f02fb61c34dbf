#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace nvk::base {

// The program's files (raw frames, TIFF, BMP, the settings file, the hot-pixel map) hold their
// words little-endian, low byte first. These are the one place that order is written and read.

inline void appendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  appendLe16(out, static_cast<std::uint16_t>(value));
  appendLe16(out, static_cast<std::uint16_t>(value >> 16));
}

inline void appendLe64(std::vector<std::uint8_t>& out, std::uint64_t value) {
  appendLe32(out, static_cast<std::uint32_t>(value));
  appendLe32(out, static_cast<std::uint32_t>(value >> 32));
}

inline void storeLe16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline std::uint16_t readLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t readLe32(const std::uint8_t* p) {
  return readLe16(p) | static_cast<std::uint32_t>(readLe16(p + 2)) << 16;
}

inline std::uint64_t readLe64(const std::uint8_t* p) {
  return readLe32(p) | static_cast<std::uint64_t>(readLe32(p + 4)) << 32;
}

// The image planes and the map entries are held in memory in the files' order, so they go to
// a file (and come back) as they are, without a conversion.
static_assert(std::endian::native == std::endian::little,
              "planes are written to file and read back as held in memory");

// The bytes of `words` as a file holds them.
template <typename Word>
const std::uint8_t* leBytes(const Word* words) {
  return reinterpret_cast<const std::uint8_t*>(words);
}

}  // namespace nvk::base
