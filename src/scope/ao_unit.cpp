#include "scope/ao_unit.h"

#include <cstdio>
#include <cstdlib>

#include "scope/ao_unit_factory.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

constexpr int kAoThreshold = 30;
constexpr int kAoMaxError = 8000;

// Steps the program's unit toward the plan's letter, beeping around the move.
void stepAxis(Program& program, char letter, int steps) {
  const auto direction = directionOfLetter(letter);
  if (!direction) return;
  auto& ui = program.ui();
  ui.beep();
  chosenAoUnit(program).step(*direction, steps);
  ui.beep();
}

}  // namespace

AoCommand aoCommand(char command, char direction, int number) {
  AoCommand bytes{};
  char text[16];
  std::snprintf(text, sizeof text, "%c%c%.5d", command, direction, number);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(text[i]);
  return bytes;
}

std::optional<AoAxisStep> aoAxisStep(Program& program, Direction direction) {
  const auto& s = program.settings;
  auto& ao = program.guiding.ao;
  const char letter = static_cast<char>(direction);
  if (letter == s.aoLeftRightLetters.first) return AoAxisStep{'T', &ao.leftRight, +1};
  if (letter == s.aoLeftRightLetters.second) return AoAxisStep{'W', &ao.leftRight, -1};
  if (letter == s.aoUpDownLetters.first) return AoAxisStep{'N', &ao.upDown, +1};
  if (letter == s.aoUpDownLetters.second) return AoAxisStep{'S', &ao.upDown, -1};
  return std::nullopt;
}

AoStepPlan planAoStep(const GuideError& error, int firstGain, int secondGain) {
  AoStepPlan plan;
  if (std::abs(error.x) > kAoMaxError || std::abs(error.y) > kAoMaxError) {
    plan.beyondRange = true;
    return plan;
  }
  if (std::abs(error.x) > kAoThreshold) {
    plan.xLetter = error.x > 0 ? 'w' : 'e';
    plan.xSteps = std::abs(error.x * firstGain) / 1000;
  }
  if (std::abs(error.y) > kAoThreshold) {
    plan.yLetter = error.y > 0 ? 'n' : 's';
    plan.ySteps = std::abs(error.y * secondGain) / 1000;
  }
  return plan;
}

int aoFirstGain(const Program& program) {
  const auto& s = program.settings;
  return program.guiding.ao.useTrainedGains ? s.aoLatestGainUpDown : s.aoDefaultGainUpDown;
}

int aoSecondGain(const Program& program) {
  const auto& s = program.settings;
  return program.guiding.ao.useTrainedGains ? s.aoLatestGainLeftRight : s.aoDefaultGainLeftRight;
}

AoStepPlan AoGuideStep(Program& program, const GuideError& error) {
  const AoStepPlan plan = planAoStep(error, aoFirstGain(program), aoSecondGain(program));
  auto& ao = program.guiding.ao;
  if (plan.beyondRange) return plan;
  if (plan.xLetter != 0) {
    ao.lastXSteps = plan.xSteps;
    if (plan.xSteps > 0) stepAxis(program, plan.xLetter, plan.xSteps);
  }
  if (plan.yLetter != 0) {
    ao.lastYSteps = plan.ySteps;
    if (plan.ySteps > 0) stepAxis(program, plan.yLetter, plan.ySteps);
  }
  return plan;
}

}  // namespace nvk::scope
