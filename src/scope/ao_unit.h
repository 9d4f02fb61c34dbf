#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "scope/guide_correction.h"
#include "scope/mount.h"

namespace nvk::scope {

class Program;

// An AO command: the command letter, a direction letter and a five-digit number.
using AoCommand = std::array<std::uint8_t, 7>;
AoCommand aoCommand(char command, char direction, int number);

// The AO counters beyond which nothing more is sent, and beyond which the mount is bumped.
inline constexpr int kAoLimitSteps = 80;
inline constexpr int kAoBumpSteps = 50;
inline constexpr std::uint32_t kAoBumpIntervalMs = 700;
// A move of the dialog's arrows, in steps.
inline constexpr int kAoManualSteps = 100;

// The AO unit as the program tracks it: its position in steps since the last centralise, the
// at-limit flag, when it last bumped the mount, and whether trained gains are in use.
struct AoState {
  std::int16_t upDown = 0;
  std::int16_t leftRight = 0;
  bool atLimit = false;
  std::optional<std::uint32_t> lastBumpMs;
  // The last step counts the guide step sent, for the guiding display.
  int lastXSteps = 0;
  int lastYSteps = 0;
  bool movingMount = false;
  bool trainedGainsAvailable = false;
  bool useTrainedGains = false;

  // The unit stands at its centre: both counters 0, not at the limit.
  void centred() {
    upDown = 0;
    leftRight = 0;
    atLimit = false;
  }
};

// The adaptive-optics unit. The program holds one, made by makeAoUnit (ao_unit_factory.h)
// from the settings' AO mode; guiding, training, the guider camera dialog and the CLI talk to
// it. Directions are the sky's ('e', 'w', 'n', 's' before the AO swaps): a unit turns them
// into its own with "Swap AO Left/Right" and "Swap AO Up/Down". The position counters live in
// the program's AoState, where the guider dialog shows them.
class AoUnit {
 public:
  virtual ~AoUnit() = default;

  // A guiding or training move of `steps` toward `direction`. A unit that counts its travel
  // refuses a move that would take a counter beyond +-kAoLimitSteps (the at-limit flag) and
  // bumps the mount, at most every kAoBumpIntervalMs, while a counter lies beyond
  // +-kAoBumpSteps.
  virtual void step(Direction direction, int steps) = 0;
  // The dialog arrows in AO guiding mode: kAoManualSteps toward `direction`, not limited.
  virtual void manualMove(Direction direction) = 0;
  // "Centralise AO": the unit goes to its centre and both counters become 0.
  virtual void centre() = 0;
  // The end of a guided exposure: the unit is moved back to its centre.
  virtual void returnToCentre() = 0;
  // Sends an AO command as it stands (aoCommand).
  virtual void send(std::span<const std::uint8_t> command) = 0;
};

// The unit's own direction (the letter of its commands: 'T', 'W', 'N' or 'S') for a move
// toward `direction`, and the counter it changes. The AO letter pairs hold 'e' before 'w' and
// 'n' before 's' unless "Swap AO Left/Right" or "Swap AO Up/Down" exchanged them: whichever
// letter stands first drives the unit's 'T' or 'N'. This is the one place the AO swaps act.
struct AoAxisStep {
  char unitDirection;
  std::int16_t* counter;
  int sign;
};
std::optional<AoAxisStep> aoAxisStep(Program& program, Direction direction);

// The AO guide step's plan for `error`: the letter ('e', 'w', 'n', 's', before the AO swaps)
// and steps for each axis (no move when the steps are 0 or the error is within 30
// thousandths; nothing beyond 8 pixels).
struct AoStepPlan {
  bool beyondRange = false;
  char xLetter = 0;
  int xSteps = 0;
  char yLetter = 0;
  int ySteps = 0;
};
AoStepPlan planAoStep(const GuideError& error, int firstGain, int secondGain);

// The gains in use: the trained ("Latest") gains when they are in use, else the defaults.
int aoFirstGain(const Program& program);
int aoSecondGain(const Program& program);

// The AO guide step after FindCentroid found the star: plans and steps the program's unit,
// beeping around each move, and records the steps for the display. Returns the plan it
// carried out.
AoStepPlan AoGuideStep(Program& program, const GuideError& error);

}  // namespace nvk::scope
