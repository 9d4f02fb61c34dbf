#include "files/fits_file.h"

#include "base/messages.h"
#include "files/program_rendering.h"

namespace nvk::files {

FitsHeaderLayout fitsLayoutFor(const Program& program, const FitsSaveOptions& options) {
  FitsHeaderLayout layout;
  // An eight-bit save carries the raw plane only, so its header declares that one plane even
  // for a colour-converted image.
  if (options.rgb) {
    layout.shape = FitsShape::Rgb;
  } else if (program.state.colourConverted && !options.eightBit) {
    layout.shape = FitsShape::Colour;
  }
  layout.eightBit = options.eightBit && !options.rgb;
  layout.binned = program.state.binned;
  layout.readoutMode = program.state.readoutMode;
  layout.modeCode = program.state.modeCode;
  layout.standardKeywords = program.preferences.fitsStandardKeywords;
  layout.autoColourDisplay = program.colourStretch.automatic;
  if (isRawMosaic(program) && !options.rgb) {
    const auto& frame = program.fits.frame;
    layout.bayer = image::bayerLayout(program.settings.pixelOffset, program.settings.lineOffset,
                                      frame.originX, frame.originY);
  }
  return layout;
}

bool isRawMosaic(const Program& program) {
  const auto& state = program.state;
  if (state.colourConverted) return false;
  // Mode 7 fills every second row from its neighbours, and the binned readouts mix the sites.
  if (state.binned) return state.readoutMode == image::ReadoutMode::SubFrame;
  return state.modeCode != '7';
}

SaveResult writeFitsFile(Program& program, const std::filesystem::path& path,
                         const FitsSaveOptions& options) {
  const FitsHeaderValues header{fitsLayoutFor(program, options), program.fits, program.history};
  if (header.layout.shape == FitsShape::Rgb) renderRgbOutput(program);
  // Files hold red, green, blue; the planes are held red, blue, green.
  const auto& held = header.layout.shape == FitsShape::Rgb ? program.planes.RgbOutputImage
                                                           : program.planes.ColourImage;
  const FitsPlanes planes{program.geometry,
                          program.planes.RawImage.data(),
                          {held.red().data(), held.green().data(), held.blue().data()}};
  return writeFitsImage(path, header, planes, program.settings.padFits, options.disk);
}

SaveResult saveFitsFile(Program& program, const std::filesystem::path& path,
                        const FitsSaveOptions& options) {
  program.ui().setBusyCursor(true);
  const SaveResult result = writeFitsFile(program, path, options);
  program.ui().setBusyCursor(false);
  if (result == SaveResult::PlaneWriteFailed)
    base::ShowMessage(program.ui(), base::Message::OverwriteKrFileFailed);
  if (result != SaveResult::Saved)
    base::ShowWriteFailure(program.ui(), base::Message::CreateFileFailed);
  else
    program.state.unsavedSinceExposure = false;
  return result;
}

FitsLoad readFits(Program& program, const std::filesystem::path& path, std::int64_t fileSize) {
  const auto& colour = program.planes.ColourImage;
  const FitsTargets targets{program.planes.RawImage.data(),
                            {colour.red().data(), colour.green().data(), colour.blue().data()}};
  FitsRead read = readFitsImage(path, fileSize, program.fits, targets);
  if (read.result != FitsReadResult::Loaded) return {read.result};
  ParsedFitsHeader& parsed = read.header;

  program.fits = parsed.info;
  // The sub-frame origin is not a card: the pattern the file names gives back its parity.
  if (!parsed.bayerPattern.empty()) {
    for (const int origin : {0, 1, 2, 3}) {
      if (image::bayerLayout(program.settings.pixelOffset, program.settings.lineOffset, origin & 1,
                             origin >> 1)
              .pattern == parsed.bayerPattern) {
        program.fits.frame.originX = origin & 1;
        program.fits.frame.originY = origin >> 1;
      }
    }
  }
  program.history = parsed.history;
  program.state.binned = parsed.binned;
  program.state.readoutMode = parsed.readoutMode;
  program.state.modeCode = parsed.modeCode;
  program.state.colourConverted = parsed.colour;
  return {FitsReadResult::Loaded, parsed.autoColourDisplay};
}

}  // namespace nvk::files
