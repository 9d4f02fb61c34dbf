#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "files/atomic_file.h"
#include "files/program.h"
#include "files/save_result.h"

namespace nvk::files {

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

// Writes the raw plane, the colour planes of a colour-converted image and the trailer; shows
// "Failed to Save KR File" when the file cannot be created and "Unable to create/overwrite KR
// File" when a write falls short.
SaveResult saveRawFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});
// Writes the raw plane and the flat trailer. An image that is not colour converted is refused
// with "Sorry, you can only save a colour converted file as a Flat file" before anything on
// disk is touched.
SaveResult saveFlatFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});

enum class CalibrationKind { DarkFrame, FlatField };
enum class CalibrationLoad { Loaded = 0, Failed = 1 };

// Reads a dark frame or flat field (a raw file, never FITS) into RawImage2; the rest of a
// binned colour file goes to RgbOutputImage. A flat field's trailer must begin with "FL". Shows
// the message of any refusal; a refused file leaves every plane as it was.
CalibrationLoad loadCalibrationFile(Program& program, const std::filesystem::path& path,
                                    CalibrationKind kind);

}  // namespace nvk::files
