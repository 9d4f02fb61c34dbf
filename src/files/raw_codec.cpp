#include "files/raw_codec.h"

#include <cstring>
#include <string_view>

#include "files/held_plane.h"

namespace nvk::files {
namespace {

RawTrailer makeTrailer(std::string_view tag, char mode) {
  RawTrailer t;
  std::memcpy(t.data(), tag.data(), 7);
  t[7] = mode;
  t[8] = ' ';
  t[9] = ' ';
  return t;
}

// Reads the trailer of a raw file of `size` (all zero bytes for a full frame, which has none)
// and goes back to the first plane. False when it cannot be read.
bool readTrailer(InputFile& file, std::int64_t size, RawTrailer& trailer) {
  trailer = {};
  if (size == kFullFrameSize) return true;
  return file.seek(size - static_cast<std::int64_t>(kTrailerBytes)) &&
         file.read(trailer.data(), trailer.size()) && file.seek(0);
}

}  // namespace

RawTrailer rawTrailer(const image::ImageState& state) {
  if (state.binned && !state.colourConverted) return makeTrailer("BINNED ", state.modeCode);
  if (!state.binned) return makeTrailer("HIRES  ", state.modeCode);
  return makeTrailer("SUBFRM ", static_cast<char>('0' + state.subFrameFraction));
}

RawTrailer flatTrailer(const image::ImageState& state) {
  return state.binned ? makeTrailer("FLAT B ", state.modeCode) : makeTrailer("FLATH  ", '1');
}

bool isWrittenTrailerMode(std::int64_t size, const RawTrailer& trailer) {
  const bool fullFrame = size == kFullRawSize && (trailer[0] == 'H' || trailer[0] == 'F');
  if (size != kBinnedRawSize && !fullFrame) return true;
  return image::readoutModeForCode(trailer[7]) != nullptr;
}

SaveResult writeRawImage(const std::filesystem::path& path, const RawPlanes& planes,
                         const RawTrailer& trailer, DiskSpace disk) {
  AtomicFile file;
  if (!file.open(path, disk)) return SaveResult::CannotCreate;
  bool ok = writeHeldPlane(file, planes.raw, planes.geometry);
  for (const std::uint16_t* plane : planes.colour) {
    ok = ok && (plane == nullptr || writeHeldPlane(file, plane, planes.geometry));
  }
  ok = ok && file.write(trailer.data(), trailer.size()) && file.commit();
  return ok ? SaveResult::Saved : SaveResult::WriteFailed;
}

RawRead readRawImage(const std::filesystem::path& path, std::int64_t size,
                     const image::ImageState& given, const RawTargets& targets) {
  RawRead read;
  InputFile file;
  RawTrailer trailer;
  if (!file.open(path) || !readTrailer(file, size, trailer)) return read;
  // A trailer whose mode byte is loaded must hold a mode the program writes for that size.
  if (!isWrittenTrailerMode(size, trailer)) {
    read.result = RawReadResult::UnknownMode;
    return read;
  }
  image::ImageState state = given;
  state.colourConverted = false;
  bool fourPlanes = false;
  if (size == kBinnedRawSize) {
    state.binned = true;
    state.modeCode = trailer[7];
    state.readoutMode =
        trailer[7] == '5' ? image::ReadoutMode::SubFrame : image::ReadoutMode::Binned2x2;
  } else if (size == kFullFrameSize) {
    state.binned = false;
    state.readoutMode = image::ReadoutMode::HighResolution;
    state.modeCode = '1';
  } else if (size == kFullRawSize && (trailer[0] == 'H' || trailer[0] == 'F')) {
    // "HIRES  " and a full-frame flat "FLATH  ": one full frame.
    state.binned = false;
    state.modeCode = trailer[7];
    state.readoutMode = trailer[7] == '1'   ? image::ReadoutMode::HighResolution
                        : trailer[7] == '6' ? image::ReadoutMode::FullFrame6
                                            : image::ReadoutMode::FullFrameBinned7;
  } else if (size == kFullRawSize) {
    // Any other tag: a binned colour image, four binned planes.
    state.binned = true;
    state.readoutMode = image::ReadoutMode::SubFrame;
    state.modeCode = '5';
    state.colourConverted = true;
    fourPlanes = true;
  } else {
    state.binned = false;
    state.readoutMode = image::ReadoutMode::HighResolution;
    state.modeCode = '1';
    state.colourConverted = true;
    fourPlanes = true;
  }

  const auto g = image::applyGeometry(state.binned, false);
  bool ok = file.read(targets.frame, g.frameBytes);
  for (std::uint16_t* plane : targets.colour) {
    ok = ok && (!fourPlanes || file.read(plane, g.frameBytes));
  }
  if (!ok) {
    read.result = RawReadResult::ReadFailed;
    return read;
  }
  read.result = RawReadResult::Loaded;
  read.state = state;
  read.flat = trailer[0] == 'F' && trailer[1] == 'L';
  return read;
}

CalibrationRead readCalibrationImage(const std::filesystem::path& path, CalibrationKind kind,
                                     const RawTargets& targets) {
  const std::int64_t size = fileSize(path);
  InputFile file;
  if (size < 0 || !file.open(path)) return CalibrationRead::CannotOpen;
  if (size != kBinnedRawSize && size != kFullFrameSize && size != kFullRawSize &&
      size != kFullColourRawSize) {
    return CalibrationRead::NotRaw;
  }
  RawTrailer trailer;
  if (!readTrailer(file, size, trailer)) return CalibrationRead::CannotOpen;
  // The flat marker is checked before any plane is touched.
  if (kind == CalibrationKind::FlatField && !(trailer[0] == 'F' && trailer[1] == 'L')) {
    return CalibrationRead::NotFlat;
  }

  const auto binned = image::applyGeometry(true, false);
  bool ok = true;
  if (size == kBinnedRawSize) {
    ok = file.read(targets.frame, binned.frameBytes);
  } else if (size == kFullRawSize && trailer[0] != 'H' && trailer[0] != 'F') {
    // Four binned planes: the frame, then red, green, blue.
    ok = file.read(targets.frame, binned.frameBytes);
    for (std::uint16_t* plane : targets.colour) {
      ok = ok && file.read(plane, binned.frameBytes);
    }
  } else {
    ok = file.read(targets.frame, image::kPlaneBytes);
    if (size == kFullColourRawSize) {
      for (std::uint16_t* plane : targets.colour) {
        ok = ok && file.read(plane, image::kPlaneBytes);
      }
    }
  }
  return ok ? CalibrationRead::Loaded : CalibrationRead::ReadFailed;
}

}  // namespace nvk::files
