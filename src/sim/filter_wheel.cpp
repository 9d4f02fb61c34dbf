#include "sim/filter_wheel.h"

#include <algorithm>

namespace nvk::sim {

port::TransferResult SimulatedFilterWheel::write(std::span<const std::uint8_t> report) {
  if (report.size() < 3 || report[0] != 0x00) return {false, 0, -1};
  const int wanted = report[1];
  if (wanted >= 1 && wanted <= positions_ && wanted != position_) {
    position_ = wanted;
    ++moves_;
  }
  replyPending_ = true;
  return {true, report.size(), 0};
}

port::TransferResult SimulatedFilterWheel::read(std::span<std::uint8_t> buffer) {
  if (!replyPending_) return {false, 0, -7};
  replyPending_ = false;
  const std::uint8_t reply[3] = {0x00, static_cast<std::uint8_t>(position_),
                                 static_cast<std::uint8_t>(positions_)};
  const std::size_t n = std::min<std::size_t>(buffer.size(), 3);
  std::copy_n(reply, n, buffer.begin());
  return {true, n, 0};
}

}  // namespace nvk::sim
