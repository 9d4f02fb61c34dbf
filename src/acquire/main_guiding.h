#pragma once

#include <functional>
#include <optional>
#include <string>

#include "scope/guiding_state.h"

namespace nvk::acquire {

class Program;

// Pick Guide Star (command 21): false, with "Sorry. Cannot Pick Star in ths display mode",
// while the picture is stretched to the window (a click cannot name an image pixel).
bool CanPickGuideStar(Program& program);
// The pick at image pixel (x, y) of the current image: the centroid, its message and the
// cross on the picture. Nothing when the star box leaves the image.
std::optional<scope::StarPosition> PickGuideStarAt(Program& program, int imageX, int imageY);

// The guiding window around a full-resolution star position, kept on the sensor.
void placeMainGuideWindow(scope::MainGuideStar& star);

// Start Auto-Guiding (command 22): guides on the main camera until Esc or its Stop.
// `afterFrame` (may be empty) is called after every guiding frame's correction.
void StartAutoGuiding(Program& program, const std::function<void()>& afterFrame = {});

// Train Auto-Guiding (command 23): the R.A. and Dec. rates and backlash of the main camera,
// written into its guide settings and saved. False when nothing was trained.
bool TrainAutoGuiding(Program& program);

}  // namespace nvk::acquire
