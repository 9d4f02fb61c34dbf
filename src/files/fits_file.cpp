#include "files/fits_file.h"

#include <algorithm>
#include <vector>

#include "base/little_endian.h"
#include "base/messages.h"
#include "files/rgb_render.h"
#include "files/sample_codec.h"

namespace nvk::files {
namespace {

std::uint64_t fillTo(std::uint64_t bytes, std::uint64_t record) {
  return (record - bytes % record) % record;
}

// Writes `plane` (the current geometry's samples) as FITS samples in ten chunks.
bool writeFitsPlane(AtomicFile& file, const std::uint16_t* plane, const image::ImageGeometry& g,
                    std::vector<std::uint16_t>& scratch) {
  const std::size_t chunkSamples = g.chunkBytes / 2;
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    encodeFitsSamples(plane + chunk * chunkSamples, chunkSamples, scratch.data());
    if (!file.write(scratch.data(), g.chunkBytes)) return false;
  }
  return true;
}

// The colour planes of the four-plane shape go out as held in memory.
bool writeHeldPlane(AtomicFile& file, const std::uint16_t* plane, const image::ImageGeometry& g) {
  const auto* bytes = base::leBytes(plane);
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    if (!file.write(bytes + chunk * g.chunkBytes, g.chunkBytes)) return false;
  }
  return true;
}

bool writeZeros(AtomicFile& file, std::uint64_t count) {
  static constexpr std::uint8_t kZeros[kFitsRecordBytes] = {};
  return count == 0 || file.write(kZeros, static_cast<std::size_t>(count));
}

}  // namespace

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

std::uint64_t fitsFileSize(const FitsHeaderLayout& layout, bool padFits) {
  const auto g = image::applyGeometry(layout.binned, false);
  if (layout.eightBit) {
    return kHeaderBytes + g.pixelCount + fillTo(g.pixelCount, kFitsRecordBytes);
  }
  switch (layout.shape) {
    case FitsShape::Mono:
      return kHeaderBytes + g.frameBytes + (padFits ? fillTo(g.frameBytes, kFitsRecordBytes) : 0);
    case FitsShape::Colour:
      return kHeaderBytes + 4 * g.frameBytes;
    case FitsShape::Rgb:
      return kHeaderBytes + 3 * g.frameBytes +
             (padFits ? fillTo(3 * g.frameBytes, kFitsRecordBytes) : 0);
  }
  return 0;
}

SaveResult writeFitsFile(Program& program, const std::filesystem::path& path,
                         const FitsSaveOptions& options) {
  const auto layout = fitsLayoutFor(program, options);
  const auto& g = program.geometry;
  if (layout.shape == FitsShape::Rgb) renderRgbOutput(program);

  AtomicFile file;
  if (!file.open(path, options.disk)) return SaveResult::CannotCreate;
  const std::string header = buildFitsHeader(layout, program.fits, program.history);
  if (!file.write(header.data(), header.size())) return SaveResult::WriteFailed;

  std::vector<std::uint16_t> scratch(g.chunkBytes / 2);
  const auto& planes = program.planes;
  if (layout.eightBit) {
    std::vector<std::uint8_t> bytes(g.pixelCount);
    const std::uint16_t* raw = planes.RawImage.data();
    for (std::size_t i = 0; i < g.pixelCount; ++i) {
      bytes[i] = static_cast<std::uint8_t>(raw[i] >> 8);
    }
    if (!file.write(bytes.data(), g.pixelCount) ||
        !writeZeros(file, fillTo(g.pixelCount, kFitsRecordBytes))) {
      return SaveResult::WriteFailed;
    }
  } else if (layout.shape == FitsShape::Rgb) {
    // Files hold red, green, blue; the planes are held red, blue, green.
    const auto& rgb = planes.RgbOutputImage;
    for (const auto& plane : {rgb.red(), rgb.green(), rgb.blue()}) {
      if (!writeFitsPlane(file, plane.data(), g, scratch)) return SaveResult::PlaneWriteFailed;
    }
    if (program.settings.padFits && !writeZeros(file, fillTo(3 * g.frameBytes, kFitsRecordBytes))) {
      return SaveResult::WriteFailed;
    }
  } else {
    if (!writeFitsPlane(file, planes.RawImage.data(), g, scratch)) return SaveResult::WriteFailed;
    if (layout.shape == FitsShape::Colour) {
      const auto& colour = planes.ColourImage;
      for (const auto& plane : {colour.red(), colour.green(), colour.blue()}) {
        if (!writeHeldPlane(file, plane.data(), g)) return SaveResult::PlaneWriteFailed;
      }
    } else if (program.settings.padFits &&
               !writeZeros(file, fillTo(g.frameBytes, kFitsRecordBytes))) {
      return SaveResult::WriteFailed;
    }
  }
  return file.commit() ? SaveResult::Saved : SaveResult::WriteFailed;
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

FitsReadResult readFits(Program& program, const std::filesystem::path& path,
                        std::int64_t fileSize) {
  InputFile file;
  if (!file.open(path)) return FitsReadResult::ReadFailed;
  std::string header(kHeaderBytes, ' ');
  if (!file.read(header.data(), header.size())) return FitsReadResult::ReadFailed;
  auto parsed = parseFitsHeader(header, fileSize, program.fits);
  if (!parsed) return FitsReadResult::NotOurs;

  const auto g = image::applyGeometry(parsed->binned, false);
  const std::uint64_t needed = kHeaderBytes + (parsed->colour ? 4 : 1) * g.frameBytes;
  if (static_cast<std::uint64_t>(fileSize) < needed) return FitsReadResult::ReadFailed;

  std::vector<std::uint16_t> scratch(g.chunkBytes / 2);
  const std::size_t chunkSamples = g.chunkBytes / 2;
  auto& planes = program.planes;
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    if (!file.read(scratch.data(), g.chunkBytes)) return FitsReadResult::ReadFailed;
    decodeFitsSamples(scratch.data(), chunkSamples, parsed->sampleOffset,
                      planes.RawImage.data() + chunk * chunkSamples);
  }
  if (parsed->colour) {
    const auto& colour = planes.ColourImage;
    for (const auto& plane : {colour.red(), colour.green(), colour.blue()}) {
      if (!file.read(plane.data(), g.frameBytes)) return FitsReadResult::ReadFailed;
    }
  }

  program.fits = parsed->info;
  // The sub-frame origin is not a card: the pattern the file names gives back its parity.
  if (!parsed->bayerPattern.empty()) {
    for (const int origin : {0, 1, 2, 3}) {
      if (image::bayerLayout(program.settings.pixelOffset, program.settings.lineOffset, origin & 1,
                             origin >> 1)
              .pattern == parsed->bayerPattern) {
        program.fits.frame.originX = origin & 1;
        program.fits.frame.originY = origin >> 1;
      }
    }
  }
  program.history = parsed->history;
  program.state.binned = parsed->binned;
  program.state.readoutMode = parsed->readoutMode;
  program.state.modeCode = parsed->modeCode;
  program.state.colourConverted = parsed->colour;
  return FitsReadResult::Loaded;
}

}  // namespace nvk::files
