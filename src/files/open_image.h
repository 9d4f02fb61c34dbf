#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "files/program.h"

namespace nvk::files {

// What a file turned out to be when opened.
enum class FileKind { Unknown, Raw, Flat, Fits, HotPixelMap };
std::string_view fileKindName(FileKind kind);

struct OpenResult {
  bool loaded = false;
  FileKind kind = FileKind::Unknown;
  // The file says its colour planes were shown through the automatic colour stretch.
  bool autoColourDisplay = false;
};

// Opens an image file as File > Open does, deciding by its size: a raw or flat file, a FITS
// file of this program, or a hot pixel map. Shows the program's message for every refusal and
// failure; a refused file leaves the image, its state and the FITS header record as they were.
// On success the display is asked to redraw.
OpenResult openImageFile(Program& program, const std::filesystem::path& path);

// True for the sizes of the FITS files this program writes (mono binned and full, with and
// without the fill, and the four-plane colour shapes).
bool isFitsSize(std::int64_t size);

// The number n of an autosaved file name "IMGn.FIT" (any case); 0 when the name is not one.
std::uint16_t autosaveNumberOf(const std::filesystem::path& path);

}  // namespace nvk::files
