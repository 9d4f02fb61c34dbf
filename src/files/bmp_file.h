#pragma once

#include <filesystem>
#include <optional>

#include "files/atomic_file.h"
#include "files/bmp_codec.h"
#include "files/program.h"

namespace nvk::files {

// The bitmaps in the autosave folder: the display, the focus window, the guider image and the
// print bitmap.
std::filesystem::path displayBitmapPath(const Program& program);
std::filesystem::path focusBitmapPath(const Program& program);
std::filesystem::path guiderBitmapPath(const Program& program);
std::filesystem::path printBitmapPath(const Program& program);

// Writes `bitmap` to `path` (the autosave folder is created if needed), showing "Failed to
// create temp bitmap", "Unable to create temp bitmap file header" or "Unable to create temp
// bitmap file" when that step fails.
bool saveBitmapFile(Program& program, const std::filesystem::path& path, const Bitmap& bitmap,
                    DiskSpace disk = {});
// The display image as its bitmap: display width x height of `program.display`.
Bitmap displayBitmap(const Program& program);
// Reads a bitmap back for painting; "Cannot open bitmap file" when it cannot.
std::optional<Bitmap> loadBitmapFile(Program& program, const std::filesystem::path& path);

}  // namespace nvk::files
