#include "settings/defaults_dialog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "port/scripted_ui.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nvk::image {
namespace {

class DefaultsDialogTest : public ::testing::Test {
 protected:
  test::TempDir root;
  base::ProgramPaths paths{root.path()};
  base::ComPortMap comPorts;
  port::ScriptedUi ui;
  settings::Settings settings;
  FitsHeaderInfo fits;
  settings::DefaultsDialog dialog{settings, fits, paths, comPorts, ui};
};

TEST_F(DefaultsDialogTest, OpeningLoadsTheFileAndFillsTheEdits) {
  settings::Settings onDisk;
  onDisk.mainGuide.raRate = 17;
  onDisk.filterCount = 3;
  onDisk.autosaveCounter = 41;
  ASSERT_EQ(settings::saveSettings(paths.settingsFile(), onDisk, FitsHeaderInfo{}),
            settings::SettingsStatus::Ok);
  dialog.open();
  EXPECT_EQ(settings.mainGuide.raRate, 17);
  EXPECT_EQ(dialog.mainEdits.raRate, "17");
  EXPECT_EQ(dialog.filterCountEdit, "3");
  EXPECT_EQ(dialog.lastNumText(), "41");
  EXPECT_EQ(dialog.autosaveDirEdit, "c:\\AUTOSAVE");
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(DefaultsDialogTest, OpeningWithADamagedFileReportsAndStillOpens) {
  std::filesystem::create_directories(paths.settingsFile().parent_path());
  std::ofstream(paths.settingsFile()) << "x";
  dialog.open();
  ASSERT_EQ(ui.messageTexts(),
            std::vector<std::string>{"Unable to load INI file, please delete and try again"});
}

TEST_F(DefaultsDialogTest, SlewValuesCapHysteresisAndRejectNonsense) {
  dialog.mainEdits = {"12", "0", "5", "x", "35", "20"};
  dialog.guiderEdits = {"3", "4", "6", "7", "21", "-1"};
  dialog.setSlewValues();
  EXPECT_EQ(settings.mainGuide, (settings::GuideParameters{12, 10, 5, 0, 20, 20}));
  EXPECT_EQ(settings.guiderGuide, (settings::GuideParameters{3, 4, 6, 7, 20, 0}));
  // A Dec rate of 0, a backlash "x" and a hysteresis of -1 are refused with a beep each.
  EXPECT_EQ(ui.beeps(), 3);
  // The edits show what was taken.
  EXPECT_EQ(dialog.mainEdits.raHysteresis, "20");
  EXPECT_EQ(dialog.mainEdits.decRate, "10");
}

TEST_F(DefaultsDialogTest, FilterDetails) {
  struct Case {
    std::string count;
    int expected;
  };
  for (const Case& c : {Case{"5", 5}, Case{"8", 8}, Case{"9", 7}, Case{"0", 7}, Case{"abc", 7}}) {
    dialog.filterCountEdit = c.count;
    dialog.setFilterDetails();
    EXPECT_EQ(settings.filterCount, c.expected) << c.count;
  }
  dialog.filterNameEdits[0] = "Luminance";
  dialog.filterNameEdits[1] = "Red";
  dialog.setFilterDetails();
  EXPECT_EQ(settings.filterNames[0], "Luminanc");
  EXPECT_EQ(settings.filterNames[1], "Red");
}

TEST_F(DefaultsDialogTest, AutosaveDirectoryRules) {
  struct Case {
    std::string typed;
    bool accepted;
    std::string stored;
  };
  const std::string posix = (root.path() / "posix_images").string();
  std::ofstream(root.path() / "plainfile") << "x";
  const Case cases[] = {
      {"", true, ""},              // empty restores the default
      {"c:\\AUTOSAVE", true, ""},  // the default itself
      {"C:\\Autosave\\M31", true, "C:\\Autosave\\M31"},
      {"night2", true, "c:\\night2"},  // no drive: on the current drive
      {"\\night3", true, "c:\\night3"},
      {posix, true, posix},
      {"e:\\images", false, ""},                                  // no such drive
      {(root.path() / "plainfile" / "sub").string(), false, ""},  // cannot be created
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ui.clearRecord();
    settings.autosaveDirectory = "before";
    dialog.autosaveDirEdit = c.typed;
    EXPECT_EQ(dialog.setAutosaveDir(), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(settings.autosaveDirectory, c.stored);
      EXPECT_TRUE(std::filesystem::is_directory(paths.resolveAutosaveDirectory(c.stored)));
      EXPECT_TRUE(ui.messages().empty());
    } else {
      EXPECT_EQ(settings.autosaveDirectory, "before");
      EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Sorry, Invalid directory"});
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(root.path() / "autosave" / "M31"));
  // With the last, invalid, folder in the edit the dialog stays open and saves nothing.
  EXPECT_FALSE(dialog.saveChanges());
  EXPECT_FALSE(std::filesystem::exists(paths.settingsFile()));
}

TEST_F(DefaultsDialogTest, ChecksAndRadios) {
  int repaints = 0, coolings = 0;
  dialog.onBackgroundChanged = [&] { ++repaints; };
  dialog.onForceMaximumCooling = [&] { ++coolings; };
  dialog.setWindowBackground(settings::WindowBackground::Grey);
  EXPECT_EQ(settings.windowBackground, settings::WindowBackground::Grey);
  EXPECT_EQ(repaints, 1);
  dialog.toggleForceMaximumCooling();
  dialog.toggleForceMaximumCooling();
  EXPECT_FALSE(settings.forceMaxCooling);
  EXPECT_EQ(coolings, 1);  // only turning it on
  dialog.toggleAoAvailable();
  EXPECT_TRUE(settings.aoAvailable);
  EXPECT_EQ(settings.guidingMode, settings::GuidingMode::AoUnit);
  dialog.toggleDoubleSlewTimes();
  EXPECT_EQ(settings.slewTimeFactor, 2);
  dialog.setGuideStarMaskRadius(10);
  EXPECT_EQ(settings.guideStarMaskRadius, 9);
  dialog.setGuideStarMaskRadius(15);
  EXPECT_EQ(settings.guideStarMaskRadius, 15);
  dialog.setGuideAccuracy(200);
  EXPECT_EQ(settings.guideAccuracy, 200);
  dialog.setTrainingSeconds(false, 8);
  dialog.setTrainingSeconds(true, 3);
  EXPECT_EQ(settings.guiderTrainingSeconds, 8);
  EXPECT_EQ(settings.mainTrainingSeconds, 2);
  // "Use USB Filterwheel " does nothing until a wheel was found.
  dialog.toggleUseUsbFilterWheel();
  EXPECT_FALSE(settings.useUsbFilterWheel);
  dialog.setUsbFilterWheelFound(true);
  dialog.toggleUseUsbFilterWheel();
  EXPECT_TRUE(settings.useUsbFilterWheel);
  EXPECT_EQ(dialog.filterWheelPortText(), "on USB");
  dialog.toggleFilterWheelOnSerialPort();
  dialog.setTelescopeComPort(1);
  EXPECT_EQ(dialog.filterWheelPortText(), "on Com2");
}

TEST_F(DefaultsDialogTest, SaveChangesWritesSettingsAndPortMap) {
  dialog.mainEdits.raRate = "33";
  dialog.autosaveDirEdit = "night4";
  dialog.comPortDeviceEdits[0] = "/dev/ttyACM0";
  EXPECT_TRUE(dialog.saveChanges());
  settings::Settings back;
  FitsHeaderInfo backFits;
  port::ScriptedUi quiet;
  ASSERT_EQ(settings::loadSettings(paths.settingsFile(), back, backFits, quiet),
            settings::SettingsStatus::Ok);
  EXPECT_EQ(back.mainGuide.raRate, 33);
  EXPECT_EQ(back.autosaveDirectory, "c:\\night4");
  base::ComPortMap ports;
  ASSERT_TRUE(ports.load(paths.comPortMapFile()));
  EXPECT_EQ(ports.device(1), "/dev/ttyACM0");
  EXPECT_EQ(ports.device(7), "/dev/ttyUSB6");
}

TEST(ComPortMapTest, DefaultsAndIgnoredLines) {
  test::TempDir root;
  const auto file = root.path() / "comports.txt";
  std::ofstream(file) << "COM2=/dev/ttyS1\nnonsense\nCOM9=/dev/x\nCOM3=\n";
  base::ComPortMap ports;
  EXPECT_TRUE(ports.load(file));
  EXPECT_EQ(ports.device(1), "/dev/ttyUSB0");
  EXPECT_EQ(ports.device(2), "/dev/ttyS1");
  EXPECT_EQ(ports.device(3), "/dev/ttyUSB2");
  EXPECT_FALSE(ports.load(root.path() / "missing.txt"));
  EXPECT_THROW(ports.device(8), std::out_of_range);
}

}  // namespace
}  // namespace nvk::image
