#pragma once

#include <cstdint>

#include "port/clock.h"

namespace nvk::port {

// A clock that moves only when the program waits or pumps events: a wait jumps straight to its
// end and every pump advances one small quantum. A ten-minute exposure or a guiding run therefore
// takes no real time and always runs the same way.
class VirtualClock final : public Clock {
 public:
  static constexpr std::uint32_t kDefaultPumpQuantumMs = 10;

  explicit VirtualClock(std::uint32_t startMs = 0, std::int64_t startWallSeconds = 1'700'000'000)
      : nowMs_(startMs), startWallSeconds_(startWallSeconds) {}

  std::uint32_t nowMs() override { return nowMs_; }
  std::int64_t wallSeconds() override;
  void waitUntilMs(std::uint32_t targetMs) override;

  // Advances the clock by `ms` (what a pump of the event queue costs).
  void advanceMs(std::uint32_t ms);
  // Advances by one pump quantum.
  void pump() { advanceMs(pumpQuantumMs_); }

  void setPumpQuantumMs(std::uint32_t ms) { pumpQuantumMs_ = ms; }
  std::uint32_t pumpQuantumMs() const { return pumpQuantumMs_; }

  // Total virtual milliseconds that have passed since construction (does not wrap).
  std::uint64_t elapsedMs() const { return elapsedMs_; }

 private:
  std::uint32_t nowMs_;
  std::int64_t startWallSeconds_;
  std::uint64_t elapsedMs_ = 0;
  std::uint32_t pumpQuantumMs_ = kDefaultPumpQuantumMs;
};

}  // namespace nvk::port
