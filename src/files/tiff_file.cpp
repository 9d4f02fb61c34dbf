#include "files/tiff_file.h"

#include "base/messages.h"

namespace nvk::files {

SaveResult writeTiffFile(Program& program, const std::filesystem::path& path, DiskSpace disk) {
  const auto t = tiffLayoutFor(program.state.binned, program.state.colourConverted,
                               program.settings.tiff16Bit);
  if (t.colour && t.sixteenBit) renderRgbOutput(program);
  const auto& colour = program.planes.ColourImage;
  const auto& rgb = program.planes.RgbOutputImage;
  const TiffPlanes planes{program.geometry.height,
                          program.planes.RawImage.data(),
                          {colour.red().data(), colour.green().data(), colour.blue().data()},
                          {rgb.red().data(), rgb.green().data(), rgb.blue().data()}};
  // With the display stretch on, the colours are rendered as bright as the display shows them.
  const TiffColourLook look{program.settings.colourSaturation, displayToneCurve(program),
                            program.colourStretch};
  return writeTiffImage(path, t, planes, look, disk);
}

SaveResult saveTiffFile(Program& program, const std::filesystem::path& path, DiskSpace disk) {
  program.ui().setBusyCursor(true);
  const SaveResult result = writeTiffFile(program, path, disk);
  program.ui().setBusyCursor(false);
  if (result != SaveResult::Saved)
    base::ShowWriteFailure(program.ui(), base::Message::CreateFileFailed);
  else
    program.state.unsavedSinceExposure = false;
  return result;
}

}  // namespace nvk::files
