#include "indi/frames.h"

#include <algorithm>

#include "camera/devices.h"
#include "camera/readout.h"
#include "image/geometry.h"

namespace nvk::indi {

int binningOf(image::ReadoutMode mode) {
  return mode == image::ReadoutMode::HighResolution ? 1 : 2;
}

image::ReadoutMode modeForBinning(int bin, image::ReadoutMode current) {
  if (bin <= 1) return image::ReadoutMode::HighResolution;
  return binningOf(current) == 2 ? current : image::ReadoutMode::Binned2x2;
}

ChipFrame clipFrame(ChipFrame frame, int width, int height) {
  const int bin = std::max(1, frame.bin);
  ChipFrame c;
  c.bin = bin;
  c.x = std::clamp(frame.x, 0, width - bin) / bin * bin;
  c.y = std::clamp(frame.y, 0, height - bin) / bin * bin;
  c.width = std::max(bin, std::min(frame.width, width - c.x) / bin * bin);
  c.height = std::max(bin, std::min(frame.height, height - c.y) / bin * bin);
  return c;
}

std::vector<std::uint16_t> cutMainFrame(std::span<const std::uint16_t> raw, image::ReadoutMode mode,
                                        ChipFrame frame) {
  const int bin = binningOf(mode);
  frame.bin = bin;
  frame = clipFrame(frame, camera::kSensorWidth, camera::kSensorHeight);
  const int left = frame.x / bin;
  const int top = frame.y / bin;
  const int width = frame.width / bin;
  const int height = frame.height / bin;
  std::vector<std::uint16_t> out(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    std::size_t start = 0;
    switch (mode) {
      case image::ReadoutMode::HighResolution:
        start = static_cast<std::size_t>(top + row) * image::kFullWidth;
        break;
      case image::ReadoutMode::Binned2x2:
        start = camera::binned2x2LineStart(top + row);
        break;
      default:  // resampled onto the 1520 x 1012 grid
        start = static_cast<std::size_t>(top + row) * image::kBinnedWidth;
        break;
    }
    std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(start + left), width,
                out.begin() + static_cast<std::ptrdiff_t>(row) * width);
  }
  return out;
}

std::vector<std::uint8_t> cutGuideFrame(std::span<const std::uint16_t> guide, ChipFrame frame) {
  frame = clipFrame(frame, camera::kGuideWidth, camera::kGuideHeight);
  const int bin = frame.bin;
  const int width = frame.width / bin;
  const int height = frame.height / bin;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const std::size_t at = static_cast<std::size_t>(frame.y + row * bin) * camera::kGuideWidth +
                             static_cast<std::size_t>(frame.x + column * bin);
      out[static_cast<std::size_t>(row) * width + column] =
          static_cast<std::uint8_t>(guide[at] >> 8);
    }
  }
  return out;
}

}  // namespace nvk::indi
