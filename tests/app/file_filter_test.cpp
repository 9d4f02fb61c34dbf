#include "app/file_filter.h"

#include <gtest/gtest.h>

namespace nvk::app {
namespace {

TEST(FileFilterTest, GlobsMatchEitherCaseAndStarDotStarMatchesEverything) {
  struct Row {
    const char* pattern;
    const char* glob;
  };
  const Row rows[] = {
      {"*.FIT", "*.[fF][iI][tT]"},
      {"*.*", "*"},
      {"~*.*", "~*"},
      {"*.TIF", "*.[tT][iI][fF]"},
      {"IMG?.fit", "[iI][mM][gG]?.[fF][iI][tT]"},
      {"NAME.*", "[nN][aA][mM][eE]*"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(caseInsensitiveGlob(r.pattern), r.glob) << r.pattern;
}

TEST(FileFilterTest, ParsesTheProgramsFilterStrings) {
  EXPECT_EQ(
      parseFileFilter("Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|"),
      (std::vector<FileFilterEntry>{
          {"Norvane (~*.)", {"~*"}}, {"FITS files", {"*.[fF][iI][tT]"}}, {"All Files", {"*"}}}));
  EXPECT_EQ(parseFileFilter("Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|"),
            (std::vector<FileFilterEntry>{{"Tiff file (*.TIF)", {"*.[tT][iI][fF]"}},
                                          {"All Files(*.*)", {"*"}}}));
  EXPECT_EQ(parseFileFilter("Images|*.FIT;*.HPM|"),
            (std::vector<FileFilterEntry>{{"Images", {"*.[fF][iI][tT]", "*.[hH][pP][mM]"}}}));
  // A missing last bar and a description without a pattern.
  EXPECT_EQ(parseFileFilter("FITS|*.FIT|Odd"),
            (std::vector<FileFilterEntry>{{"FITS", {"*.[fF][iI][tT]"}}}));
  EXPECT_TRUE(parseFileFilter("").empty());
}

}  // namespace
}  // namespace nvk::app
