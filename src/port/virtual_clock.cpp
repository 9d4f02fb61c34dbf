#include "port/virtual_clock.h"

namespace nvk::port {

std::int64_t VirtualClock::wallSeconds() {
  return startWallSeconds_ + static_cast<std::int64_t>(elapsedMs_ / 1000);
}

void VirtualClock::waitUntilMs(std::uint32_t targetMs) {
  // A target already reached (or lying "behind" us across the wrap) returns at once, as a real
  // busy-wait on the counter would.
  if (msReached(nowMs_, targetMs)) return;
  advanceMs(targetMs - nowMs_);
}

void VirtualClock::advanceMs(std::uint32_t ms) {
  nowMs_ += ms;  // wraps like the real 32-bit counter
  elapsedMs_ += ms;
}

}  // namespace nvk::port
