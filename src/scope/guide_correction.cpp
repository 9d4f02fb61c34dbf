#include "scope/guide_correction.h"

#include <cstdlib>

#include "scope/mount_factory.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

constexpr int kGuiderMaxError = 8000;
constexpr int kGuiderThreshold = 30;
constexpr int kMainXThreshold = 50;
constexpr int kMainYThreshold = 30;
constexpr int kMainMaxError = 5000;

// Pulse for one axis. `error` is the signed error, `positiveLetter`/`negativeLetter` the
// directions that reduce a positive/negative error.
std::optional<GuideMove> axisMove(int error, int threshold, char positiveLetter,
                                  char negativeLetter, bool suppressPositive, bool suppressNegative,
                                  int rate, int backlash, int hysteresis, int multiplier,
                                  char& lastLetter, int& shownDuration) {
  if (std::abs(error) <= threshold) return std::nullopt;
  if ((error > 0 && suppressPositive) || (error < 0 && suppressNegative)) return std::nullopt;
  const char letter = error > 0 ? positiveLetter : negativeLetter;
  int magnitude = std::abs(error);
  // On a reversal the gears must first cross their backlash: the pulse grows by it, whichever
  // way the mount now turns. The first pulse of a run is no reversal: where the gears stand is
  // not known, and adding the play there would throw the star by it.
  if (lastLetter != 0 && letter != lastLetter) magnitude += backlash * 1000;
  lastLetter = letter;
  int duration = magnitude / (rate > 0 ? rate : 1) - hysteresis * 100;
  duration *= multiplier;
  shownDuration = duration;
  if (duration <= 0) return std::nullopt;
  return GuideMove{letter, duration};
}

}  // namespace

GuideError guideError(const StarPosition& reference, const StarPosition& current) {
  return {(reference.x - current.x) * 1000 + (reference.xTenths - current.xTenths) * 100,
          (reference.y - current.y) * 1000 + (reference.yTenths - current.yTenths) * 100};
}

CorrectionRules mainCameraRules(const settings::Settings& settings) {
  CorrectionRules rules;
  rules.guide = settings.mainGuide;
  rules.letters = settings.directionLetters;
  rules.maxErrorThousandths = kMainMaxError;
  if (settings.ignoreDriftBelowAccuracy) {
    rules.xThresholdThousandths = settings.guideAccuracy;
    rules.yThresholdThousandths = settings.guideAccuracy;
  } else {
    rules.xThresholdThousandths = kMainXThreshold;
    rules.yThresholdThousandths = kMainYThreshold;
  }
  rules.durationMultiplier = settings.slewTimeFactor;
  rules.noNorthCorrections = settings.noNorthCorrections;
  rules.noSouthCorrections = settings.noSouthCorrections;
  return rules;
}

CorrectionRules guiderCameraRules(const settings::Settings& settings) {
  CorrectionRules rules;
  rules.guide = settings.guiderGuide;
  rules.letters = settings.directionLetters;
  rules.maxErrorThousandths = kGuiderMaxError;
  rules.xThresholdThousandths = kGuiderThreshold;
  rules.yThresholdThousandths = kGuiderThreshold;
  rules.durationMultiplier = 1;
  rules.noNorthCorrections = settings.noNorthCorrections;
  rules.noSouthCorrections = settings.noSouthCorrections;
  return rules;
}

CorrectionPlan planCorrection(const GuideError& error, const CorrectionRules& rules,
                              GuideLetterMemory& memory) {
  CorrectionPlan plan;
  plan.error = error;
  if (std::abs(error.x) > rules.maxErrorThousandths ||
      std::abs(error.y) > rules.maxErrorThousandths) {
    plan.beyondRange = true;
    return plan;
  }
  const auto& g = rules.guide;
  plan.xMove = axisMove(error.x, rules.xThresholdThousandths, rules.letters.east,
                        rules.letters.west, false, false, g.raRate, g.raBacklash, g.raHysteresis,
                        rules.durationMultiplier, memory.lastX, plan.xDurationMs);
  // A positive y error is corrected northwards.
  plan.yMove =
      axisMove(error.y, rules.yThresholdThousandths, rules.letters.north, rules.letters.south,
               rules.noNorthCorrections, rules.noSouthCorrections, g.decRate, g.decBacklash,
               g.decHysteresis, rules.durationMultiplier, memory.lastY, plan.yDurationMs);
  return plan;
}

void sendGuideMove(Program& program, const std::optional<GuideMove>& move) {
  if (!move) return;
  ++program.guiding.pulsesSent;
  program.ui().beep();
  guidePulseToward(chosenMount(program), move->letter, move->durationMs);
  program.ui().beep();
}

}  // namespace nvk::scope
