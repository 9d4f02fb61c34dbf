#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "port/clock.h"

namespace nvk::platform {

// The machine's clocks: a monotonic millisecond counter from program start and the wall clock.
class RealClock final : public port::Clock {
 public:
  // The last part of a wait that only sleeps, so that an event handled late in the wait cannot
  // stretch it (a guide pulse keeps its length).
  static constexpr std::uint32_t kDispatchMarginMs = 30;
  // How long a dispatching wait sleeps between two dispatches.
  static constexpr std::uint32_t kDispatchSliceMs = 5;

  RealClock() : start_(std::chrono::steady_clock::now()) {}
  std::uint32_t nowMs() override;
  std::int64_t wallSeconds() override;
  void waitUntilMs(std::uint32_t targetMs) override;

  // Makes the waits of the calling thread (the window's) dispatch its events through
  // `dispatch`, which handles what is pending and returns, until kDispatchMarginMs before
  // their end; the window then never stops answering while the program waits. Waits on other
  // threads only sleep. An empty function ends it.
  void dispatchWhileWaiting(std::function<void()> dispatch);

 private:
  std::chrono::steady_clock::time_point start_;
  std::function<void()> dispatch_;
  std::thread::id dispatchThread_;
  bool dispatching_ = false;
};

}  // namespace nvk::platform
