#include "app/print_layout.h"

#include <cstdint>

namespace nvk::app {

PageRect placeOnPage(int pictureWidth, int pictureHeight, int pageWidth, int pageHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || pageWidth <= 0 || pageHeight <= 0) return {};
  // Compare the two aspect ratios in integers (products of two 31-bit sizes need 64 bits): the
  // side that limits the scale fills the page, the other is scaled down and rounded down, so
  // the picture never overflows the page.
  const std::int64_t w = pictureWidth;
  const std::int64_t h = pictureHeight;
  PageRect r;
  if (std::int64_t{pageWidth} * h <= std::int64_t{pageHeight} * w) {
    r.width = pageWidth;
    r.height = static_cast<int>(h * pageWidth / w);
  } else {
    r.height = pageHeight;
    r.width = static_cast<int>(w * pageHeight / h);
  }
  r.x = (pageWidth - r.width) / 2;
  r.y = (pageHeight - r.height) / 2;
  return r;
}

}  // namespace nvk::app
