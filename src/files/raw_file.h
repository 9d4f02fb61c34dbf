#pragma once

#include <filesystem>

#include "files/atomic_file.h"
#include "files/program.h"
#include "files/raw_codec.h"
#include "files/save_result.h"

namespace nvk::files {

// Raw files of the program's current image and calibration frames: what the codec
// (raw_codec.h) takes, gathered from the program, and the messages of the File menu.

// Writes the raw plane, the colour planes of a colour-converted image and the trailer; shows
// "Failed to Save KR File" when the file cannot be created and "Unable to create/overwrite KR
// File" when a write falls short.
SaveResult saveRawFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});
// Writes the raw plane and the flat trailer. An image that is not colour converted is refused
// with "Sorry, you can only save a colour converted file as a Flat file" before anything on
// disk is touched.
SaveResult saveFlatFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});

enum class CalibrationLoad { Loaded = 0, Failed = 1 };

// Reads a dark frame or flat field (a raw file, never FITS) into RawImage2; the rest of a
// binned colour file goes to RgbOutputImage. A flat field's trailer must begin with "FL". Shows
// the message of any refusal; a refused file leaves every plane as it was.
CalibrationLoad loadCalibrationFile(Program& program, const std::filesystem::path& path,
                                    CalibrationKind kind);

}  // namespace nvk::files
