#include "scope/ao_unit.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

constexpr std::uint32_t kAfterSendMs = 50;
constexpr std::uint32_t kPulseLeadMs = 10;
constexpr std::uint32_t kAfterPulseMs = 300;
constexpr std::uint32_t kAfterBumpMs = 100;
constexpr std::uint32_t kAfterReturnMs = 300;
constexpr std::uint32_t kCentraliseReleaseMs = 100;
constexpr int kAoThreshold = 30;
constexpr int kAoMaxError = 8000;
constexpr int kManualSteps = 100;
// A mount bump lasts this many milliseconds at one pixel per second of guide rate.
constexpr int kBumpPixelMs = 400;

// The unit's own direction (G-command letter) for a move towards 'e', 'w', 'n' or 's', and
// the counter it changes. The AO letter pairs hold 'e' before 'w' and 'n' before 's' unless
// "Swap AO Left/Right" or "Swap AO Up/Down" exchanged them: whichever letter stands first
// drives the unit's 'T' or 'N'. This is the one place the AO swaps act.
struct AoAxisStep {
  char direction;
  std::int16_t* counter;
  int sign;
};

AoAxisStep axisStep(Program& program, char letter) {
  const auto& s = program.settings;
  auto& ao = program.guiding.ao;
  if (letter == s.aoLeftRightLetters.first) return {'T', &ao.leftRight, +1};
  if (letter == s.aoLeftRightLetters.second) return {'W', &ao.leftRight, -1};
  if (letter == s.aoUpDownLetters.first) return {'N', &ao.upDown, +1};
  if (letter == s.aoUpDownLetters.second) return {'S', &ao.upDown, -1};
  return {0, nullptr, 0};
}

std::uint8_t pulseByte(char direction) {
  switch (direction) {
    case 'T':
      return kAoPulseEast;
    case 'N':
      return kAoPulseNorth;
    case 'S':
      return kAoPulseSouth;
    default:
      return kAoPulseWest;
  }
}

void pulse(Program& program, char direction, int holdMs) {
  auto& clock = program.clock();
  clock.waitMs(kPulseLeadMs);
  SetGuideSocket(program, pulseByte(direction));
  clock.waitMs(static_cast<std::uint32_t>(std::max(0, holdMs)));
  SetGuideSocket(program, kAoPulseRelease);
  clock.waitMs(kAfterPulseMs);
}

void bumpMount(Program& program) {
  auto& ao = program.guiding.ao;
  const auto& s = program.settings;
  auto& clock = program.clock();
  const std::uint32_t now = clock.nowMs();
  if (ao.lastBumpMs && port::msElapsed(*ao.lastBumpMs, now) < kAoBumpIntervalMs) return;
  ao.lastBumpMs = now;
  ao.movingMount = true;
  auto duration = [&](int rate) {
    int ms = kBumpPixelMs / (rate > 0 ? rate : 1);
    if (s.aoHalfRate) ms /= 2;
    return ms;
  };
  if (std::abs(ao.upDown) > kAoBumpSteps) {
    const char letter =
        ao.upDown > kAoBumpSteps ? s.mountNorthSouthLetters.first : s.mountNorthSouthLetters.second;
    AoSend(program, aoCommand('M', letter, duration(s.guiderGuide.raRate)));
    clock.waitMs(kAfterBumpMs);
  }
  if (std::abs(ao.leftRight) > kAoBumpSteps) {
    const char letter =
        ao.leftRight > kAoBumpSteps ? s.mountEastWestLetters.first : s.mountEastWestLetters.second;
    AoSend(program, aoCommand('M', letter, duration(s.guiderGuide.decRate)));
    clock.waitMs(kAfterBumpMs);
  }
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

void AoSend(Program& program, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (program.settings.aoPulseMode) {
    SetGuideSocket(program, bytes[0]);
    return;
  }
  const int route = program.settings.serialRoute;
  SendSerial(program, route, bytes);
  program.clock().waitMs(kAfterSendMs);
  if (bytes[0] != 'H') return;
  // The PC route has read the echo already; the camera route reads it here.
  if (!usesPcRoute(route)) ReadSerialReply(program, route, 1);
  if (program.telescope.replyBuffer[0] != 'H') {
    std::string text = "Return from AO - ";
    text += ReplyToText(program.telescope);
    base::ShowMessage(program.ui(), base::Message::CallerText, text);
  }
}

void AoMove(Program& program, char letter, int steps) {
  const AoAxisStep step = axisStep(program, letter);
  if (step.counter == nullptr) return;
  auto& ao = program.guiding.ao;
  if (program.settings.aoPulseMode) {
    pulse(program, step.direction, steps);
    return;
  }
  const int moved = *step.counter + step.sign * steps;
  if (std::abs(moved) > kAoLimitSteps) {
    // The unit would leave its travel: the move is not sent and the counter keeps the
    // position the unit really has.
    ao.atLimit = true;
  } else {
    *step.counter = static_cast<std::int16_t>(moved);
    ++program.guiding.pulsesSent;
    AoSend(program, aoCommand('G', step.direction, steps));
    ao.atLimit = false;
  }
  ao.movingMount = false;
  if (std::abs(ao.upDown) <= kAoBumpSteps && std::abs(ao.leftRight) <= kAoBumpSteps) return;
  bumpMount(program);
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
  auto& ui = program.ui();
  if (plan.xLetter != 0) {
    ao.lastXSteps = plan.xSteps;
    if (plan.xSteps > 0) {
      ui.beep();
      AoMove(program, plan.xLetter, plan.xSteps);
      ui.beep();
    }
  }
  if (plan.yLetter != 0) {
    ao.lastYSteps = plan.ySteps;
    if (plan.ySteps > 0) {
      ui.beep();
      AoMove(program, plan.yLetter, plan.ySteps);
      ui.beep();
    }
  }
  return plan;
}

void AoManualMove(Program& program, char letter) {
  const AoAxisStep step = axisStep(program, letter);
  if (step.counter == nullptr) return;
  if (program.settings.aoPulseMode) {
    pulse(program, step.direction, kManualSteps);
    return;
  }
  *step.counter = static_cast<std::int16_t>(*step.counter + step.sign * kManualSteps);
  AoSend(program, aoCommand('M', step.direction, kManualSteps));
}

void CentraliseAo(Program& program) {
  if (program.settings.aoPulseMode) {
    SetGuideSocket(program, kAoPulseRelease);
    program.clock().waitMs(kCentraliseReleaseMs);
    SetGuideSocket(program, 0);
  } else {
    const std::uint8_t k = 'K';
    AoSend(program, std::span<const std::uint8_t>(&k, 1));
  }
  program.guiding.ao.upDown = 0;
  program.guiding.ao.leftRight = 0;
  program.guiding.ao.atLimit = false;
}

void AoEndOfExposure(Program& program) {
  auto& ao = program.guiding.ao;
  if (program.settings.aoPulseMode) {
    SetGuideSocket(program, 0);
    return;
  }
  if (ao.upDown != 0) {
    AoSend(program, aoCommand('G', ao.upDown < 1 ? 'N' : 'S', std::abs(ao.upDown)));
    program.clock().waitMs(kAfterReturnMs);
  }
  if (ao.leftRight != 0) {
    AoSend(program, aoCommand('G', ao.leftRight < 1 ? 'T' : 'W', std::abs(ao.leftRight)));
    program.clock().waitMs(kAfterReturnMs);
  }
  // The unit stands at its centre again.
  ao.upDown = 0;
  ao.leftRight = 0;
  ao.atLimit = false;
}

}  // namespace nvk::scope
