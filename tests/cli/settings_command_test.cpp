#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "settings/settings_file.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace nvk::cli {
namespace {

using test::CliRun;

std::string line(const std::string& out, int number) {
  std::istringstream in(out);
  std::string l;
  for (int i = 0; i < number; ++i) {
    if (!std::getline(in, l)) return "";
  }
  return l;
}

TEST(SettingsCommandTest, ShowPrintsAFileWrittenByAnotherTool) {
  test::TempDir root;
  // A file laid out byte by byte by hand: all defaults except a few fields.
  settings::Settings s;
  image::FitsHeaderInfo f;
  std::vector<std::uint8_t> bytes = settings::encodeSettings(s, f);
  bytes[0] = 0x39;  // autosave counter 0x3039 = 12345
  bytes[1] = 0x30;
  bytes[11] = 'g';  // window background
  const std::string observer = "OBSERVER= 'Jo'";
  std::copy(observer.begin(), observer.end(), bytes.begin() + 45 + 3 * 80);
  std::filesystem::create_directories(root.path() / "autosave");
  std::ofstream(root.path() / "autosave" / "NVK_K7LQ.ini", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));

  const CliRun r = test::cliRun(root, {"settings", "show"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(line(r.out, 1), "01 autosaveCounter = 12345");
  EXPECT_EQ(line(r.out, 7), "07 windowBackground = g");
  EXPECT_EQ(line(r.out, 32), "32 observer = \"Jo\"");
  EXPECT_EQ(line(r.out, 92), "92 padFits = true");
  EXPECT_EQ(line(r.out, 93), "");
}

TEST(SettingsCommandTest, SetChecksSavesAndShowsIt) {
  test::TempDir root;
  CliRun r = test::cliRun(root, {"settings", "set", "guideOutputMode", "l"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = test::cliRun(root, {"settings", "set", "mainDecHysteresis", "45"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = test::cliRun(root, {"settings", "set", "mainRaBacklash", "31"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("mainRaBacklash"), std::string::npos);
  r = test::cliRun(root, {"settings", "set", "autosaveDirectory", "\\night1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_directory(root.path() / "night1"));

  r = test::cliRun(root, {"settings", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(line(r.out, 14), "14 guideOutputMode = l");
  EXPECT_EQ(line(r.out, 17), "17 mainDecHysteresis = 20");
  EXPECT_EQ(line(r.out, 11), "11 mainRaBacklash = 0");
  EXPECT_EQ(line(r.out, 41), "41 autosaveDirectory = \"c:\\night1\"");

  r = test::cliRun(root, {"paths"});
  EXPECT_NE(r.out.find("autosave directory: " + (root.path() / "night1").string()),
            std::string::npos)
      << r.out;
}

// Every refused value leaves the file byte for byte as it was, and creates none where there was
// none. Regressions: a relative folder was stored below the data root, and the telescope's
// aperture and focal length took zero, negative or non-finite values.
TEST(SettingsCommandTest, RefusedValuesLeaveTheFileAlone) {
  const struct {
    const char* name;
    const char* value;
    const char* err;
  } cases[] = {
      {"autosaveDirectory", "relative/dir",
       "Cannot set autosaveDirectory to 'relative/dir': expected a folder from the top, such as "
       "/home/me/images or c:\\images\n"},
      {"autosaveDirectory", "night1", nullptr},
      {"autosaveDirectory", "d:\\images", "Sorry, Invalid directory\n"},
      {"aperture", "-5", "Cannot set aperture to '-5': expected a number above 0\n"},
      {"focalLength", "inf", nullptr},
      {"guiderRaAngle", "361",
       "Cannot set guiderRaAngle to '361': expected a whole number -360..360\n"},
      {"nonsense", "1", "Cannot set nonsense to '1': no setting is called 'nonsense'\n"},
  };
  test::TempDir fresh;
  test::TempDir root;
  ASSERT_EQ(test::cliRun(root, {"settings", "set", "aperture", "12.5"}).status, 0);
  const auto file = root.path() / "autosave" / "NVK_K7LQ.ini";
  const auto before = std::filesystem::file_size(file);
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  for (const auto& c : cases) {
    for (const auto* dir : {&fresh, &root}) {
      const CliRun r = test::cliRun(*dir, {"settings", "set", c.name, c.value});
      EXPECT_EQ(r.status, 1) << c.name << ' ' << c.value;
      if (c.err != nullptr) {
        EXPECT_EQ(r.err, c.err);
      } else {
        EXPECT_FALSE(r.err.empty());
      }
    }
    EXPECT_FALSE(std::filesystem::exists(fresh.path() / "autosave" / "NVK_K7LQ.ini")) << c.name;
    std::ifstream again(file, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), bytes) << c.name;
  }
  EXPECT_EQ(std::filesystem::file_size(file), before);
  EXPECT_EQ(line(test::cliRun(root, {"settings", "show"}).out, 37), "37 aperture = 12.5");
}

TEST(SettingsCommandTest, DamagedFileIsReportedAndKept) {
  test::TempDir root;
  std::filesystem::create_directories(root.path() / "autosave");
  const auto file = root.path() / "autosave" / "NVK_K7LQ.ini";
  std::ofstream(file, std::ios::binary) << "shor";
  CliRun r = test::cliRun(root, {"settings", "set", "padFits", "false"});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err, "Unable to load INI file, please delete and try again\n");
  EXPECT_EQ(std::filesystem::file_size(file), 4u);
  r = test::cliRun(root, {"settings", "show"});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(line(r.out, 1), "01 autosaveCounter = 26739");  // "sh" read as a number
  EXPECT_EQ(line(r.out, 2), "02 utOffsetHours = 29295");    // "or"
  EXPECT_EQ(line(r.out, 3), "");
}

// A preference key is set in the preferences file alone, refused like a field (both files left
// as they were), and shown after the fields under the name the file uses.
TEST(SettingsCommandTest, PreferenceKeysAreSetAndShown) {
  test::TempDir root;
  const auto preferences = root.path() / "nvk-k7lq.conf";
  const auto settingsFile = root.path() / "autosave" / "NVK_K7LQ.ini";
  CliRun r = test::cliRun(root, {"settings", "set", "indi.mount", "Telescope Simulator"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = test::cliRun(root, {"settings", "set", "indi.port", "7625"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(std::filesystem::exists(settingsFile));
  ASSERT_EQ(test::cliRun(root, {"settings", "set", "padFits", "false"}).status, 0);

  const auto contents = [](const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  const std::string preferencesBefore = contents(preferences);
  const std::string settingsBefore = contents(settingsFile);
  r = test::cliRun(root, {"settings", "set", "indi.port", "65536"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Cannot set indi.port to '65536': expected a whole number 1..65535\n");
  EXPECT_EQ(contents(preferences), preferencesBefore);
  EXPECT_EQ(contents(settingsFile), settingsBefore);

  r = test::cliRun(root, {"settings", "show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(line(r.out, 92), "92 padFits = false");
  EXPECT_EQ(line(r.out, 93), "");
  EXPECT_EQ(line(r.out, 94), "indi.host = localhost");
  EXPECT_EQ(line(r.out, 95), "indi.port = 7625");
  EXPECT_EQ(line(r.out, 96), "indi.mount = Telescope Simulator");
  EXPECT_EQ(line(r.out, 97), "indi.focuser = ");
  EXPECT_EQ(line(r.out, 98), "fits.standard_keywords = true");
  EXPECT_EQ(line(r.out, 99), "");
}

TEST(CliTest, UnknownCommandsAndOptionsAreNamed) {
  test::TempDir root;
  const struct {
    std::vector<std::string> args;
    std::string firstLine;
  } cases[] = {
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      // Regression: an unknown option was reported as an unknown command.
      {{"--frob", "paths"}, "unknown option '--frob'"},
      {{"--simulate", "-x", "paths"}, "unknown option '-x'"},
      {{}, "usage: nvk-k7lq-cli [--root DIR] [--simulate] [--realtime] COMMAND [ARGS...]"},
      {{"settings"}, "usage: nvk-k7lq-cli settings show"},
  };
  for (const auto& c : cases) {
    const CliRun r = test::cliRun(root, c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(line(r.err, 1), c.firstLine);
  }
}

}  // namespace
}  // namespace nvk::cli
