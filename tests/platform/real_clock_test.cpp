#include "platform/real_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/data_root.h"

namespace nvk::platform {
namespace {

TEST(RealClockTest, StartsNearZeroAndNeverGoesBack) {
  RealClock clock;
  const std::uint32_t first = clock.nowMs();
  EXPECT_LT(first, 1000u);
  std::uint32_t last = first;
  for (int i = 0; i < 1000; ++i) {
    const std::uint32_t now = clock.nowMs();
    EXPECT_TRUE(port::msReached(now, last));
    last = now;
  }
  // A target already reached returns at once.
  clock.waitUntilMs(last);
  clock.waitUntilMs(last - 5);
  EXPECT_NEAR(static_cast<double>(clock.wallSeconds()), static_cast<double>(std::time(nullptr)),
              2.0);
}

TEST(RealClockTest, WaitsOfTheWindowsThreadDispatchUntilTheirLastMomentsOnly) {
  RealClock clock;
  std::vector<std::uint32_t> dispatches;
  clock.dispatchWhileWaiting([&] {
    dispatches.push_back(clock.nowMs());
    // A wait inside a dispatch only sleeps, and ends on time.
    const std::uint32_t inner = clock.nowMs();
    clock.waitMs(2);
    EXPECT_GE(clock.nowMs() - inner, 2u);
  });
  const std::uint32_t start = clock.nowMs();
  clock.waitMs(300);
  const std::uint32_t end = clock.nowMs();
  EXPECT_GE(end - start, 300u);
  EXPECT_LT(end - start, 340u);
  ASSERT_GE(dispatches.size(), 10u);
  std::uint32_t longestGap = dispatches.front() - start;
  for (std::size_t i = 1; i < dispatches.size(); ++i)
    longestGap = std::max(longestGap, dispatches[i] - dispatches[i - 1]);
  EXPECT_LT(longestGap, 60u);
  // The end of the wait is left alone, so that nothing dispatched can stretch it.
  EXPECT_LT(dispatches.back(), start + 300 - RealClock::kDispatchMarginMs);
  // Another thread's waits never dispatch.
  dispatches.clear();
  std::thread([&] { clock.waitMs(100); }).join();
  EXPECT_TRUE(dispatches.empty());
  // Switched off, the wait only sleeps.
  clock.dispatchWhileWaiting(nullptr);
  clock.waitMs(100);
  EXPECT_TRUE(dispatches.empty());
}

TEST(DataRootTest, EnvironmentChoosesTheRoot) {
  const char* saved = std::getenv("NVK_K7LQ_ROOT");
  const std::string savedValue = saved ? saved : "";
  setenv("NVK_K7LQ_ROOT", "/tmp/nvk-root-test", 1);
  EXPECT_EQ(defaultDataRoot(), "/tmp/nvk-root-test");
  unsetenv("NVK_K7LQ_ROOT");
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const std::string xdgValue = xdg ? xdg : "";
  setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(defaultDataRoot(), "/tmp/xdg/nvk-k7lq");
  if (xdg) {
    setenv("XDG_DATA_HOME", xdgValue.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
  if (saved) setenv("NVK_K7LQ_ROOT", savedValue.c_str(), 1);
}

}  // namespace
}  // namespace nvk::platform
