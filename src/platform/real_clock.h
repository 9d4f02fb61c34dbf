#pragma once

#include <chrono>

#include "port/clock.h"

namespace nvk::platform {

// The machine's clocks: a monotonic millisecond counter from program start and the wall clock.
class RealClock final : public port::Clock {
 public:
  RealClock() : start_(std::chrono::steady_clock::now()) {}
  std::uint32_t nowMs() override;
  std::int64_t wallSeconds() override;
  void waitUntilMs(std::uint32_t targetMs) override;

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace nvk::platform
