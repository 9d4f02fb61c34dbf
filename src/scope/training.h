#pragma once

#include <string>

#include "scope/trained_correction.h"

namespace nvk::scope {

// A whole-pixel star position on the image being trained on.
struct PixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// --- main-camera training (Train Auto-Guiding) ---

// The star's x after the R.A. moves (east, east, west, west) and y after the Dec. moves
// (north, north, south, south), with the starting positions x0 and y0.
struct MainTrainingPositions {
  int x0 = 0, x1 = 0, x2 = 0, x3 = 0, x4 = 0;
  int y0 = 0, y1 = 0, y2 = 0, y3 = 0, y4 = 0;
};

struct MainTrainingResult {
  int raRate = 1;  // pixels per second, at least 1
  int decRate = 1;
  int raBacklash = 0;
  int decBacklash = 0;
  bool operator==(const MainTrainingResult&) const = default;
};

// The rates and backlash of `trainingSeconds` T (integer divisions throughout).
MainTrainingResult mainTrainingResult(const MainTrainingPositions& p, int trainingSeconds);
// "slewx = ..., slewy = ...\nbacklashx = ..., backlashy = ..."
std::string mainTrainingText(const MainTrainingResult& result);

// --- guide-head training ("Train" of the autoguider dialog) ---

// The positions after the nine steps: P0 the selected star; A, B, C after the three west
// moves (T/10, T, T seconds), D after the east move, E after the west move that stabilises,
// F and G after the two north moves (T/5, T seconds), H after the south move.
struct GuideHeadTrainingPositions {
  PixelPoint p0, a, b, c, d, e, f, g, h;
};

// Where the search for the next position starts after a move that is expected to carry the
// star `factor` times as far as the last one: from + factor x (from - previous) + 1 per axis.
PixelPoint searchAhead(PixelPoint from, PixelPoint previous, int factor);

// The trained values. The first short move of each axis only takes up the gear play, so the
// rates come from the full moves that follow it: R.A. from A to C (2T seconds), Dec. from F to
// G (T seconds). The play is what a reversal loses: |C - D - r T| and |G - H - d T|.
TrainedGuideValues guideHeadTrainingResult(const GuideHeadTrainingPositions& p,
                                           int trainingSeconds);
// The message: "slew RA = ...\nslew Dec = ...\nbacklash RA = ...\nbacklash Dec = ...\nTheta = ..."
// (theta in whole degrees).
std::string guideHeadTrainingText(const TrainedGuideValues& trained);

// --- AO training ---

struct AoTrainingResult {
  int ax = 0, ay = 0, firstGain = 1;   // the west/east moves, applied to x errors
  int bx = 0, by = 0, secondGain = 1;  // the north/south moves, applied to y errors
};
// The gains (AO steps per pixel) from the star at P0 and after 25 steps west (A), east (B),
// north (C) and south (D).
AoTrainingResult aoTrainingResult(PixelPoint p0, PixelPoint a, PixelPoint b, PixelPoint c,
                                  PixelPoint d);
std::string aoTrainingText(const AoTrainingResult& r, PixelPoint p0, PixelPoint a, PixelPoint b,
                           PixelPoint c, PixelPoint d);

}  // namespace nvk::scope
