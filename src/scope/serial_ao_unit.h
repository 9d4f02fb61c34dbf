#pragma once

#include "scope/ao_unit.h"

namespace nvk::scope {

// An AO unit that takes its commands on the AO's serial route (SerialRoute: the PC COM port or
// a camera serial port, serial_link.h): 'G' steps, 'M' moves (the dialog's arrows and the mount
// bumps the unit passes on), 'K' centralise. It counts its travel in the program's AoState.
class SerialAoUnit final : public AoUnit {
 public:
  explicit SerialAoUnit(Program& program) : program_(program) {}

  // 'G' toward the unit's direction, refused beyond the limit; then the bump of the mount.
  void step(Direction direction, int steps) override;
  // 'M' of kAoManualSteps.
  void manualMove(Direction direction) override;
  // 'K'.
  void centre() override;
  // 'G' back along each counter that is off its centre, 300 ms after each.
  void returnToCentre() override;
  // The bytes on the route, then a 50 ms wait. An 'H' command's one-byte reply is read, and a
  // reply other than 'H' is shown as "Return from AO - " plus the reply.
  void send(std::span<const std::uint8_t> command) override;

 private:
  // While a counter lies beyond kAoBumpSteps, and at most every kAoBumpIntervalMs: an 'M'
  // command of the mount's own letter, for 400 ms over the guide rate (halved with "AO Half
  // Rate").
  void bumpMount();

  Program& program_;
};

}  // namespace nvk::scope
