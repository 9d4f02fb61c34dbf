#include "scope/guiding_display.h"

#include <algorithm>
#include <cstdio>

#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

std::string formatted(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

PlotCross guidestarPlotCross(const GuideError& error) {
  const PlotPoint p = guidestarPlotPoint(error);
  constexpr int half = kPlotSide / 2;
  constexpr int arm = kPlotCrossWidth / 2;
  PlotCross cross;
  cross.centreX = half + p.x;
  cross.centreY = half - p.y;  // the plot's y is upward
  cross.left = std::max(0, cross.centreX - arm);
  cross.right = std::min(kPlotSide, cross.centreX + arm);
  cross.top = std::max(0, cross.centreY - arm);
  cross.bottom = std::min(kPlotSide, cross.centreY + arm);
  return cross;
}

AreaPoint guideAreaPoint(const StarPosition& star) {
  // In tenths of a pixel, so that the mark moves with the centroid's tenths.
  const int x = star.x * 10 + star.xTenths;
  const int y = star.y * 10 + star.yTenths;
  return {x * kGuideAreaWidth / (kGuideImageWidth * 10),
          y * kGuideAreaHeight / (kGuideImageHeight * 10)};
}

GuidingDisplayTexts guidingDisplayTexts(const GuidingDisplay& d) {
  GuidingDisplayTexts t;
  t.x = formatted("%1.1f", d.x);
  t.y = formatted("%1.1f", d.y);
  t.dx = formatted("%1.1f", d.dx);
  t.dy = formatted("%1.1f", d.dy);
  t.slewX = std::to_string(d.slewXMs);
  t.slewY = std::to_string(d.slewYMs);
  t.aoX = std::to_string(d.aoX);
  t.aoY = std::to_string(d.aoY);
  t.aoMovingMount = d.aoMovingMount ? "Yes" : "No";
  return t;
}

void StopAutoGuiding(Program& program) {
  program.guiding.active = false;
}

void PauseAutoGuiding(Program& program, bool paused) {
  program.guiding.paused = paused;
}

}  // namespace nvk::scope
