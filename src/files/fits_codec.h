#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "files/atomic_file.h"
#include "files/fits_header.h"
#include "files/save_result.h"
#include "image/geometry.h"

namespace nvk::files {

// The FITS files of this program over plain inputs: the planes and what the header says. The
// File menu and the tool gather these from the program (fits_file.h).

// The samples a FITS file carries; each plane holds `geometry.pixelCount` samples.
struct FitsPlanes {
  image::ImageGeometry geometry;
  const std::uint16_t* raw = nullptr;  // the mono and eight-bit data, the first of four planes
  // The three planes of the colour shape (the colour image) or of the RGB shape (its rendering)
  // in the file's order red, green, blue.
  std::array<const std::uint16_t*, 3> rgb{};
};

// Everything a header of this program says.
struct FitsHeaderValues {
  FitsHeaderLayout layout;
  image::FitsHeaderInfo info;
  image::ProcessingHistory history;
};

// The length of the file `layout` makes, header and any fill included; `padFits` fills mono and
// RGB data to whole 2880-byte records.
std::uint64_t fitsFileSize(const FitsHeaderLayout& layout, bool padFits);

// Writes a FITS file (temporary file, renamed into place when complete). PlaneWriteFailed when
// one of the three colour or RGB planes fell short.
SaveResult writeFitsImage(const std::filesystem::path& path, const FitsHeaderValues& header,
                          const FitsPlanes& planes, bool padFits, DiskSpace disk = {});

// The FITS reader's results.
enum class FitsReadResult { Loaded = 0, ReadFailed = 1, NotOurs = 2 };

// Where a read puts the samples: the raw plane and, for a four-plane file, the colour planes
// in the file's order red, green, blue. Each has room for a full frame.
struct FitsTargets {
  std::uint16_t* raw = nullptr;
  std::array<std::uint16_t*, 3> colour{};
};

// What a read found: the header, when the result is Loaded.
struct FitsRead {
  FitsReadResult result = FitsReadResult::ReadFailed;
  ParsedFitsHeader header;
};

// Reads a FITS file of this program of `fileSize` bytes. The whole header is checked before a
// sample is stored; a file that is not ours stores none. `base` supplies the header fields a
// file does not carry (see parseFitsHeader).
FitsRead readFitsImage(const std::filesystem::path& path, std::int64_t fileSize,
                       const image::FitsHeaderInfo& base, const FitsTargets& targets);

}  // namespace nvk::files
