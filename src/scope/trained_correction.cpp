#include "scope/trained_correction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace nvk::scope {
namespace {

// The pulse for one axis component (thousandths of a pixel along the axis, positive towards
// the motion of `positiveLetter`).
std::optional<GuideMove> componentMove(double component, char positiveLetter, char negativeLetter,
                                       double lengthPxPerSecond, int backlashPx, int hysteresis,
                                       char& lastLetter, int& shownDuration) {
  const char letter = component > 0 ? positiveLetter : negativeLetter;
  double magnitude = std::abs(component);
  // As in the plain rule, only a change of letter is a reversal. Training measures the play
  // in whole pixels and may find it a pixel too large; taking up too much throws the star past
  // its place on every reversal and the axis swings from side to side. Half of it is taken up
  // at once, and the corrections that follow in the same direction take up the rest.
  if (lastLetter != 0 && letter != lastLetter) magnitude += backlashPx * 1000.0 / 2;
  lastLetter = letter;
  const int duration = static_cast<int>(magnitude / lengthPxPerSecond) - hysteresis * 100;
  shownDuration = duration;
  if (duration <= 0) return std::nullopt;
  return GuideMove{letter, duration};
}

}  // namespace

double westDirection(const TrainedGuideValues& trained) {
  const double a = trained.raAngle;
  switch (trained.quadrant) {
    case 2:
      return std::numbers::pi - a;
    case 3:
      return std::numbers::pi + a;
    case 4:
      return -a;
    default:
      return a;
  }
}

CorrectionPlan planTrainedCorrection(const GuideError& error, const TrainedGuideValues& trained,
                                     const CorrectionRules& rules, bool ignoreBacklash,
                                     GuideLetterMemory& memory) {
  CorrectionPlan plan;
  plan.error = error;
  if (std::abs(error.x) > rules.maxErrorThousandths ||
      std::abs(error.y) > rules.maxErrorThousandths) {
    plan.beyondRange = true;
    return plan;
  }
  // The error is the motion the star needs. Its component along the west motion u asks for a
  // west pulse when positive; its component along the north motion v (u turned a quarter to
  // the side training found) asks for a north pulse when positive. Written with the error's
  // length L and its angle b from the R.A. axis: L cos b and L sin b.
  const double phi = westDirection(trained);
  const double ux = std::cos(phi);
  const double uy = std::sin(phi);
  const double vx = -uy * trained.decTurn;
  const double vy = ux * trained.decTurn;
  const double raComponent = error.x * ux + error.y * uy;
  const double decComponent = error.x * vx + error.y * vy;

  const double raLength = std::max(1.0, std::hypot(trained.raRateX, trained.raRateY));
  const double decLength = std::max(1.0, std::hypot(trained.decRateX, trained.decRateY));
  const int raPlay = ignoreBacklash ? 0 : trained.raBacklash;
  const int decPlay = ignoreBacklash ? 0 : trained.decBacklash;
  const auto& letters = rules.letters;
  plan.xMove = componentMove(raComponent, letters.west, letters.east, raLength, raPlay,
                             rules.guide.raHysteresis, memory.lastX, plan.xDurationMs);
  const bool suppressed = decComponent > 0 ? rules.noNorthCorrections : rules.noSouthCorrections;
  if (!suppressed) {
    plan.yMove = componentMove(decComponent, letters.north, letters.south, decLength, decPlay,
                               rules.guide.decHysteresis, memory.lastY, plan.yDurationMs);
  }
  return plan;
}

}  // namespace nvk::scope
