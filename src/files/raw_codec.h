#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "files/atomic_file.h"
#include "files/save_result.h"
#include "image/geometry.h"
#include "image/image_state.h"

namespace nvk::files {

// The raw files (frames, flat fields, dark frames) over plain inputs: the planes and the
// trailer. The File menu and the tool gather these from the program (raw_file.h, and Open in
// open_image.h).

// The sizes by which raw files are recognised.
inline constexpr std::int64_t kBinnedRawSize = 3'076'490;   // binned frame and trailer
inline constexpr std::int64_t kFullFrameSize = 12'305'920;  // full frame, no trailer
inline constexpr std::int64_t kFullRawSize = 12'305'930;    // full frame (or 4 binned) + trailer
inline constexpr std::int64_t kFullColourRawSize = 49'223'690;  // four full planes and trailer
inline constexpr std::size_t kTrailerBytes = 10;

using RawTrailer = std::array<char, kTrailerBytes>;

// The 10-byte trailer "Save" writes: a 7-character tag, the mode character and two spaces.
RawTrailer rawTrailer(const image::ImageState& state);
// The trailer of a flat-field file.
RawTrailer flatTrailer(const image::ImageState& state);

// Whether the mode byte of `trailer`, in a raw file of `size` whose trailer gives the image's mode
// (a binned file, or a full frame with a "HIRES" or "FLATH" trailer), is a readout mode's code
// '1'..'7': the trailer holds the image state's code, which a mode chosen in the camera dialog
// before the save can leave different from the file's shape. Other files always pass.
bool isWrittenTrailerMode(std::int64_t size, const RawTrailer& trailer);

// The planes of a raw file, each `geometry.frameBytes` long: the raw plane and, for a colour
// image, the colour planes in the file's order red, green, blue (none for a mono one).
struct RawPlanes {
  image::ImageGeometry geometry;
  const std::uint16_t* raw = nullptr;
  std::array<const std::uint16_t*, 3> colour{};
};

// Writes the planes as held, then the trailer (temporary file, renamed into place when
// complete): CannotCreate, WriteFailed or Saved.
SaveResult writeRawImage(const std::filesystem::path& path, const RawPlanes& planes,
                         const RawTrailer& trailer, DiskSpace disk = {});

enum class CalibrationKind { DarkFrame, FlatField };

// How reading a calibration file ended.
enum class CalibrationRead {
  Loaded,
  CannotOpen,  // missing, unreadable, or its trailer could not be read
  NotRaw,      // not one of the raw file sizes
  NotFlat,     // a flat field whose trailer does not begin with "FL"; nothing was stored
  ReadFailed,  // a plane fell short
};

// Where a raw file read goes: the frame, and the colour planes of a colour file (red, green,
// blue); each has room for a full frame.
struct RawTargets {
  std::uint16_t* frame = nullptr;
  std::array<std::uint16_t*, 3> colour{};
};

// How reading a raw image file ended.
enum class RawReadResult {
  Loaded,
  CannotOpen,   // unreadable, or its trailer could not be read
  UnknownMode,  // the trailer's mode byte is no mode the program writes for that size
  ReadFailed,   // a plane fell short
};

// What a raw image file holds: `state` is the image state given, with the file's shape.
struct RawRead {
  RawReadResult result = RawReadResult::CannotOpen;
  image::ImageState state;
  bool flat = false;  // a flat field's trailer
};

// Reads a raw file of `size`, one of the four raw sizes, laying its shape over `state`. The
// trailer is read first, so the layout is known before any plane is written.
RawRead readRawImage(const std::filesystem::path& path, std::int64_t size,
                     const image::ImageState& state, const RawTargets& targets);

// Reads a dark frame or flat field (a raw file, never FITS). The file's size and trailer are
// checked before any sample is stored.
CalibrationRead readCalibrationImage(const std::filesystem::path& path, CalibrationKind kind,
                                     const RawTargets& targets);

}  // namespace nvk::files
