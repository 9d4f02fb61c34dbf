#pragma once

#include <cstdint>

#include "scope/ao_unit.h"

namespace nvk::scope {

// Pulse-mode bytes of the AO unit's lines.
inline constexpr std::uint8_t kAoPulseEast = 7;
inline constexpr std::uint8_t kAoPulseNorth = 11;
inline constexpr std::uint8_t kAoPulseSouth = 13;
inline constexpr std::uint8_t kAoPulseWest = 14;
inline constexpr std::uint8_t kAoPulseRelease = 15;

// An AO unit in pulse mode, on the guide outputs (SetGuideSocket: the camera's lines, or the
// socket byte on the PC port): a move is its direction's byte held one millisecond per step,
// then the release byte. The unit keeps no count the program can follow, so nothing is limited
// and nothing bumps the mount.
class PulseAoUnit final : public AoUnit {
 public:
  explicit PulseAoUnit(Program& program) : program_(program) {}

  // 10 ms of rest, the direction's byte for `steps` ms, the release, 300 ms of rest.
  void step(Direction direction, int steps) override;
  void manualMove(Direction direction) override;
  // The release for 100 ms, then the lines clear; the counters become 0.
  void centre() override;
  // The lines clear.
  void returnToCentre() override;
  // The command's first byte on the lines.
  void send(std::span<const std::uint8_t> command) override;

 private:
  void pulse(Direction direction, int holdMs);

  Program& program_;
};

}  // namespace nvk::scope
