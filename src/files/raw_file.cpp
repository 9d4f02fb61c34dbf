#include "files/raw_file.h"

#include "base/messages.h"

namespace nvk::files {
namespace {

SaveResult reportRaw(Program& program, SaveResult result) {
  if (result == SaveResult::CannotCreate)
    base::ShowWriteFailure(program.ui(), base::Message::SaveKrFileFailed);
  if (result == SaveResult::WriteFailed)
    base::ShowWriteFailure(program.ui(), base::Message::OverwriteKrFileFailed);
  return result;
}

}  // namespace

SaveResult saveRawFile(Program& program, const std::filesystem::path& path, DiskSpace disk) {
  RawPlanes planes{program.geometry, program.planes.RawImage.data(), {}};
  if (program.state.colourConverted) {
    const auto& colour = program.planes.ColourImage;
    planes.colour = {colour.red().data(), colour.green().data(), colour.blue().data()};
  }
  const SaveResult result = writeRawImage(path, planes, rawTrailer(program.state), disk);
  if (result == SaveResult::Saved) program.state.unsavedSinceExposure = false;
  return reportRaw(program, result);
}

SaveResult saveFlatFile(Program& program, const std::filesystem::path& path, DiskSpace disk) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::FlatNeedsColourConverted);
    return SaveResult::Refused;
  }
  const RawPlanes planes{program.geometry, program.planes.RawImage.data(), {}};
  return reportRaw(program, writeRawImage(path, planes, flatTrailer(program.state), disk));
}

CalibrationLoad loadCalibrationFile(Program& program, const std::filesystem::path& path,
                                    CalibrationKind kind) {
  const auto& rgb = program.planes.RgbOutputImage;
  const RawTargets targets{program.planes.RawImage2.data(),
                           {rgb.red().data(), rgb.green().data(), rgb.blue().data()}};
  switch (readCalibrationImage(path, kind, targets)) {
    case CalibrationRead::Loaded:
      return CalibrationLoad::Loaded;
    case CalibrationRead::NotRaw:
      base::ShowMessage(program.ui(), base::Message::NoKrFileChosen);
      break;
    case CalibrationRead::NotFlat:
      base::ShowMessage(program.ui(), base::Message::NotFlatFile);
      break;
    case CalibrationRead::CannotOpen:
    case CalibrationRead::ReadFailed:
      base::ShowMessage(program.ui(), base::Message::KrFileOpenFailed);
      break;
  }
  return CalibrationLoad::Failed;
}

}  // namespace nvk::files
