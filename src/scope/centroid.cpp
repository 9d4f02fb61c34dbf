#include "scope/centroid.h"

#include <array>
#include <vector>

namespace nvk::scope {
namespace {

constexpr int kHistogramBins = 4096;
// A background bin (sample >> 4) converted back to sample units, slightly above 16 so that the
// estimate sits at the top of the bin's range.
constexpr double kBackgroundScale = 16.64;
// Faint stars (box maximum below this) are amplified four times before weighting.
constexpr int kFaintStarMaximum = 17000;
constexpr int kFaintGain = 4;
constexpr int kFaintClip = 16383;

}  // namespace

CentroidResult findCentroidQuiet(std::span<const std::uint16_t> image, int width, int height, int x,
                                 int y, int c, bool withTenths) {
  CentroidResult result;
  // A negative radius has no box at all, and one as large as the image cannot fit: both are
  // refused like a box that leaves the image. (Sums in 64 bits, so no radius can overflow them.)
  const std::int64_t x64 = x, y64 = y, c64 = c;
  if (c < 0 || x64 - c64 < 0 || y64 - c64 < 0 || x64 + c64 + 1 > width || y64 + c64 + 1 > height) {
    return result;
  }
  const int side = 2 * c + 1;
  const int left = x - c;
  const int top = y - c;

  std::vector<int> box(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
  std::array<int, kHistogramBins> histogram{};
  int boxMaximum = 0;
  for (int row = 0; row < side; ++row) {
    for (int col = 0; col < side; ++col) {
      const int v = image[static_cast<std::size_t>(top + row) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(left + col)];
      box[static_cast<std::size_t>(row * side + col)] = v;
      ++histogram[static_cast<std::size_t>(v >> 4)];
      boxMaximum = std::max(boxMaximum, v);
    }
  }
  int fullest = 0;
  for (int bin = 1; bin < kHistogramBins; ++bin) {
    if (histogram[static_cast<std::size_t>(bin)] > histogram[static_cast<std::size_t>(fullest)]) {
      fullest = bin;  // strictly greater: the lowest bin wins a tie
    }
  }
  const int background = static_cast<int>(fullest * kBackgroundScale);
  result.background = background;

  std::int64_t sum = 0;
  for (int& v : box) {
    v = std::max(0, v - background);
    if (boxMaximum < kFaintStarMaximum) v = v > kFaintClip ? 65535 : v * kFaintGain;
    sum += v;
  }
  const std::int64_t mean = sum / (side * side);

  // The weights start at 1 so that a flat box still gives a defined (corner) centroid.
  double w = 1.0, wx = 1.0, wy = 1.0;
  for (int row = 0; row < side; ++row) {
    for (int col = 0; col < side; ++col) {
      const std::int64_t weight = box[static_cast<std::size_t>(row * side + col)] - mean;
      if (weight < 1) continue;
      w += static_cast<double>(weight);
      wx += static_cast<double>(weight * col);
      wy += static_cast<double>(weight * row);
    }
  }
  result.weight = w;
  result.cx = wx / w;
  result.cy = wy / w;
  if (withTenths) {
    const int wholeX = static_cast<int>(result.cx);
    const int wholeY = static_cast<int>(result.cy);
    result.position = {left + wholeX, static_cast<int>(result.cx * 10) - 10 * wholeX, top + wholeY,
                       static_cast<int>(result.cy * 10) - 10 * wholeY};
  } else {
    result.position = {left + static_cast<int>(result.cx + 0.5), 0,
                       top + static_cast<int>(result.cy + 0.5), 0};
  }
  result.status = CentroidStatus::Found;
  return result;
}

CentroidResult FindCentroid(std::span<const std::uint16_t> image, int width, int height, int x,
                            int y, int c, bool withTenths, port::Ui& ui) {
  CentroidResult result = findCentroidQuiet(image, width, height, x, y, c, withTenths);
  if (result.status == CentroidStatus::OutsideImage) {
    ui.showMessage("NVK_K7LQ_USB  - Find Centre", "Find centre failed - outside image area");
  }
  return result;
}

}  // namespace nvk::scope
