#include "files/raw_file.h"

#include <cstring>
#include <string_view>

#include "base/little_endian.h"
#include "base/messages.h"

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

bool writePlane(AtomicFile& file, const std::uint16_t* plane, const image::ImageGeometry& g) {
  const auto* bytes = base::leBytes(plane);
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    if (!file.write(bytes + chunk * g.chunkBytes, g.chunkBytes)) return false;
  }
  return true;
}

SaveResult reportRaw(Program& program, SaveResult result) {
  if (result == SaveResult::CannotCreate)
    base::ShowWriteFailure(program.ui(), base::Message::SaveKrFileFailed);
  if (result == SaveResult::WriteFailed)
    base::ShowWriteFailure(program.ui(), base::Message::OverwriteKrFileFailed);
  return result;
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

SaveResult saveRawFile(Program& program, const std::filesystem::path& path, DiskSpace disk) {
  const auto& g = program.geometry;
  AtomicFile file;
  if (!file.open(path, disk)) return reportRaw(program, SaveResult::CannotCreate);
  bool ok = writePlane(file, program.planes.RawImage.data(), g);
  if (ok && program.state.colourConverted) {
    const auto& colour = program.planes.ColourImage;
    for (const auto& plane : {colour.red(), colour.green(), colour.blue()}) {
      ok = ok && writePlane(file, plane.data(), g);
    }
  }
  const RawTrailer trailer = rawTrailer(program.state);
  ok = ok && file.write(trailer.data(), trailer.size()) && file.commit();
  if (ok) program.state.unsavedSinceExposure = false;
  return reportRaw(program, ok ? SaveResult::Saved : SaveResult::WriteFailed);
}

SaveResult saveFlatFile(Program& program, const std::filesystem::path& path, DiskSpace disk) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::FlatNeedsColourConverted);
    return SaveResult::Refused;
  }
  AtomicFile file;
  if (!file.open(path, disk)) return reportRaw(program, SaveResult::CannotCreate);
  const RawTrailer trailer = flatTrailer(program.state);
  const bool ok = writePlane(file, program.planes.RawImage.data(), program.geometry) &&
                  file.write(trailer.data(), trailer.size()) && file.commit();
  return reportRaw(program, ok ? SaveResult::Saved : SaveResult::WriteFailed);
}

CalibrationLoad loadCalibrationFile(Program& program, const std::filesystem::path& path,
                                    CalibrationKind kind) {
  auto& ui = program.ui();
  const std::int64_t size = fileSize(path);
  InputFile file;
  if (size < 0 || !file.open(path)) {
    base::ShowMessage(ui, base::Message::KrFileOpenFailed);
    return CalibrationLoad::Failed;
  }
  if (size != kBinnedRawSize && size != kFullFrameSize && size != kFullRawSize &&
      size != kFullColourRawSize) {
    base::ShowMessage(ui, base::Message::NoKrFileChosen);
    return CalibrationLoad::Failed;
  }
  RawTrailer trailer{};
  const bool hasTrailer = size != kFullFrameSize;
  if (hasTrailer && !(file.seek(size - static_cast<std::int64_t>(kTrailerBytes)) &&
                      file.read(trailer.data(), trailer.size()) && file.seek(0))) {
    base::ShowMessage(ui, base::Message::KrFileOpenFailed);
    return CalibrationLoad::Failed;
  }
  // The flat marker is checked before any plane is touched.
  if (kind == CalibrationKind::FlatField && !(trailer[0] == 'F' && trailer[1] == 'L')) {
    base::ShowMessage(ui, base::Message::NotFlatFile);
    return CalibrationLoad::Failed;
  }

  const auto binned = image::applyGeometry(true, false);
  auto& planes = program.planes;
  const auto& rgb = planes.RgbOutputImage;
  bool ok = true;
  if (size == kBinnedRawSize) {
    ok = file.read(planes.RawImage2.data(), binned.frameBytes);
  } else if (size == kFullRawSize && trailer[0] != 'H' && trailer[0] != 'F') {
    // Four binned planes: the frame, then red, green, blue.
    ok = file.read(planes.RawImage2.data(), binned.frameBytes);
    for (const auto& plane : {rgb.red(), rgb.green(), rgb.blue()}) {
      ok = ok && file.read(plane.data(), binned.frameBytes);
    }
  } else {
    ok = file.read(planes.RawImage2.data(), image::kPlaneBytes);
    if (size == kFullColourRawSize) {
      for (const auto& plane : {rgb.red(), rgb.green(), rgb.blue()}) {
        ok = ok && file.read(plane.data(), image::kPlaneBytes);
      }
    }
  }
  if (!ok) {
    base::ShowMessage(ui, base::Message::KrFileOpenFailed);
    return CalibrationLoad::Failed;
  }
  return CalibrationLoad::Loaded;
}

}  // namespace nvk::files
