#include "files/open_image.h"

#include <cctype>
#include <string>

#include "base/messages.h"
#include "files/atomic_file.h"
#include "files/fits_file.h"
#include "files/fits_header.h"
#include "files/hot_pixel_map_file.h"
#include "files/raw_file.h"
#include "image/display_levels.h"

namespace nvk::files {
namespace {

constexpr std::int64_t kSmallestMapFile = 20;

// Reads a raw file of one of the four raw sizes into RawImage (and ColourImage for four planes).
OpenResult openRawFile(Program& program, const std::filesystem::path& path, std::int64_t size) {
  const auto& colour = program.planes.ColourImage;
  const RawTargets targets{program.planes.RawImage.data(),
                           {colour.red().data(), colour.green().data(), colour.blue().data()}};
  const RawRead read = readRawImage(path, size, program.state, targets);
  switch (read.result) {
    case RawReadResult::CannotOpen:
    case RawReadResult::ReadFailed:
      base::ShowMessage(program.ui(), base::Message::KrFileOpenFailed);
      return {};
    case RawReadResult::UnknownMode:
      base::ShowMessage(program.ui(), base::Message::NotKrOrFitsFile);
      return {};
    case RawReadResult::Loaded:
      break;
  }
  resetFitsHeaderInfo(program.fits, program.history);
  program.state = read.state;
  program.applyGeometry();
  return {true, read.flat ? FileKind::Flat : FileKind::Raw};
}

OpenResult openFitsFile(Program& program, const std::filesystem::path& path, std::int64_t size) {
  const FitsLoad load = readFits(program, path, size);
  switch (load.result) {
    case FitsReadResult::ReadFailed:
      base::ShowMessage(program.ui(), base::Message::UnableToLoadFits);
      return {};
    case FitsReadResult::NotOurs:
      base::ShowMessage(program.ui(), base::Message::FitsNotSavedByProgram);
      return {};
    case FitsReadResult::Loaded:
      break;
  }
  program.applyGeometry();
  if (const auto number = autosaveNumberOf(path); number != 0) {
    program.fileMenu.lastLoadedAutosaveNumber = number;
  }
  return {true, FileKind::Fits, load.autoColourDisplay};
}

OpenResult openHotPixelMap(Program& program, const std::filesystem::path& path) {
  switch (readHotPixelMapFile(path, program.hotPixelMap)) {
    case HotPixelMapRead::CannotOpen:
      base::ShowMessage(program.ui(), base::Message::KrFileOpenFailed);
      return {};
    case HotPixelMapRead::NotAMap:
      base::ShowMessage(program.ui(), base::Message::NotKrOrFitsFile);
      return {};
    case HotPixelMapRead::Loaded:
      break;
  }
  base::ShowMessage(program.ui(), base::Message::CallerText, "Hot Pixel Map Loaded");
  return {true, FileKind::HotPixelMap};
}

}  // namespace

std::string_view fileKindName(FileKind kind) {
  switch (kind) {
    case FileKind::Raw:
      return "raw";
    case FileKind::Flat:
      return "flat";
    case FileKind::Fits:
      return "fits";
    case FileKind::HotPixelMap:
      return "hot-pixel map";
    case FileKind::Unknown:
      break;
  }
  return "unknown";
}

bool isFitsSize(std::int64_t size) {
  return size == 3'082'240 || size == 3'084'480 || size == 12'311'680 || size == 12'312'000 ||
         size == 49'229'440;
}

std::uint16_t autosaveNumberOf(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  if (name.size() < 4 || std::toupper(static_cast<unsigned char>(name[0])) != 'I' ||
      std::toupper(static_cast<unsigned char>(name[1])) != 'M' ||
      std::toupper(static_cast<unsigned char>(name[2])) != 'G') {
    return 0;
  }
  unsigned number = 0;
  for (std::size_t i = 3; i < name.size() && name[i] != '.'; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || number > 65535) return 0;
    number = number * 10 + static_cast<unsigned>(name[i] - '0');
  }
  return number > 65535 ? 0 : static_cast<std::uint16_t>(number);
}

OpenResult openImageFile(Program& program, const std::filesystem::path& path) {
  auto& ui = program.ui();
  const std::int64_t size = fileSize(path);
  if (size < 0) {
    base::ShowMessage(ui, base::Message::KrFileOpenFailed);
    return {};
  }
  ui.setBusyCursor(true);
  OpenResult result;
  if (isFitsSize(size)) {
    result = openFitsFile(program, path, size);
  } else if (size == kBinnedRawSize || size == kFullFrameSize || size == kFullRawSize ||
             size == kFullColourRawSize) {
    result = openRawFile(program, path, size);
  } else if (size < kSmallestMapFile) {
    base::ShowMessage(ui, base::Message::NotKrOrFitsFile);
  } else {
    result = openHotPixelMap(program, path);
  }
  ui.setBusyCursor(false);
  // An opened file replaces the exposure. The automatic stretch belonged to the colour image
  // synthesised before: a file's colour planes are shown as they were saved, through the
  // automatic stretch only when the file says the window showed them so.
  if (result.loaded && result.kind != FileKind::HotPixelMap) {
    program.state.unsavedSinceExposure = false;
    program.colourStretch =
        result.autoColourDisplay
            ? image::autoColourStretch(program.planes.ColourImage, program.geometry.width,
                                       program.geometry.height)
            : image::ColourDisplayStretch{};
  }
  if (result.loaded) ui.requestRedraw();
  return result;
}

}  // namespace nvk::files
