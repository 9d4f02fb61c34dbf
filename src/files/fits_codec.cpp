#include "files/fits_codec.h"

#include <string>
#include <vector>

#include "files/held_plane.h"
#include "files/sample_codec.h"

namespace nvk::files {
namespace {

std::uint64_t fillTo(std::uint64_t bytes, std::uint64_t record) {
  return (record - bytes % record) % record;
}

// Writes `plane` (the geometry's samples) as FITS samples in ten chunks.
bool writeFitsPlane(AtomicFile& file, const std::uint16_t* plane, const image::ImageGeometry& g,
                    std::vector<std::uint16_t>& scratch) {
  const std::size_t chunkSamples = g.chunkBytes / 2;
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    encodeFitsSamples(plane + chunk * chunkSamples, chunkSamples, scratch.data());
    if (!file.write(scratch.data(), g.chunkBytes)) return false;
  }
  return true;
}

bool writeZeros(AtomicFile& file, std::uint64_t count) {
  static constexpr std::uint8_t kZeros[kFitsRecordBytes] = {};
  return count == 0 || file.write(kZeros, static_cast<std::size_t>(count));
}

}  // namespace

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

SaveResult writeFitsImage(const std::filesystem::path& path, const FitsHeaderValues& header,
                          const FitsPlanes& planes, bool padFits, DiskSpace disk) {
  const FitsHeaderLayout& layout = header.layout;
  const image::ImageGeometry& g = planes.geometry;
  AtomicFile file;
  if (!file.open(path, disk)) return SaveResult::CannotCreate;
  const std::string text = buildFitsHeader(layout, header.info, header.history);
  if (!file.write(text.data(), text.size())) return SaveResult::WriteFailed;

  std::vector<std::uint16_t> scratch(g.chunkBytes / 2);
  if (layout.eightBit) {
    std::vector<std::uint8_t> bytes(g.pixelCount);
    for (std::size_t i = 0; i < g.pixelCount; ++i) {
      bytes[i] = static_cast<std::uint8_t>(planes.raw[i] >> 8);
    }
    if (!file.write(bytes.data(), g.pixelCount) ||
        !writeZeros(file, fillTo(g.pixelCount, kFitsRecordBytes))) {
      return SaveResult::WriteFailed;
    }
  } else if (layout.shape == FitsShape::Rgb) {
    for (const std::uint16_t* plane : planes.rgb) {
      if (!writeFitsPlane(file, plane, g, scratch)) return SaveResult::PlaneWriteFailed;
    }
    if (padFits && !writeZeros(file, fillTo(3 * g.frameBytes, kFitsRecordBytes))) {
      return SaveResult::WriteFailed;
    }
  } else {
    if (!writeFitsPlane(file, planes.raw, g, scratch)) return SaveResult::WriteFailed;
    if (layout.shape == FitsShape::Colour) {
      // The colour planes of the four-plane shape go out as held in memory.
      for (const std::uint16_t* plane : planes.rgb) {
        if (!writeHeldPlane(file, plane, g)) return SaveResult::PlaneWriteFailed;
      }
    } else if (padFits && !writeZeros(file, fillTo(g.frameBytes, kFitsRecordBytes))) {
      return SaveResult::WriteFailed;
    }
  }
  return file.commit() ? SaveResult::Saved : SaveResult::WriteFailed;
}

FitsRead readFitsImage(const std::filesystem::path& path, std::int64_t fileSize,
                       const image::FitsHeaderInfo& base, const FitsTargets& targets) {
  FitsRead read;
  InputFile file;
  if (!file.open(path)) return read;
  std::string header(kHeaderBytes, ' ');
  if (!file.read(header.data(), header.size())) return read;
  auto parsed = parseFitsHeader(header, fileSize, base);
  if (!parsed) {
    read.result = FitsReadResult::NotOurs;
    return read;
  }

  const auto g = image::applyGeometry(parsed->binned, false);
  const std::uint64_t needed = kHeaderBytes + (parsed->colour ? 4 : 1) * g.frameBytes;
  if (static_cast<std::uint64_t>(fileSize) < needed) return read;

  std::vector<std::uint16_t> scratch(g.chunkBytes / 2);
  const std::size_t chunkSamples = g.chunkBytes / 2;
  for (int chunk = 0; chunk < image::kChunksPerPlane; ++chunk) {
    if (!file.read(scratch.data(), g.chunkBytes)) return read;
    decodeFitsSamples(scratch.data(), chunkSamples, parsed->sampleOffset,
                      targets.raw + chunk * chunkSamples);
  }
  if (parsed->colour) {
    for (std::uint16_t* plane : targets.colour) {
      if (!file.read(plane, g.frameBytes)) return read;
    }
  }
  read.result = FitsReadResult::Loaded;
  read.header = std::move(*parsed);
  return read;
}

}  // namespace nvk::files
