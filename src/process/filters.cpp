#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/parallel_rows.h"
#include "process/filters.h"
#include "process/frame.h"
#include "process/undo.h"
#include "settings/value_ranges.h"

namespace nvk::process {

// Rows of the frame between two progress updates and event pumps.
constexpr int kRowsPerBand = 64;

namespace {

// The frame of every filter: the undo copy holds the unfiltered frame, so the filter reads it
// and writes RawImage directly. (The samples outside the interior keep their values.) The rows
// are shared between both cores; the progress shows the share of rows done.
template <typename RowFilter>
void runRowFilter(Program& program, const char* caption, int firstRow, int endRow,
                  RowFilter filterRows) {
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  ui.openProgress(caption);
  takeUndoCopy(program);
  const FilterFrames frames{undoPlane(program).data(), program.planes.RawImage.data(),
                            program.geometry.width, program.geometry.height};
  if (firstRow < endRow) {
    const int slices = std::max(1, (endRow - firstRow) / kRowsPerBand);
    base::runOnTwoCores(
        firstRow, endRow, slices,
        [&frames, &filterRows](long b, long e) {
          filterRows(frames, static_cast<int>(b), static_cast<int>(e));
        },
        [&](int i) {
          const int row =
              firstRow + static_cast<int>(static_cast<long>(endRow - firstRow) * i / slices);
          ui.setProgress(filterProgressPosition(program, row));
          ui.pump();
        });
  }
  ui.closeProgress();
  ui.setBusyCursor(false);
}

}  // namespace

void KernelFilter(Program& program, const FilterKernel& k, bool redraw) {
  const int r = k.radius;
  runRowFilter(program, "FILTER PROGRESS", firstFilterRow(program, r), program.geometry.height - r,
               [&k](const FilterFrames& f, int b, int e) { convolveRows(k, f, b, e); });
  if (redraw) program.ui().requestRedraw();
}

void KernelFilterCommand(Program& program, KernelId id) {
  const FilterKernel& k = kernel(id);
  KernelFilter(program, k, true);
  program.history.add(k.historyLine);
}

namespace {

void runUnsharpMask(Program& program, int radius, int power, bool redraw) {
  runRowFilter(program, "UNSHARP MASK PROGRESS", firstFilterRow(program, radius),
               program.geometry.height - radius,
               [radius, power](const FilterFrames& f, int b, int e) {
                 unsharpRows(f, b, e, radius, power);
               });
  if (redraw) program.ui().requestRedraw();
  program.history.add("Unsharp Mask : rad " + std::to_string(radius) + " ,power " +
                      std::to_string(power));
}

}  // namespace

void UnsharpMask(Program& program, int radius, int power) {
  runUnsharpMask(program, std::clamp(radius, 1, 7), std::clamp(power, 1, 7), true);
}

void AutoUnsharpMask(Program& program) {
  runUnsharpMask(program,
                 settings::kUnsharpDiameterRange.clamp(program.settings.autoUnsharpDiameter),
                 settings::kUnsharpPowerRange.clamp(program.settings.autoUnsharpPower), false);
}

void MedianFilter(Program& program, int radius, int powerTenths) {
  radius = std::clamp(radius, 1, 3);
  powerTenths = std::clamp(powerTenths, 1, 10);
  runRowFilter(program, "MEDIAN FILTER PROGRESS", firstFilterRow(program, radius),
               program.geometry.height - radius,
               [radius, powerTenths](const FilterFrames& f, int b, int e) {
                 medianRows(f, b, e, radius, powerTenths);
               });
  program.ui().requestRedraw();
  char line[48];
  std::snprintf(line, sizeof line, "Median Filter : rad %d ,power %1.1f", radius,
                powerTenths / 10.0);
  program.history.add(line);
}

}  // namespace nvk::process

namespace nvk::process {

// Gradient Filter. A sky background that brightens toward one side of the frame (light
// pollution, the moon, a tilted flat) is estimated from four 40 x 40 patches of the frame,
// rows 10..49 and 450..489 by columns 20..59 and 600..639. Each patch is summarised by its most
// frequent value (a 4,096-bin histogram, 16 sample values a bin; the level is the bin's
// centre) so that stars in a patch do not pull it. A plane is fitted through the four levels by
// least squares: its slope across is the difference of the right and left pairs over the
// patches' spacing, its slope down likewise, and it passes through their mean at the patches'
// centre. Subtracting the plane's departure from that mean (rounded to the nearest whole
// sample, clamped to 0..65535) leaves the background flat at the patches' mean level. The
// labelled band of a labelled image is left alone.
GradientPlane fitGradientPlane(std::span<const std::uint16_t> frame, int width) {
  const auto patchLevel = [&frame, width](int top, int left) {
    std::array<std::uint32_t, kGradientBins> bins{};
    for (int y = top; y < top + kGradientPatch; ++y) {
      for (int x = left; x < left + kGradientPatch; ++x) {
        ++bins[frame[static_cast<std::size_t>(y) * width + x] >> 4];
      }
    }
    int mode = 0;
    for (int bin = 1; bin < kGradientBins; ++bin) {
      if (bins[bin] > bins[mode]) mode = bin;
    }
    return static_cast<double>(mode * 16 + 8);
  };
  const double topLeft = patchLevel(kGradientTop, kGradientLeft);
  const double topRight = patchLevel(kGradientTop, kGradientRight);
  const double bottomLeft = patchLevel(kGradientBottom, kGradientLeft);
  const double bottomRight = patchLevel(kGradientBottom, kGradientRight);
  GradientPlane plane;
  plane.slopeX = ((topRight + bottomRight) - (topLeft + bottomLeft)) /
                 (2.0 * (kGradientRight - kGradientLeft));
  plane.slopeY = ((bottomLeft + bottomRight) - (topLeft + topRight)) /
                 (2.0 * (kGradientBottom - kGradientTop));
  plane.centreX = (kGradientLeft + kGradientRight + kGradientPatch - 1) / 2.0;
  plane.centreY = (kGradientTop + kGradientBottom + kGradientPatch - 1) / 2.0;
  plane.meanLevel = (topLeft + topRight + bottomLeft + bottomRight) / 4.0;
  return plane;
}

void subtractGradientRows(const GradientPlane& plane, std::span<std::uint16_t> frame, int width,
                          int rowBegin, int rowEnd) {
  std::vector<double> across(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x)
    across[x] = plane.slopeX * (x - plane.centreX);
  for (int y = rowBegin; y < rowEnd; ++y) {
    const double down = plane.slopeY * (y - plane.centreY);
    std::uint16_t* row = frame.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const long v = row[x] - std::lround(down + across[x]);
      row[x] = static_cast<std::uint16_t>(std::clamp(v, 0L, 65535L));
    }
  }
}

void GradientFilter(Program& program) {
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  ui.openProgress("FILTER PROGRESS");
  takeUndoCopy(program);
  const int width = program.geometry.width;
  const GradientPlane plane = fitGradientPlane(program.planes.RawImage, width);
  const int first = isLabelledFrame(program) ? kLabelRows : 0;
  for (int row = first; row < program.geometry.height; row += kRowsPerBand) {
    ui.setProgress(filterProgressPosition(program, row));
    ui.pump();
    subtractGradientRows(plane, program.planes.RawImage, width, row,
                         std::min(row + kRowsPerBand, program.geometry.height));
  }
  ui.closeProgress();
  ui.setBusyCursor(false);
  ui.requestRedraw();
  program.history.add("Gradient Filter");
}

}  // namespace nvk::process
