#pragma once

#include <optional>

#include "files/program.h"
#include "files/rgb_render.h"

namespace nvk::files {

// The renderings of the program's current image that the FITS and TIFF writers take.

// Renders RgbOutputImage from RawImage and ColourImage with the colour saturation setting.
void renderRgbOutput(Program& program);
// The tone curve of the display as it is set now: nullopt while the display stretch is off.
std::optional<ToneCurve> displayToneCurve(const Program& program);

}  // namespace nvk::files
