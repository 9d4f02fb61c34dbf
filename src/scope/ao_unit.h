#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "scope/guide_correction.h"

namespace nvk::scope {

class Program;

// An AO command: the command letter, a direction letter and a five-digit number.
using AoCommand = std::array<std::uint8_t, 7>;
AoCommand aoCommand(char command, char direction, int number);

// Pulse-mode bytes of the AO unit's lines.
inline constexpr std::uint8_t kAoPulseEast = 7;
inline constexpr std::uint8_t kAoPulseNorth = 11;
inline constexpr std::uint8_t kAoPulseSouth = 13;
inline constexpr std::uint8_t kAoPulseWest = 14;
inline constexpr std::uint8_t kAoPulseRelease = 15;

// The AO counters beyond which nothing more is sent, and beyond which the mount is bumped.
inline constexpr int kAoLimitSteps = 80;
inline constexpr int kAoBumpSteps = 50;
inline constexpr std::uint32_t kAoBumpIntervalMs = 700;

// Sends an AO command: in AO pulse mode only its first byte, to the guide socket; otherwise
// the bytes on the AO's serial route, then a 50 ms wait. An 'H' command's one-byte reply is
// read, and a reply other than 'H' is shown as "Return from AO - " plus the reply.
void AoSend(Program& program, std::span<const std::uint8_t> bytes);

// Moves the AO unit `steps` towards `letter` ('e', 'w', 'n', 's'), turned into the unit's own
// direction by the AO swaps, refusing moves that would take a counter beyond +-80 (the
// at-limit flag) and bumping the mount, at most every 700 ms, while a counter lies beyond +-50.
void AoMove(Program& program, char letter, int steps);

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

// The AO guide step after FindCentroid found the star: plans and moves, beeping around each
// move, and records the steps for the display. Returns the plan it carried out.
AoStepPlan AoGuideStep(Program& program, const GuideError& error);

// The dialog arrows in AO guiding mode: 100 steps towards `letter` ('e', 'w', 'n', 's',
// turned by the AO swaps as AoMove does), as a mount move through the AO unit.
void AoManualMove(Program& program, char letter);
// "Centralise AO": both counters become 0.
void CentraliseAo(Program& program);
// The end of a guided exposure: the AO unit is moved back to its centre.
void AoEndOfExposure(Program& program);

}  // namespace nvk::scope
