#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "port/camera_transport.h"

namespace nvk::sim {

// The simulated HID filter wheel. It takes 3-byte reports (report id 0x00, position, 0x00):
// position 0 asks for the state, 1..positions turns the wheel there. Every request is answered
// with the report 0x00, current position, number of positions.
class SimulatedFilterWheel {
 public:
  explicit SimulatedFilterWheel(int positions = 7) : positions_(positions) {}

  port::TransferResult write(std::span<const std::uint8_t> report);
  port::TransferResult read(std::span<std::uint8_t> buffer);

  int positions() const { return positions_; }
  void setPositions(int positions) { positions_ = positions; }
  int position() const { return position_; }
  int moves() const { return moves_; }

 private:
  int positions_;
  int position_ = 1;
  int moves_ = 0;
  bool replyPending_ = false;
};

}  // namespace nvk::sim
