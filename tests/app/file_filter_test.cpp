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
  // The raw entry also lists names without an extension; a FITS or TIFF entry lists the other
  // extensions of its kind after the program's own.
  EXPECT_EQ(parseFileFilter("Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|"),
            (std::vector<FileFilterEntry>{{"Norvane (~*.)", {"~*"}, true},
                                          {"FITS files", {"*.FIT", "*.FITS", "*.FTS"}},
                                          {"All Files", {"*"}}}));
  EXPECT_EQ(parseFileFilter("Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|"),
            (std::vector<FileFilterEntry>{{"Tiff file (*.TIF)", {"*.TIF", "*.TIFF"}},
                                          {"All Files(*.*)", {"*"}}}));
  EXPECT_EQ(parseFileFilter("Images|*.fits;*.HPM|"),
            (std::vector<FileFilterEntry>{{"Images", {"*.fits", "*.FIT", "*.FTS", "*.HPM"}}}));
  // A missing last bar and a description without a pattern.
  EXPECT_EQ(parseFileFilter("FITS|*.FIT|Odd"),
            (std::vector<FileFilterEntry>{{"FITS", {"*.FIT", "*.FITS", "*.FTS"}}}));
  EXPECT_TRUE(parseFileFilter("").empty());
}

TEST(FileFilterTest, EveryDialogOffersAllFilesOnce) {
  const auto fits = fileDialogEntries("FITS file (*.FIT)|*.FIT|");
  ASSERT_EQ(fits.size(), 2u);
  EXPECT_EQ(fits[1], (FileFilterEntry{"All files", {"*"}}));
  EXPECT_EQ(fileDialogEntries("FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|").size(), 2u);
}

TEST(FileFilterTest, EntriesListTheNamesAnObserverExpects) {
  const std::string_view open = "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|";
  const auto entries = parseFileFilter(open);
  ASSERT_EQ(entries.size(), 3u);
  const auto& raw = entries[0];
  const auto& fits = entries[1];
  const auto& all = entries[2];
  const auto tiff = parseFileFilter("Tiff file (*.TIF)|*.TIF|")[0];
  const auto named = parseFileFilter("Frames|IMG?.FIT;NAME.*|")[0];
  struct Row {
    const FileFilterEntry& entry;
    const char* name;
    bool listed;
  };
  const Row rows[] = {
      // Either case, and the other extensions of FITS files.
      {fits, "a.FIT", true},
      {fits, "b.fits", true},
      {fits, "c.Fts", true},
      {fits, "d.fit", true},
      {fits, "notes.txt", false},
      {fits, "RAW001", false},
      {fits, "m31.fit.txt", false},
      {fits, "m31.txt.fit", true},
      {fits, "fit", false},
      {fits, "a.FITX", false},
      // The program's raw files: saved without an extension, or marked with '~'.
      {raw, "RAW001", true},
      {raw, "~m31", true},
      {raw, "~m31.old", true},
      {raw, "a.FIT", false},
      {raw, "notes.txt", false},
      {raw, "m.31", false},
      // "All files" lists everything, with or without dots.
      {all, "notes.txt", true},
      {all, "RAW001", true},
      {all, "a.b.c", true},
      {tiff, "x.TIF", true},
      {tiff, "x.tiff", true},
      {tiff, "x.Tiff", true},
      {tiff, "x.bmp", false},
      {named, "img7.fit", true},
      {named, "IMG10.FIT", false},
      {named, "name", true},
      {named, "Name.old", true},
  };
  for (const Row& r : rows)
    EXPECT_EQ(fileFilterAccepts(r.entry, r.name), r.listed) << r.entry.description << " " << r.name;
}

}  // namespace
}  // namespace nvk::app
