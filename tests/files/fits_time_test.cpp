#include "files/fits_time.h"

#include <gtest/gtest.h>

namespace nvk::files {
namespace {

TEST(FitsTime, UtIsLocalTimePlusTheOffsetAcrossDaysMonthsAndYears) {
  struct Case {
    CivilTime local;
    int offset;
    const char* date;
    const char* time;
  };
  const Case cases[] = {
      // 22:10:05 on 6 March, five hours behind UT: 03:10:05 on 7 March.
      {{2026, 3, 6, 22, 10, 5}, 5, "2026-03-07", "03:10:05"},
      {{2026, 3, 6, 22, 10, 5}, 0, "2026-03-06", "22:10:05"},
      {{2026, 3, 1, 2, 0, 0}, -3, "2026-02-28", "23:00:00"},
      {{2024, 2, 28, 20, 59, 59}, 11, "2024-02-29", "07:59:59"},
      {{2026, 12, 31, 23, 0, 0}, 1, "2027-01-01", "00:00:00"},
      {{2027, 1, 1, 5, 0, 1}, -11, "2026-12-31", "18:00:01"},
  };
  for (const auto& c : cases) {
    const CivilTime ut = addHours(c.local, c.offset);
    EXPECT_EQ(dateObsText(ut), c.date);
    EXPECT_EQ(timeObsText(ut), c.time);
  }
}

TEST(FitsTime, TodaysDateIsTwentyAndTwoDigitYear) {
  EXPECT_EQ(todayDateObsText({2026, 3, 7, 1, 2, 3}), "2026-03-07");
  EXPECT_EQ(todayDateObsText({2109, 12, 31, 0, 0, 0}), "2009-12-31");
}

TEST(FitsTime, AutosaveCounterWrapsAfter65530) {
  EXPECT_EQ(nextAutosaveCounter(0), 1);
  EXPECT_EQ(nextAutosaveCounter(41), 42);
  EXPECT_EQ(nextAutosaveCounter(65529), 65530);
  EXPECT_EQ(nextAutosaveCounter(65530), 1);
  EXPECT_EQ(nextAutosaveCounter(65535), 1);
}

}  // namespace
}  // namespace nvk::files
