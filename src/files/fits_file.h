#pragma once

#include <cstdint>
#include <filesystem>

#include "files/atomic_file.h"
#include "files/fits_codec.h"
#include "files/fits_header.h"
#include "files/program.h"
#include "files/save_result.h"

namespace nvk::files {

// FITS files of the program's current image: what the codec (fits_codec.h) takes, gathered
// from the program, and the messages of the File menu.

struct FitsSaveOptions {
  bool eightBit = false;  // BITPIX 8: the raw plane's high bytes
  bool rgb = false;       // the three rendered RGB planes (the image must be colour converted)
  DiskSpace disk;
};

// The shape a save of the current image takes.
FitsHeaderLayout fitsLayoutFor(const Program& program, const FitsSaveOptions& options);
// True while the main frame holds the camera's colour-filter mosaic as read: a full-resolution
// or sub-frame readout, not colour converted.
bool isRawMosaic(const Program& program);

// Writes the current image as a FITS file (temporary file, renamed into place when complete).
// An RGB save renders RgbOutputImage first. Shows no message.
SaveResult writeFitsFile(Program& program, const std::filesystem::path& path,
                         const FitsSaveOptions& options);
// writeFitsFile with the program's messages: "Unable to create file, check disk space" for any
// failure, preceded by "Unable to create/overwrite KR File" when a colour or RGB plane failed.
SaveResult saveFitsFile(Program& program, const std::filesystem::path& path,
                        const FitsSaveOptions& options);

// How a read of a FITS file ended, and whether the file says its colour planes were shown
// through the automatic colour stretch.
struct FitsLoad {
  FitsReadResult result = FitsReadResult::ReadFailed;
  bool autoColourDisplay = false;
};

// Reads a FITS file of this program into the planes, the image state and FitsHeaderInfo. The
// whole header is checked before anything is changed; a refused file changes nothing. Does not
// show messages or apply the geometry.
FitsLoad readFits(Program& program, const std::filesystem::path& path, std::int64_t fileSize);

}  // namespace nvk::files
