#include "app/mirror_flip.h"

#include <algorithm>

namespace nvk::app {
namespace {

constexpr std::uint16_t kLabelMarkSum = 34;

std::size_t index(int x, int y, int width) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
         static_cast<std::size_t>(x);
}

template <typename Operation>
void applyToImage(Program& program, Operation operation) {
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  const int width = program.geometry.width;
  const int height = program.geometry.height;
  const int firstRow = isLabelledImage(program.planes.RawImage) ? kLabelBandRows : 0;
  operation(program.planes.RawImage, width, height, firstRow);
  if (program.state.colourConverted) {
    for (const image::Plane& plane : program.planes.ColourImage.planes) {
      operation(plane, width, height, firstRow);
    }
  }
  ui.setBusyCursor(false);
  ui.requestRedraw();
}

}  // namespace

bool isLabelledImage(std::span<const std::uint16_t> raw) {
  return raw.size() > 5 && raw[4] + raw[5] == kLabelMarkSum;
}

void mirrorRows(image::Plane plane, int width, int height, int firstRow) {
  for (int y = firstRow; y < height; ++y) {
    auto row = plane.begin() + static_cast<std::ptrdiff_t>(index(0, y, width));
    std::reverse(row, row + width);
  }
}

void flipRows(image::Plane plane, int width, int height, int firstRow) {
  for (int top = firstRow, bottom = height - 1; top < bottom; ++top, --bottom) {
    auto a = plane.begin() + static_cast<std::ptrdiff_t>(index(0, top, width));
    auto b = plane.begin() + static_cast<std::ptrdiff_t>(index(0, bottom, width));
    std::swap_ranges(a, a + width, b);
  }
}

void MirrorImage(Program& program) {
  applyToImage(program, mirrorRows);
}

void FlipImage(Program& program) {
  applyToImage(program, flipRows);
}

}  // namespace nvk::app
