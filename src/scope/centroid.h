#pragma once

#include <cstdint>
#include <span>

#include "port/ui.h"

namespace nvk::scope {

// A star position in whole pixels plus tenths of a pixel.
struct StarPosition {
  int x = 0;
  int xTenths = 0;
  int y = 0;
  int yTenths = 0;
  bool operator==(const StarPosition&) const = default;
};

enum class CentroidStatus { Found = 0, OutsideImage = 1 };

struct CentroidResult {
  CentroidStatus status = CentroidStatus::OutsideImage;
  StarPosition position;
  double cx = 0.0;  // the centroid within the box, as computed
  double cy = 0.0;
  int background = 0;
  // The sum of the weights, which starts at 1: exactly 1 when nothing in the box rose above
  // its mean (an empty box, no star).
  double weight = 0.0;
};

// Refines the star position (x, y) to the intensity-weighted centroid of the box of radius c
// around it, on an image of width x height samples. `withTenths` keeps tenths of a pixel (while
// guiding with small drifts corrected, and always on the guide head); otherwise the position is
// rounded to whole pixels. A box that leaves the image, or a negative radius, is refused with a
// message.
CentroidResult FindCentroid(std::span<const std::uint16_t> image, int width, int height, int x,
                            int y, int c, bool withTenths, port::Ui& ui);

// The same without the message, for loops that treat a lost star themselves.
CentroidResult findCentroidQuiet(std::span<const std::uint16_t> image, int width, int height, int x,
                                 int y, int c, bool withTenths);

}  // namespace nvk::scope
