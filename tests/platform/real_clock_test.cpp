#include "platform/real_clock.h"

#include <gtest/gtest.h>

#include <ctime>

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
