#pragma once

#include <optional>

#include "scope/centroid.h"
#include "settings/settings.h"

namespace nvk::scope {

class Program;

// A guide error in thousandths of a pixel: reference minus current position, so a positive
// error means the star now lies at a smaller coordinate.
struct GuideError {
  int x = 0;
  int y = 0;
  bool operator==(const GuideError&) const = default;
};

GuideError guideError(const StarPosition& reference, const StarPosition& current);

// One timed correction: the direction letter sent to the mount and the pulse length.
struct GuideMove {
  char letter = 0;
  int durationMs = 0;
  bool operator==(const GuideMove&) const = default;
};

// The last letters sent on each axis; a change of letter means the gears reverse and the
// backlash has to be taken up first.
struct GuideLetterMemory {
  char lastX = 0;
  char lastY = 0;
};

// The rules of one guiding camera.
struct CorrectionRules {
  settings::GuideParameters guide;
  settings::DirectionLetters letters;
  int maxErrorThousandths = 5000;  // larger errors are not corrected at all
  // Errors at or below these are left alone ("Ignore drift < Selected" switches both to the
  // selected accuracy on the main camera).
  int xThresholdThousandths = 50;
  int yThresholdThousandths = 30;
  int durationMultiplier = 1;  // "Double Motor Slew times"
  bool noNorthCorrections = false;
  bool noSouthCorrections = false;
};

// Rules of the main camera and of the guide head, from the settings.
CorrectionRules mainCameraRules(const settings::Settings& settings);
CorrectionRules guiderCameraRules(const settings::Settings& settings);

// What one correction step does: the moves to send (x first, then y) and the durations to
// show (which may be 0 or negative when nothing is sent).
struct CorrectionPlan {
  GuideError error;
  bool beyondRange = false;
  std::optional<GuideMove> xMove;
  std::optional<GuideMove> yMove;
  int xDurationMs = 0;
  int yDurationMs = 0;
};

// The correction for `error` under `rules`; updates the letter memory.
CorrectionPlan planCorrection(const GuideError& error, const CorrectionRules& rules,
                              GuideLetterMemory& memory);

// Sends one planned move, if any, to the mount as a guide pulse between two beeps, and counts
// it.
void sendGuideMove(Program& program, const std::optional<GuideMove>& move);

}  // namespace nvk::scope
