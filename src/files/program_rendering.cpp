#include "files/program_rendering.h"

namespace nvk::files {

void renderRgbOutput(Program& program) {
  const auto& g = program.geometry;
  renderRgbOutput(program.planes.RawImage.data(), program.planes.ColourImage,
                  program.planes.RgbOutputImage, g.width, g.height,
                  program.settings.colourSaturation);
}

std::optional<ToneCurve> displayToneCurve(const Program& program) {
  return displayToneCurve(program.displayOptions, program.processing.background.mode);
}

}  // namespace nvk::files
