#include "app/startup.h"

#include <gtest/gtest.h>

#include <fstream>

#include "settings/settings_file.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

struct StartupTest : ::testing::Test {
  nvk::test::ProgramFixture f;
};

TEST_F(StartupTest, MissingSettingsFileShowsMessage1AndKeepsTheDefaults) {
  loadStartupSettings(f.program);
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Warning!\nNo INI file found, please set defaults..."});
  EXPECT_EQ(f.program.settings.windowBackground, settings::WindowBackground::LightGrey);
}

TEST_F(StartupTest, SettingsFileIsLoaded) {
  settings::Settings saved;
  saved.windowBackground = settings::WindowBackground::Red;
  saved.guideOutputMode = settings::GuideOutputMode::Lx200;
  std::filesystem::create_directories(f.program.paths().autosaveFolder());
  ASSERT_EQ(settings::saveSettings(f.program.paths().settingsFile(), saved, f.program.fits),
            settings::SettingsStatus::Ok);
  loadStartupSettings(f.program);
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_EQ(f.program.settings.windowBackground, settings::WindowBackground::Red);
  EXPECT_EQ(f.program.settings.guideOutputMode, settings::GuideOutputMode::Lx200);
}

TEST_F(StartupTest, ShortSettingsFileShowsTheLoadMessage) {
  std::filesystem::create_directories(f.program.paths().autosaveFolder());
  std::ofstream(f.program.paths().settingsFile(), std::ios::binary) << "ab";
  loadStartupSettings(f.program);
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Unable to load INI file, please delete and try again"});
}

}  // namespace
}  // namespace nvk::app
