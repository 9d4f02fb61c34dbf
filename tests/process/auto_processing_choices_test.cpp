#include "process/auto_processing_choices.h"

#include <gtest/gtest.h>

namespace nvk::process {
namespace {

// The three numbers both the colour synthesis and the auto-processing dialogs take: user power
// 2..29, unsharp diameter 2..6 and power 1..6, whole numbers with spaces around them allowed. A
// valid value is stored even when another is not; the texts then show the stored values.
TEST(AutoProcessingChoicesTest, NumbersAreStoredOneByOne) {
  struct Case {
    const char *user, *diameter, *power;
    bool allValid;
    int storedUser, storedDiameter, storedPower;
  };
  const Case cases[] = {
      {"29", "6", "6", true, 29, 6, 6},  {"2", "2", "1", true, 2, 2, 1},
      {" 8 ", "4", "2", true, 8, 4, 2},  {"30", "3", "1", false, 4, 3, 1},
      {"1", "6", "1", false, 4, 6, 1},   {"4", "7", "1", false, 4, 3, 1},
      {"4", "1", "1", false, 4, 3, 1},   {"4", "3", "0", false, 4, 3, 1},
      {"4", "3", "7", false, 4, 3, 1},   {"12", "5", "9", false, 12, 5, 1},
      {"abc", "3", "1", false, 4, 3, 1}, {"", "3", "1", false, 4, 3, 1},
      {"5x", "3", "1", false, 4, 3, 1},  {"-3", "3", "1", false, 4, 3, 1},
      {"7.5", "3", "1", false, 4, 3, 1},
  };
  for (const Case& c : cases) {
    settings::Settings s;  // 4, 3, 1 before
    EXPECT_EQ(storeAutoProcessingNumbers({c.user, c.diameter, c.power}, s), c.allValid)
        << c.user << " " << c.diameter << " " << c.power;
    EXPECT_EQ(s.userStretchPower, c.storedUser) << c.user;
    EXPECT_EQ(s.autoUnsharpDiameter, c.storedDiameter) << c.diameter;
    EXPECT_EQ(s.autoUnsharpPower, c.storedPower) << c.power;
    EXPECT_EQ(autoProcessingTexts(s),
              (AutoProcessingTexts{std::to_string(c.storedUser), std::to_string(c.storedDiameter),
                                   std::to_string(c.storedPower)}));
  }
}

}  // namespace
}  // namespace nvk::process
