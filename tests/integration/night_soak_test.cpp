// An hour of a night's work on the simulated devices and the virtual clock: guided exposures with
// autosave, a guide dark, filter changes and cooling. Memory and descriptors stay level once the
// first exposures have run, and the autosave folder holds exactly the frames taken.
// (bench/night_soak.cpp runs the whole eight-hour night and prints its figures.)
#include <gtest/gtest.h>

#include <cstdio>

#include "support/night.h"
#include "support/temp_dir.h"

namespace nvk::test {
namespace {

// AddressSanitizer holds freed memory back in its quarantine, so resident memory says nothing
// about growth in that build; descriptors and files are still checked there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasurable = false;
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

TEST(NightSoak, AnHourOfGuidedExposuresKeepsMemoryDescriptorsAndFilesLevel) {
  TempDir root;
  Night night(root.path(), {});
  // The first quarter of an hour fills the program's and the simulator's buffers.
  ASSERT_TRUE(night.runFor(15)) << night.problem();
  const ProcessUse settled = processUse();
  for (int quarter = 2; quarter <= 4; ++quarter) {
    ASSERT_TRUE(night.runFor(15)) << night.problem();
    const ProcessUse now = processUse();
    std::printf("[ figures  ] %3llu min: %d frames, %.1f MB resident, %d descriptors\n",
                static_cast<unsigned long long>(night.elapsedMinutes()), night.framesSaved(),
                now.residentMb, now.openDescriptors);
    if (kMemoryIsMeasurable) {
      EXPECT_LT(now.residentMb - settled.residentMb, 8.0);
    }
    EXPECT_LE(now.openDescriptors, settled.openDescriptors);
    EXPECT_EQ(night.autosaveFolder(), night.expectedFiles());
  }
  EXPECT_GE(night.framesSaved(), 10);
}

}  // namespace
}  // namespace nvk::test
