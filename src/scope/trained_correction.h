#pragma once

#include "scope/guide_correction.h"
#include "settings/settings.h"

namespace nvk::scope {

// What a guide-head training measured: how the star moves on the guide image under a west and
// under a north pulse (guide pixels per second), the play of each axis (guide pixels), and the
// direction of the R.A. axis on the image.
struct TrainedGuideValues {
  double raRateX = 0.0;  // star motion per second of a west pulse
  double raRateY = 0.0;
  double decRateX = 0.0;  // star motion per second of a north pulse
  double decRateY = 0.0;
  int raLength = 1;  // R and D: whole pixels per second, never 0
  int decLength = 1;
  // The play of each axis on the image (whole pixels) and its length.
  int raBacklashX = 0, raBacklashY = 0, raBacklash = 0;
  int decBacklashX = 0, decBacklashY = 0, decBacklash = 0;
  // The acute angle between the R.A. axis and the image's x axis (radians) and the quadrant of
  // the west-motion vector (1: +x +y, 2: -x +y, 3: -x -y, 4: +x -y). Together they give the
  // direction of the axis; `decTurn` tells on which side of it north moves the star: +1 when
  // the north motion is the west motion turned from +x towards +y, -1 the other way (the guide
  // head may see the sky mirrored).
  double raAngle = 0.0;
  int quadrant = 1;
  int decTurn = 1;
};

// The direction in which a west pulse moves the star, as an angle from the +x axis towards +y
// (radians), from the acute angle and the quadrant.
double westDirection(const TrainedGuideValues& trained);

// The guide-head correction with trained values. The error (reference minus current, in
// thousandths of a pixel) is rotated by the R.A. direction into a component along the R.A.
// axis and one along the Dec. axis; each component divided by its trained length gives the
// pulse in milliseconds, lengthened by the trained play on a change of direction (unless
// "Ignore Backlash") and shortened by the hysteresis of `rules.guide`; the letters and the
// north/south switches come from `rules` too. No drift threshold applies; errors beyond
// `rules.maxErrorThousandths` are not corrected.
CorrectionPlan planTrainedCorrection(const GuideError& error, const TrainedGuideValues& trained,
                                     const CorrectionRules& rules, bool ignoreBacklash,
                                     GuideLetterMemory& memory);

}  // namespace nvk::scope
