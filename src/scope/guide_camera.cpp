#include "scope/guide_camera.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "camera/camera.h"
#include "files/bmp_file.h"
#include "image/display_levels.h"
#include "process/stretch.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

constexpr int kFlushLines = 2;
constexpr double kMedianRangeFraction = 0.6;
constexpr double kStretchStep = 0.8;  // the share of the white point's height kept by a step

// The display copy of the guide image written to the guider bitmap.
std::optional<files::Bitmap> writeGuiderBitmap(Program& program, files::DiskSpace disk) {
  files::Bitmap bitmap = guideBitmap(program.guiding.camera.display);
  if (!files::saveBitmapFile(program, files::guiderBitmapPath(program), bitmap, disk)) {
    return std::nullopt;
  }
  return bitmap;
}

}  // namespace

int guideUnitMs(char unit) {
  switch (unit) {
    case 'h':
      return 10;
    case 's':
      return 1000;
    default:
      return 100;
  }
}

int guideUnitMaximum(char unit) {
  switch (unit) {
    case 'h':
      return 500;
    case 's':
      return 10;
    default:
      return 100;
  }
}

int guideExposureMs(const GuideCameraState& camera) {
  return camera.value * guideUnitMs(camera.unit);
}

std::string guideDarkLabel(const GuideCameraState& camera) {
  const char* unitText = camera.unit == 'h'   ? " hundredth "
                         : camera.unit == 's' ? " second "
                                              : " tenth ";
  char text[32];
  std::snprintf(text, sizeof text, "%2d%s", camera.value, unitText);
  return text;
}

bool GuideExposure(Program& program, bool darkExposure, const camera::ExposureWait& wait) {
  auto& camera = program.guiding.camera;
  if (program.settings.guideHeadClear && !program.guideHead().flush(kFlushLines)) return false;
  const std::uint32_t end =
      program.clock().nowMs() + static_cast<std::uint32_t>(guideExposureMs(camera));
  if (wait) {
    wait(end);
  } else {
    program.clock().waitUntilMs(end);
  }
  if (!program.guideHead().readFrame(program.settings.guideHeadBin2x2)) return false;
  auto& image = program.devices.guideImage;
  if (camera.applyDark && camera.darkAvailable && !darkExposure &&
      camera.dark.size() == image.size()) {
    subtractGuideDark(image, camera.dark);
  }
  camera.display =
      guideDisplayCopy(image, camera.medianFilter, camera.stretch, camera.stretchLevel);
  return true;
}

void subtractGuideDark(std::span<std::uint16_t> image, std::span<const std::uint16_t> dark) {
  const std::size_t n = std::min(image.size(), dark.size());
  for (std::size_t i = 0; i < n; ++i) {
    image[i] =
        image[i] > dark[i] ? static_cast<std::uint16_t>(image[i] - dark[i]) : std::uint16_t{0};
  }
}

std::optional<files::Bitmap> ShowGuideExposure(Program& program, bool darkExposure,
                                               files::DiskSpace disk) {
  if (!GuideExposure(program, darkExposure)) return std::nullopt;
  return writeGuiderBitmap(program, disk);
}

std::optional<files::Bitmap> RedrawGuideExposure(Program& program, files::DiskSpace disk) {
  auto& camera = program.guiding.camera;
  camera.display = guideDisplayCopy(program.devices.guideImage, camera.medianFilter, camera.stretch,
                                    camera.stretchLevel);
  return writeGuiderBitmap(program, disk);
}

std::optional<files::Bitmap> TakeGuideDark(Program& program, files::DiskSpace disk) {
  auto& camera = program.guiding.camera;
  camera.darkAvailable = false;  // a failed dark exposure leaves no usable dark
  auto shown = ShowGuideExposure(program, true, disk);
  if (!shown) return std::nullopt;
  camera.dark = program.devices.guideImage;
  camera.darkLabel = guideDarkLabel(camera);
  camera.darkAvailable = true;
  return shown;
}

files::Bitmap guideBitmap(std::span<const std::uint16_t> display) {
  files::Bitmap bitmap;
  bitmap.width = kGuideImageWidth;
  bitmap.height = kGuideImageHeight;
  bitmap.palette = files::greyPalette();
  bitmap.pixels.assign(static_cast<std::size_t>(kGuideImageWidth) * kGuideImageHeight, 0);
  const std::size_t n = std::min(display.size(), bitmap.pixels.size());
  for (std::size_t i = 0; i < n; ++i)
    bitmap.pixels[i] = static_cast<std::uint8_t>(display[i] >> 8);
  return bitmap;
}

std::vector<std::uint16_t> guideDisplayCopy(const std::vector<std::uint16_t>& image, bool median,
                                            bool stretch, int stretchLevel) {
  std::vector<std::uint16_t> out = image;
  const int w = kGuideImageWidth;
  const int h = kGuideImageHeight;
  if (median && image.size() == static_cast<std::size_t>(w) * h) {
    std::array<std::uint16_t, 9> n{};
    for (int y = 1; y < h - 1; ++y) {
      for (int x = 1; x < w - 1; ++x) {
        int k = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            n[static_cast<std::size_t>(k++)] =
                image[static_cast<std::size_t>((y + dy) * w + x + dx)];
        const auto [lo, hi] = std::minmax_element(n.begin(), n.end());
        const double range = *hi - *lo;
        std::nth_element(n.begin(), n.begin() + 4, n.end());
        const int centre = image[static_cast<std::size_t>(y * w + x)];
        if (std::abs(n[4] - centre) > kMedianRangeFraction * range) {
          out[static_cast<std::size_t>(y * w + x)] = n[4];
        }
      }
    }
  }
  if (stretch && out.size() == image.size()) {
    // Normal Stretch from the background level (the fullest of the 256 high-byte levels) to
    // one level above the brightest star. A star's peak has a bright neighbour; a hot pixel
    // stands alone, so each sample counts no brighter than its brightest 4-neighbour and a hot
    // pixel cannot darken the whole picture.
    const int top = image::brightestStarSample(out, w, h);
    const int black = image::skyHighByteLevel(out);
    const int starWhite = std::max(black + 1, (top >> 8) + 1);
    const int level = std::clamp(stretchLevel, kStretchMin, kStretchMax);
    const auto lowered = std::lround((starWhite - black) * std::pow(kStretchStep, level));
    const int white = black + std::max(1, static_cast<int>(lowered));
    const auto table = std::make_unique<image::StretchTable>();
    process::fillNormalTable(*table, black, white);
    process::applyTableToSamples(out, *table);
  }
  return out;
}

}  // namespace nvk::scope
