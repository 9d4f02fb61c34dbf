#include "platform/real_clock.h"

#include <algorithm>

namespace nvk::platform {

std::uint32_t RealClock::nowMs() {
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::int64_t RealClock::wallSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void RealClock::dispatchWhileWaiting(std::function<void()> dispatch) {
  dispatch_ = std::move(dispatch);
  dispatchThread_ = std::this_thread::get_id();
}

void RealClock::waitUntilMs(std::uint32_t targetMs) {
  // A wait inside an event handled by a dispatching wait only sleeps: the dispatch it is part of
  // goes on when it ends.
  const bool dispatch = dispatch_ && !dispatching_ && std::this_thread::get_id() == dispatchThread_;
  // Sleep most of the way and spin the last millisecond, so that pulse timing stays within a
  // millisecond without burning a core for long waits.
  for (;;) {
    const std::uint32_t now = nowMs();
    if (port::msReached(now, targetMs)) return;
    const std::uint32_t remaining = targetMs - now;
    if (dispatch && remaining > kDispatchMarginMs) {
      dispatching_ = true;
      dispatch_();
      dispatching_ = false;
      const std::uint32_t left = targetMs - nowMs();
      if (port::msReached(nowMs(), targetMs) || left <= kDispatchMarginMs) continue;
      std::this_thread::sleep_for(
          std::chrono::milliseconds(std::min(left - kDispatchMarginMs, kDispatchSliceMs)));
    } else if (remaining > 2) {
      std::this_thread::sleep_for(std::chrono::milliseconds(remaining - 1));
    } else {
      std::this_thread::yield();
    }
  }
}

}  // namespace nvk::platform
