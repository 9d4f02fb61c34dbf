#include "settings/preferences.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/startup.h"
#include "support/program_fixture.h"
#include "support/temp_dir.h"

namespace nvk::settings {
namespace {

std::string fileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

void writeText(const std::filesystem::path& file, std::string_view text) {
  std::ofstream(file, std::ios::binary) << text;
}

// A file edited by hand: a key of a newer version with its comment, a port out of range, no
// device names. Start-up reports the port and uses its default, leaves the file as it is, and
// a save keeps the unknown key in its place and adds the missing keys.
TEST(PreferencesTest, UnknownKeySurvivesBadValueIsReplacedMissingKeyGetsItsDefault) {
  nvk::test::ProgramFixture f;
  const auto file = f.program.paths().preferencesFile();
  const std::string text =
      "# INDI server of the observatory\n"
      "indi.host = scope-pc\n"
      "# kept for a later version\n"
      "indi.camera = CCD Simulator\n"
      "\n"
      "indi.port = 99999\n"
      "fits.standard_keywords=false\n";
  writeText(file, text);

  app::loadStartupSettings(f.program);
  const Preferences& p = f.program.preferences;
  EXPECT_EQ(p.indiHost, "scope-pc");
  EXPECT_EQ(p.indiPort, 7624);
  EXPECT_EQ(p.indiMount, "");
  EXPECT_EQ(p.indiFocuser, "");
  EXPECT_FALSE(p.fitsStandardKeywords);
  ASSERT_FALSE(f.ui.messages().empty());
  EXPECT_EQ(f.ui.messages()[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(f.ui.messages()[0].text,
            "Bad lines in " + file.string() +
                ":\nline 6: indi.port = '99999' is not a whole number 1..65535; using '7624' "
                "instead");
  EXPECT_EQ(fileText(file), text);  // loading never writes

  ASSERT_TRUE(f.program.savePreferencesFile());
  EXPECT_EQ(fileText(file),
            "# INDI server of the observatory\n"
            "indi.host = scope-pc\n"
            "# kept for a later version\n"
            "indi.camera = CCD Simulator\n"
            "\n"
            "indi.port = 7624\n"
            "fits.standard_keywords=false\n"
            "indi.mount = \n"
            "indi.focuser = \n");
  Preferences reloaded;
  EXPECT_TRUE(loadPreferences(file, reloaded).ok());
  EXPECT_EQ(reloaded.indiHost, "scope-pc");
  EXPECT_FALSE(reloaded.fitsStandardKeywords);
}

TEST(PreferencesTest, ValuesAreCheckedByTheirKind) {
  const struct {
    const char* name;
    const char* value;
    bool taken;
  } cases[] = {
      {"indi.port", "1", true},
      {"indi.port", "65535", true},
      {"indi.port", "0", false},
      {"indi.port", "65536", false},
      {"indi.port", "76x", false},
      {"indi.port", "", false},
      {"indi.host", "10.0.0.7", true},
      {"indi.host", "", false},
      {"indi.host", "scope pc", false},
      {"indi.mount", "Telescope Simulator", true},
      {"indi.focuser", "", true},
      {"indi.focuser", "Focuser\tSimulator", false},
      {"fits.standard_keywords", "false", true},
      {"fits.standard_keywords", "maybe", false},
      {"indi.nothing", "1", false},
  };
  for (const auto& c : cases) {
    Preferences p;
    const std::string error = setPreference(c.name, c.value, p);
    EXPECT_EQ(error.empty(), c.taken) << c.name << " '" << c.value << "': " << error;
    if (c.taken) {
      EXPECT_EQ(preferenceText(c.name, p), c.value);
    } else {
      EXPECT_EQ(writePreferences(p), writePreferences(Preferences())) << c.name;
    }
  }
}

// A save that cannot be finished leaves the old file whole and no temporary file beside it.
TEST(PreferencesTest, FailedSaveLeavesTheOldFileWhole) {
  nvk::test::TempDir root;
  const auto file = root.path() / "nvk-k7lq.conf";
  const std::string old = "# mine\nindi.host = scope-pc\n";
  writeText(file, old);
  writeText(root.path() / "plain", "a file, not a folder");
  Preferences p;
  ASSERT_TRUE(loadPreferences(file, p).ok());
  p.indiMount = "Telescope Simulator";

  EXPECT_FALSE(savePreferences(file, p, base::DiskSpace{10}));  // the disk fills part-way
  EXPECT_FALSE(savePreferences(root.path() / "plain" / "nvk-k7lq.conf", p));
  EXPECT_EQ(fileText(file), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()), {}), 2);
}

}  // namespace
}  // namespace nvk::settings
