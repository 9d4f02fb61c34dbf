#include "process/calibration.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "base/messages.h"
#include "base/parallel_rows.h"
#include "base/simd.h"
#include "files/file_commands.h"
#include "files/hot_pixel_map_file.h"
#include "files/raw_file.h"
#include "process/frame.h"
#include "process/undo.h"

namespace nvk::process {
namespace {

NVK_VECTORISED void subtractDark(std::uint16_t* __restrict image,
                                 const std::uint16_t* __restrict dark, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    image[i] = dark[i] < image[i] ? static_cast<std::uint16_t>(image[i] - dark[i]) : 0;
  }
}

NVK_VECTORISED_FLOAT void flatCorrect(std::uint16_t* __restrict image,
                                      const std::uint16_t* __restrict flat, double mean,
                                      int count) {
  for (int i = 0; i < count; ++i) {
    const std::int32_t f = flat[i];
    const std::int32_t vi = image[i];
    const double v = vi;
    // The quotient is taken with a divisor of 1 where the flat is 0, and then not used.
    const double quotient = v / static_cast<double>(f + (f == 0)) * mean;
    const double zeroFlat = vi == 0 ? mean : v;
    double r = f != 0 ? quotient : zeroFlat;
    r = r < 65535.0 ? r : 65535.0;
    image[i] = static_cast<std::uint16_t>(static_cast<std::int32_t>(r));
  }
}

// True when some sample of the n from `row` is at or above the threshold.
NVK_VECTORISED bool anyAtOrAbove(const std::uint16_t* __restrict row, int n, int threshold) {
  int found = 0;
  for (int i = 0; i < n; ++i)
    found |= row[i] >= threshold;
  return found != 0;
}

long sumOfBlock(std::span<const std::uint16_t> flat, int width, int lastColumn) {
  long sum = 0;
  for (int y = 10; y <= 19; ++y) {
    for (int x = 5; x <= lastColumn; ++x)
      sum += flat[static_cast<std::size_t>(y) * width + x];
  }
  return sum;
}

void addHistory(Program& program, const char* line) {
  program.history.add(line);
}

}  // namespace

void subtractDarkSamples(std::span<std::uint16_t> image, std::span<const std::uint16_t> dark) {
  subtractDark(image.data(), dark.data(), std::min(image.size(), dark.size()));
}

double flatFieldMean(std::span<const std::uint16_t> flat, int width) {
  return static_cast<double>(sumOfBlock(flat, width, 504)) * 0.0002;
}

double automaticFlatMean(std::span<const std::uint16_t> flat, int width) {
  return static_cast<double>(sumOfBlock(flat, width, 604)) / 6000.0;
}

void flatCorrectRow(std::uint16_t* image, const std::uint16_t* flat, double mean, int row,
                    int width) {
  const std::size_t at = static_cast<std::size_t>(row) * width + 3;
  flatCorrect(image + at, flat + at, mean, width - 3);
}

HotPixelScan scanHotPixels(std::span<const std::uint16_t> frame, int width, int height,
                           int threshold) {
  HotPixelScan scan;
  const int firstRow = isLabelledFrame(frame) ? 15 : 5;
  const int firstColumn = 5;
  const int columns = width - 6 - firstColumn + 1;
  constexpr int kBlock = 64;
  for (int y = firstRow; y < height - 5; ++y) {
    const std::uint16_t* row = frame.data() + static_cast<std::size_t>(y) * width;
    for (int x0 = firstColumn; x0 < firstColumn + columns; x0 += kBlock) {
      const int n = std::min(kBlock, firstColumn + columns - x0);
      if (!anyAtOrAbove(row + x0, n, threshold)) continue;
      for (int x = x0; x < x0 + n; ++x) {
        if (row[x] < threshold) continue;
        scan.entries.push_back(y * width + x);
        if (scan.entries.size() > 99'000) {
          scan.tooMany = true;
          return scan;
        }
      }
    }
  }
  return scan;
}

void subtractLoadedDarkFrame(Program& program) {
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  takeUndoCopy(program);
  const std::size_t n = program.geometry.pixelCount;
  std::uint16_t* image = program.planes.RawImage.data();
  const std::uint16_t* dark = program.planes.RawImage2.data();
  base::runOnTwoCores(
      0, static_cast<long>(n), 1,
      [image, dark](long b, long e) {
        subtractDark(image + b, dark + b, static_cast<std::size_t>(e - b));
      },
      [](int) {});
  addHistory(program, "Dark Frame Subtracted");
  ui.requestRedraw();
  ui.setBusyCursor(false);
}

void applyLoadedFlatField(Program& program) {
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  takeUndoCopy(program);
  const int width = program.geometry.width;
  const int height = program.geometry.height;
  const std::uint16_t* flat = program.planes.RawImage2.data();
  std::uint16_t* image = program.planes.RawImage.data();
  const double mean = flatFieldMean(program.planes.RawImage2, width);
  ui.openProgress("FLAT FIELD PROGRESS");
  const int firstRow = isLabelledFrame(program) ? 11 : 7;
  // The bar starts at 10 and moves on by one per row, in steps of 32 rows on this thread.
  constexpr int kRowsPerStep = 32;
  const int rows = height - firstRow;
  const int slices = std::max(1, rows / (2 * kRowsPerStep));
  base::runOnTwoCores(
      firstRow, height, slices,
      [=](long b, long e) {
        for (long y = b; y < e; ++y)
          flatCorrectRow(image, flat, mean, static_cast<int>(y), width);
      },
      [&](int i) {
        ui.setProgress(std::min(256, 10 + static_cast<int>(static_cast<long>(rows) * i / slices)));
        ui.pump();
      });
  ui.closeProgress();
  addHistory(program, "Flat Field Applied");
  ui.requestRedraw();
  ui.setBusyCursor(false);
}

void applyAutomaticFlat(Program& program, std::span<const std::uint16_t> flat) {
  const int width = program.geometry.width;
  const double mean = automaticFlatMean(flat, width);
  for (int y = 2; y < program.geometry.height; ++y) {
    flatCorrectRow(program.planes.RawImage.data(), flat.data(), mean, y, width);
  }
}

bool SubtractDarkFrame(Program& program, const std::filesystem::path& darkFile) {
  if (files::loadCalibrationFile(program, darkFile, files::CalibrationKind::DarkFrame) !=
      files::CalibrationLoad::Loaded) {
    return false;
  }
  subtractLoadedDarkFrame(program);
  return true;
}

bool ApplyFlatField(Program& program, const std::filesystem::path& flatFile) {
  if (files::loadCalibrationFile(program, flatFile, files::CalibrationKind::FlatField) !=
      files::CalibrationLoad::Loaded) {
    return false;
  }
  applyLoadedFlatField(program);
  return true;
}

void SubtractDarkFrameCommand(Program& program) {
  if (auto file = files::chooseCalibrationFile(program, "Subtract Image (Dark Frame)")) {
    SubtractDarkFrame(program, *file);
  }
}

void ApplyFlatFieldCommand(Program& program) {
  if (auto file = files::chooseCalibrationFile(program, "Apply Flat Field")) {
    ApplyFlatField(program, *file);
  }
}

std::size_t ScanHotPixels(Program& program, int threshold) {
  HotPixelScan scan = scanHotPixels(program.planes.RawImage, program.geometry.width,
                                    program.geometry.height, threshold);
  const std::size_t found = scan.entries.size();
  if (scan.tooMany) {
    base::ShowMessage(program.ui(), base::Message::CallerText,
                      "Too many hot pixels found - ensure you have a darkframe loaded.");
    return found;
  }
  program.hotPixelMap.entries = std::move(scan.entries);
  program.hotPixelMap.loaded = true;
  return found;
}

void ApplyHotPixelMap(Program& program) {
  const image::HotPixelMap& map = program.hotPixelMap;
  if (!map.loaded) {
    base::ShowMessage(program.ui(), base::Message::CallerText,
                      "Sorry, you haven't loaded a hot pixel map");
    return;
  }
  takeUndoCopy(program);
  const long width = program.geometry.width;
  const long height = program.geometry.height;
  const long firstRow = isLabelledFrame(program) ? kLabelRows : 0;
  std::uint16_t* s = program.planes.RawImage.data();
  long skipped = 0;
  for (const std::int32_t k : map.entries) {
    const long row = k / width;
    const long column = k % width;
    // A sample on the frame's edge has a neighbour outside it; an index beyond the frame (a map
    // made in another geometry) has no sample here at all.
    if (k < 0 || row < 1 || row >= height - 1 || column < 1 || column >= width - 1) {
      ++skipped;
      continue;
    }
    if (row < firstRow) continue;
    s[k] = static_cast<std::uint16_t>((s[k - 1] + s[k + 1] + s[k - width] + s[k + width]) / 4);
  }
  program.ui().requestRedraw();
  if (skipped > 0) {
    base::ShowMessage(program.ui(), base::Message::CallerText,
                      std::to_string(skipped) +
                          " hot pixel map entries lie outside this image and were skipped.");
  }
}

std::filesystem::path hotPixelMapPath(const Program& program) {
  return program.autosaveFolder() / (program.hotPixelMap.name + ".HPM");
}

bool SaveHotPixelMap(Program& program) {
  std::error_code ignored;
  std::filesystem::remove(program.autosaveFolder() / "testdata.csv", ignored);
  switch (files::writeHotPixelMapFile(hotPixelMapPath(program), program.hotPixelMap)) {
    case files::HotPixelMapWrite::Written:
      return true;
    case files::HotPixelMapWrite::CannotCreate:
      base::ShowWriteFailure(program.ui(), base::Message::CallerText,
                             "Failed to create Hot Pixel Map file");
      return false;
    case files::HotPixelMapWrite::WriteFailed:
      base::ShowWriteFailure(program.ui(), base::Message::CallerText,
                             "Hot Pixel Map file write failed");
      return false;
  }
  return false;
}

}  // namespace nvk::process
