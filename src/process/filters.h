#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "process/program.h"

namespace nvk::process {

// The six fixed convolution kernels of the Filters menu.
enum class KernelId {
  LowPass,
  HighPassLowPower,
  Gaussian,
  HighPassHighPower,
  SmootherSharper,
  BasRelief
};

struct FilterKernel {
  KernelId id;
  int radius;                   // 1: 3 x 3, 2: 5 x 5
  int divisor;                  // the sum of the weights
  std::array<int, 25> weights;  // row-major, (2 * radius + 1)^2 of them
  std::string_view historyLine;

  constexpr int size() const { return 2 * radius + 1; }
  constexpr int weight(int row, int column) const { return weights[row * size() + column]; }
};

const FilterKernel& kernel(KernelId id);

// One frame of `width` x `height` samples read by a filter (`source`, never changed) and the
// frame it writes (`target`). Filters write only the rows [rowBegin, rowEnd) of the interior;
// the caller keeps those rows inside the filter's border.
struct FilterFrames {
  const std::uint16_t* source;
  std::uint16_t* target;
  int width;
  int height;
};

// e = sum of sample x weight over the window, divided by the divisor (truncated toward zero),
// clamped; columns radius .. width - radius - 1.
void convolveRows(const FilterKernel& k, const FilterFrames& frames, int rowBegin, int rowEnd);
// Unsharp mask of radius `radius` (1..7) and power `power`: out = v + (v - mean) x power with
// the mean of the (2 radius + 1)^2 window, clamped; columns radius .. width - radius - 2.
void unsharpRows(const FilterFrames& frames, int rowBegin, int rowEnd, int radius, int power);
// Median filter of radius 1..3 with the power in tenths (1..10): a sample whose distance from
// its window's median is more than (maximum - minimum) x power / 10 becomes the median; the
// minimum starts at 65000. Columns radius .. width - radius - 1.
void medianRows(const FilterFrames& frames, int rowBegin, int rowEnd, int radius, int powerTenths);

// --- the Filters menu ---
// The kernel filter ("FILTER PROGRESS"): undo copy, the interior below the labelled band,
// redraw when asked. The menu commands add the kernel's history line themselves.
void KernelFilter(Program& program, const FilterKernel& k, bool redraw);
// A Filters menu kernel command: the kernel filter with redraw and its history line.
void KernelFilterCommand(Program& program, KernelId id);
// Unsharp mask with the given radius and power (1..7): redraw and history line.
void UnsharpMask(Program& program, int radius, int power);
// The automatic unsharp mask: the settings' diameter and power, no redraw.
void AutoUnsharpMask(Program& program);
// Median filter of radius 1..3 and power 1..10 tenths: redraw and history line.
void MedianFilter(Program& program, int radius, int powerTenths);

// Gradient Filter (command 18): removes a linear background gradient estimated from four
// patches of the frame (the method is described in filters.cpp). Redraw and history line.
void GradientFilter(Program& program);

// The gradient's patches: 40 x 40 samples at these rows and columns.
inline constexpr int kGradientPatch = 40;
inline constexpr int kGradientTop = 10;
inline constexpr int kGradientBottom = 450;
inline constexpr int kGradientLeft = 20;
inline constexpr int kGradientRight = 600;
inline constexpr int kGradientBins = 4096;

// The background plane: level = meanLevel + slopeX (x - centreX) + slopeY (y - centreY).
struct GradientPlane {
  double slopeX = 0;
  double slopeY = 0;
  double centreX = 0;
  double centreY = 0;
  double meanLevel = 0;
};
GradientPlane fitGradientPlane(std::span<const std::uint16_t> frame, int width);
// Subtracts the plane's departure from its mean level from the rows [rowBegin, rowEnd).
void subtractGradientRows(const GradientPlane& plane, std::span<std::uint16_t> frame, int width,
                          int rowBegin, int rowEnd);

}  // namespace nvk::process
