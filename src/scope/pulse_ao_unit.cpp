#include "scope/pulse_ao_unit.h"

#include <algorithm>

#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

constexpr std::uint32_t kPulseLeadMs = 10;
constexpr std::uint32_t kAfterPulseMs = 300;
constexpr std::uint32_t kCentraliseReleaseMs = 100;

std::uint8_t pulseByte(char unitDirection) {
  switch (unitDirection) {
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

}  // namespace

void PulseAoUnit::pulse(Direction direction, int holdMs) {
  const auto axis = aoAxisStep(program_, direction);
  if (!axis) return;
  auto& clock = program_.clock();
  clock.waitMs(kPulseLeadMs);
  SetGuideSocket(program_, pulseByte(axis->unitDirection));
  clock.waitMs(static_cast<std::uint32_t>(std::max(0, holdMs)));
  SetGuideSocket(program_, kAoPulseRelease);
  clock.waitMs(kAfterPulseMs);
}

void PulseAoUnit::step(Direction direction, int steps) {
  pulse(direction, steps);
}

void PulseAoUnit::manualMove(Direction direction) {
  pulse(direction, kAoManualSteps);
}

void PulseAoUnit::centre() {
  SetGuideSocket(program_, kAoPulseRelease);
  program_.clock().waitMs(kCentraliseReleaseMs);
  SetGuideSocket(program_, 0);
  program_.guiding.ao.centred();
}

void PulseAoUnit::returnToCentre() {
  SetGuideSocket(program_, 0);
}

void PulseAoUnit::send(std::span<const std::uint8_t> command) {
  if (!command.empty()) SetGuideSocket(program_, command[0]);
}

}  // namespace nvk::scope
