#include "image/geometry.h"

namespace nvk::image {

ImageGeometry applyGeometry(bool binned, bool halfSizeDisplay) {
  ImageGeometry g;
  g.width = binned ? kBinnedWidth : kFullWidth;
  g.height = binned ? kBinnedHeight : kFullHeight;
  g.rowBytes = g.width * 2;
  g.pixelCount = static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height);
  g.frameBytes = g.pixelCount * 2;
  g.chunkBytes = g.frameBytes / kChunksPerPlane;
  g.lastColumn = g.width - 1;
  g.lastRow = g.height - 1;
  g.displayWidth = halfSizeDisplay ? g.width / 2 : g.width;
  g.displayHeight = halfSizeDisplay ? g.height / 2 : g.height;
  return g;
}

}  // namespace nvk::image
