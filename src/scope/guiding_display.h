#pragma once

#include <string>

#include "scope/guide_correction.h"
#include "scope/guiding_state.h"

namespace nvk::scope {

class Program;

// --- "AutoGuider Camera Guiding" (TGInfoDialog) ---

// The "Guidestar Movement" plot: a square of 100 x 100 points centred on the reference, one
// point per 0.1 pixel of error, so that it spans -5 to +5 pixels; the current error is a cross
// 14 points wide.
inline constexpr int kPlotSide = 100;
inline constexpr int kPlotCrossWidth = 14;

// The cross in the square's own coordinates (origin at its top-left corner, y downward, as a
// view paints it): its centre, clamped to the square, and the ends of its two strokes, cut at
// the square's edges.
struct PlotCross {
  int centreX = 0;
  int centreY = 0;
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  bool operator==(const PlotCross&) const = default;
};
PlotCross guidestarPlotCross(const GuideError& error);

// The guide image (500 x 290 samples) is shown squeezed into a 288 x 181 area; the cross-hair
// marks the star there.
inline constexpr int kGuideAreaWidth = 288;
inline constexpr int kGuideAreaHeight = 181;
struct AreaPoint {
  int x = 0;
  int y = 0;
  bool operator==(const AreaPoint&) const = default;
};
// Where a guide-image position (whole pixels plus tenths) lies in the area.
AreaPoint guideAreaPoint(const StarPosition& star);

// The fields of the display as they are shown.
struct GuidingDisplayTexts {
  std::string x, y, dx, dy;   // pixels, "%1.1f"
  std::string slewX, slewY;   // "Slew time x axis", "Slew time y axis": milliseconds
  std::string aoX, aoY;       // the AO unit's x pos and y pos: steps of the last move
  std::string aoMovingMount;  // "Yes" while the AO unit bumps the mount, else "No"
  bool operator==(const GuidingDisplayTexts&) const = default;
};
GuidingDisplayTexts guidingDisplayTexts(const GuidingDisplay& display);

// --- "Guiding Info" (TInfoDialog) of main-camera guiding (command 22) ---

// "Stop": the guiding loop ends after its current frame, with "AutoGuiding Terminated".
void StopAutoGuiding(Program& program);
// "Pause": frames go on but no correction is made until it is released.
void PauseAutoGuiding(Program& program, bool paused);

}  // namespace nvk::scope
