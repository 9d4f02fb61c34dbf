#include "base/paths.h"

#include <gtest/gtest.h>

namespace nvk::base {
namespace {

TEST(ProgramPathsTest, ClassicDrivePathsLieUnderTheDataRoot) {
  const ProgramPaths paths("/data");
  EXPECT_EQ(paths.settingsFile(), "/data/autosave/NVK_K7LQ.ini");
  // Every spelling of the autosave folder is one folder.
  EXPECT_EQ(paths.resolve("c:\\AUTOSAVE"), "/data/autosave");
  EXPECT_EQ(paths.resolve("C:\\Autosave\\M31.FIT"), "/data/autosave/M31.FIT");
  EXPECT_EQ(paths.resolve("c:\\autosave\\NVK_K7LQ.ini"), paths.settingsFile());
  EXPECT_EQ(paths.resolve("c:\\images\\Autosave"), "/data/images/Autosave");
  EXPECT_EQ(paths.resolve("/home/obs/night1"), "/home/obs/night1");
  EXPECT_EQ(paths.resolveAutosaveDirectory(""), "/data/autosave");
  EXPECT_EQ(paths.resolveAutosaveDirectory("c:\\AUTOSAVE\\M42"), "/data/autosave/M42");
}

TEST(ProgramPathsTest, DriveLetters) {
  EXPECT_TRUE(hasDriveLetter("c:"));
  EXPECT_TRUE(hasDriveLetter("D:\\x"));
  EXPECT_FALSE(hasDriveLetter("/c:"));
  EXPECT_FALSE(hasDriveLetter("1:"));
  EXPECT_FALSE(hasDriveLetter("c"));
}

}  // namespace
}  // namespace nvk::base
