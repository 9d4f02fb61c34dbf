#pragma once

#include <cstdint>

namespace nvk::port {

// The program's sense of time. Everything that waits, times an exposure or stamps a frame
// reads it from here, so that a test or a simulated night can run on a virtual clock.
class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since the clock started, on a 32-bit counter that wraps after about 49.7 days.
  // Compare two readings with msReached() or by unsigned subtraction, never with '<'.
  virtual std::uint32_t nowMs() = 0;

  // Wall-clock time in whole seconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t wallSeconds() = 0;

  // Waits until nowMs() has reached `targetMs`, without dispatching any events.
  virtual void waitUntilMs(std::uint32_t targetMs) = 0;

  void waitMs(std::uint32_t durationMs) { waitUntilMs(nowMs() + durationMs); }
};

// True when `now` has reached or passed `target` on the wrapping 32-bit millisecond counter
// (the two are taken to lie less than half the counter's range apart).
constexpr bool msReached(std::uint32_t now, std::uint32_t target) {
  return static_cast<std::uint32_t>(now - target) < 0x80000000u;
}

// Milliseconds from `earlier` to `later` across a wrap of the counter.
constexpr std::uint32_t msElapsed(std::uint32_t earlier, std::uint32_t later) {
  return later - earlier;
}

}  // namespace nvk::port
