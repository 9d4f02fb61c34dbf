#include "scope/training.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace nvk::scope {
namespace {

constexpr int kAoTrainingSteps = 25;

int wholeLength(double x, double y) {
  return static_cast<int>(std::sqrt(x * x + y * y));
}

}  // namespace

MainTrainingResult mainTrainingResult(const MainTrainingPositions& p, int trainingSeconds) {
  const int t = trainingSeconds > 0 ? trainingSeconds : 1;
  MainTrainingResult r;
  r.raRate = (std::abs(p.x3 - p.x4) + std::abs(p.x1 - p.x2)) / (2 * t);
  r.raBacklash = (std::abs(p.x0 - p.x4) + std::abs(p.x1 - p.x3)) / (2 * t);
  const int northMove = std::abs(p.y1 - p.y2);
  const int southMove = std::abs(p.y3 - p.y4);
  r.decRate = (southMove >= northMove ? southMove : northMove) / t;
  const int netLoss = std::abs(p.y0 - p.y4);
  const int reversalLoss = std::abs(p.y1 - p.y3);
  r.decBacklash = (netLoss >= reversalLoss ? netLoss : reversalLoss) / t;
  // Guiding divides by the rates.
  if (r.raRate == 0) r.raRate = 1;
  if (r.decRate == 0) r.decRate = 1;
  return r;
}

std::string mainTrainingText(const MainTrainingResult& result) {
  char text[128];
  std::snprintf(text, sizeof text, "slewx = %5d, slewy = %5d\nbacklashx = %5d, backlashy = %5d",
                result.raRate, result.decRate, result.raBacklash, result.decBacklash);
  return text;
}

PixelPoint searchAhead(PixelPoint from, PixelPoint previous, int factor) {
  return {from.x + factor * (from.x - previous.x) + 1, from.y + factor * (from.y - previous.y) + 1};
}

TrainedGuideValues guideHeadTrainingResult(const GuideHeadTrainingPositions& p,
                                           int trainingSeconds) {
  const double t = trainingSeconds > 0 ? trainingSeconds : 1;
  TrainedGuideValues v;
  v.raRateX = (p.c.x - p.a.x) / (2 * t);
  v.raRateY = (p.c.y - p.a.y) / (2 * t);
  v.decRateX = (p.g.x - p.f.x) / t;
  v.decRateY = (p.g.y - p.f.y) / t;
  v.raLength = std::max(1, wholeLength(v.raRateX, v.raRateY));
  v.decLength = std::max(1, wholeLength(v.decRateX, v.decRateY));
  // A reversal moves the star less than the same pulse in the same direction would.
  v.raBacklashX = static_cast<int>(std::abs(p.c.x - p.d.x - v.raRateX * t));
  v.raBacklashY = static_cast<int>(std::abs(p.c.y - p.d.y - v.raRateY * t));
  v.raBacklash = wholeLength(v.raBacklashX, v.raBacklashY);  // below 1 it is 0
  v.decBacklashX = static_cast<int>(std::abs(p.g.x - p.h.x - v.decRateX * t));
  v.decBacklashY = static_cast<int>(std::abs(p.g.y - p.h.y - v.decRateY * t));
  v.decBacklash = wholeLength(v.decBacklashX, v.decBacklashY);

  const double rx = v.raRateX;
  const double ry = v.raRateY;
  v.raAngle = rx == 0.0 && ry == 0.0 ? 0.0 : std::atan2(std::abs(ry), std::abs(rx));
  if (rx >= 0 && ry >= 0) {
    v.quadrant = 1;
  } else if (rx < 0 && ry >= 0) {
    v.quadrant = 2;
  } else if (rx < 0) {
    v.quadrant = 3;
  } else {
    v.quadrant = 4;
  }
  // North turns the star's west motion one way or the other, depending on whether the guide
  // head sees the sky directly or mirrored.
  v.decTurn = rx * v.decRateY - ry * v.decRateX >= 0 ? 1 : -1;
  return v;
}

std::string guideHeadTrainingText(const TrainedGuideValues& v) {
  const int rx = static_cast<int>(v.raRateX);
  const int ry = static_cast<int>(v.raRateY);
  const int dx = static_cast<int>(v.decRateX);
  const int dy = static_cast<int>(v.decRateY);
  char text[256];
  std::snprintf(text, sizeof text,
                "slew RA = %5d,%5d, %5d\nslew Dec = %5d, %5d, %5d\nbacklash RA = %5d, %5d, "
                "%5d\nbacklash Dec = %5d, %5d, %5d\nTheta = %5d",
                rx, ry, v.raLength, dx, dy, v.decLength, v.raBacklashX, v.raBacklashY, v.raBacklash,
                v.decBacklashX, v.decBacklashY, v.decBacklash,
                static_cast<int>(std::lround(v.raAngle * 180.0 / std::numbers::pi)));
  return text;
}

AoTrainingResult aoTrainingResult(PixelPoint p0, PixelPoint a, PixelPoint b, PixelPoint c,
                                  PixelPoint d) {
  AoTrainingResult r;
  r.ax = (2 * a.x - p0.x - b.x) / 2;
  r.ay = (2 * a.y - p0.y - b.y) / 2;
  r.bx = (2 * c.x - b.x - d.x) / 2;
  r.by = (2 * c.y - b.y - d.y) / 2;
  auto gain = [](int x, int y) {
    const double length = std::sqrt(double(x) * x + double(y) * y);
    const int g = length > 0.0 ? static_cast<int>(kAoTrainingSteps / length) : 0;
    return g == 0 ? 1 : g;
  };
  r.firstGain = gain(r.ax, r.ay);
  r.secondGain = gain(r.bx, r.by);
  return r;
}

std::string aoTrainingText(const AoTrainingResult& r, PixelPoint p0, PixelPoint a, PixelPoint b,
                           PixelPoint c, PixelPoint d) {
  char text[512];
  std::snprintf(text, sizeof text,
                "slew RA = %5d,%5d, %5d\nslew Dec = %5d, %5d, %5d\npos 1 = %5d, %5d\npos 2 = "
                "%5d, %5d\npos 3 = %5d, %5d\npos 4 = %5d, %5d\npos 5 = %5d, %5d\n",
                r.ax, r.ay, r.firstGain, r.bx, r.by, r.secondGain, p0.x, p0.y, a.x, a.y, b.x, b.y,
                c.x, c.y, d.x, d.y);
  return text;
}

}  // namespace nvk::scope
