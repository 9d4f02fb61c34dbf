#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "files/atomic_file.h"
#include "image/geometry.h"
#include "image/hot_pixel_map.h"

namespace nvk::files {

// The .HPM file: the 15 signature bytes (no terminator), a little-endian 32-bit count n, then n
// little-endian 32-bit sample indexes.
inline constexpr std::string_view kHotPixelMapSignature = "K7LQHotPixelMap";
inline constexpr std::int64_t kHotPixelMapHeaderBytes = 19;

enum class HotPixelMapWrite { Written, CannotCreate, WriteFailed };

// Writes `map`'s entries (temporary file, renamed into place when complete). Shows no message:
// the caller says "Failed to create Hot Pixel Map file" or "Hot Pixel Map file write failed".
HotPixelMapWrite writeHotPixelMapFile(const std::filesystem::path& path,
                                      const image::HotPixelMap& map, DiskSpace disk = {});

enum class HotPixelMapRead { Loaded, CannotOpen, NotAMap };

// Reads a map file into `map` and marks it loaded. A file without the signature, or whose count
// is negative, above the map's capacity or more than the file holds, or with an index outside
// a plane, is NotAMap and `map` is left as it was.
HotPixelMapRead readHotPixelMapFile(const std::filesystem::path& path, image::HotPixelMap& map);

}  // namespace nvk::files
