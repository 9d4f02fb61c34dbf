#pragma once

#include <filesystem>

#include "files/atomic_file.h"
#include "files/program.h"
#include "files/program_rendering.h"
#include "files/save_result.h"
#include "files/tiff_codec.h"

namespace nvk::files {

// Writes the current image as File > Save as Tiff file does (grey, or RGB for a colour image;
// 8 or 16 bits by the "Save in 16bit Tiff format" setting). A 16-bit colour export renders
// RgbOutputImage first. Shows no message.
SaveResult writeTiffFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});
// writeTiffFile with "Unable to create file, check disk space" on failure.
SaveResult saveTiffFile(Program& program, const std::filesystem::path& path, DiskSpace disk = {});

}  // namespace nvk::files
