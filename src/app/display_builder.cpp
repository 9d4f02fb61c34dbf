#include "app/display_builder.h"

#include <algorithm>
#include <cmath>

#include "acquire/monitor_loops.h"
#include "base/parallel_rows.h"
#include "base/simd.h"
#include "colour/colour_display.h"
#include "process/stretch.h"

namespace nvk::app {
namespace {

// The high bytes of `count` samples of a row, `step` samples apart.
NVK_VECTORISED void highBytes(const std::uint16_t* row, std::uint8_t* out, int count, int step) {
  if (step == 1) {
    for (int x = 0; x < count; ++x)
      out[x] = static_cast<std::uint8_t>(row[x] >> 8);
  } else {
    for (int x = 0; x < count; ++x)
      out[x] = static_cast<std::uint8_t>(row[x * step] >> 8);
  }
}

}  // namespace

PaletteChoice paletteChoice(const Program& program) {
  return image::paletteChoice(program.displayOptions, program.processing.background.mode);
}

namespace {

void buildFocusDisplay(Program& program) {
  image::DisplayImage& display = program.display;
  // The same rendering as the camera dialog's focus box, through the focus stretch.
  const files::Bitmap focus =
      acquire::focusBitmap(program.devices.focusWindow, program.acquisition.focusStretch);
  display.width = focus.width;
  display.height = focus.height;
  display.colour = false;
  std::copy(focus.pixels.begin(), focus.pixels.end(), display.pixels.begin());
  display.palette = displayPalette(paletteChoice(program));
}

}  // namespace

void buildDisplayImage(Program& program) {
  if (program.displayOptions.focusFrame) {
    buildFocusDisplay(program);
    return;
  }
  image::DisplayImage& display = program.display;
  const image::ImageGeometry& g = program.geometry;
  const int step = program.halfSizeDisplay ? 2 : 1;
  display.width = g.displayWidth;
  display.height = g.displayHeight;
  const std::uint16_t* raw = program.planes.RawImage.data();
  std::uint8_t* out = display.pixels.data();
  base::onBothHalves(0, display.height, [&](int, long begin, long end) {
    for (long y = begin; y < end; ++y) {
      const std::uint16_t* row = raw + static_cast<std::size_t>(y * step) * g.width;
      highBytes(row, out + static_cast<std::size_t>(y) * display.width, display.width, step);
    }
  });

  display.colour = program.state.colourConverted;
  if (display.colour) {
    // Sized once, on the first colour picture.
    if (display.rgb.size() < image::kPlaneSamples * 3) display.rgb.resize(image::kPlaneSamples * 3);
    colour::buildColourDisplay(program, display.rgb, display.width, display.height, step);
  }

  process::EstimateBackground(program);
  display.palette = displayPalette(paletteChoice(program));
}

ScrollRange scrollRange(bool fitToWindow, int displayWidth, int displayHeight, int clientWidth,
                        int clientHeight) {
  if (fitToWindow || (displayWidth <= clientWidth && displayHeight <= clientHeight)) return {};
  return {std::max(displayWidth - clientWidth, 0), std::max(displayHeight - clientHeight, 0)};
}

}  // namespace nvk::app
