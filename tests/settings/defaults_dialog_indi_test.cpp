#include <gtest/gtest.h>

#include "port/scripted_ui.h"
#include "settings/defaults_dialog.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nvk::settings {
namespace {

struct IndiChoice {
  test::TempDir root;
  base::ProgramPaths paths{root.path()};
  base::ComPortMap comPorts;
  port::ScriptedUi ui;
  Settings settings;
  image::FitsHeaderInfo fits;
  Preferences preferences;
  DefaultsDialog dialog{settings, fits, paths, comPorts, ui};
  IndiChoice() { dialog.attachPreferences(preferences); }
};

TEST(DefaultsDialogIndi, TheChoiceAndFieldsGoToThePreferencesAndTheSettingsFileKeepsItsDrive) {
  IndiChoice f;
  f.dialog.setGuideOutputMode(GuideOutputMode::Lx200);
  f.dialog.chooseIndi();
  EXPECT_TRUE(f.dialog.indiChosen());
  f.dialog.indiEdits = {"scope.local", "7625", "EQMod Mount", "Focuser Simulator"};
  ASSERT_TRUE(f.dialog.saveChanges());

  Preferences saved;
  ASSERT_TRUE(loadPreferences(f.paths.preferencesFile(), saved).ok());
  EXPECT_TRUE(saved.indiEnabled);
  EXPECT_EQ(saved.indiHost, "scope.local");
  EXPECT_EQ(saved.indiPort, 7625);
  EXPECT_EQ(saved.indiMount, "EQMod Mount");
  EXPECT_EQ(saved.indiFocuser, "Focuser Simulator");
  Settings onDisk;
  image::FitsHeaderInfo fits;
  ASSERT_EQ(loadSettings(f.paths.settingsFile(), onDisk, fits, f.ui), SettingsStatus::Ok);
  EXPECT_EQ(onDisk.guideOutputMode, GuideOutputMode::Lx200);

  // Another drive turns INDI off again.
  f.dialog.setGuideOutputMode(GuideOutputMode::AutoguiderSocket);
  EXPECT_FALSE(f.dialog.indiChosen());
}

TEST(DefaultsDialogIndi, ABadFieldBeepsAndKeepsItsPreferenceWhileTheOthersAreTaken) {
  const struct {
    DefaultsDialog::IndiEdits edits;
    bool hostTaken, portTaken, mountTaken;
  } cases[] = {
      {{"", "7625", "Mount", ""}, false, true, true},
      {{"host", "0", "Mount", ""}, true, false, true},
      {{"host", "65536", "Mount", ""}, true, false, true},
      {{"host", "76x", "Mount", ""}, true, false, true},
      {{"host", "7625", "", ""}, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edits.host + " " + c.edits.port + " " + c.edits.mount);
    IndiChoice f;
    const Preferences before = f.preferences;
    f.dialog.indiEdits = c.edits;
    EXPECT_FALSE(f.dialog.setIndiDetails());
    EXPECT_EQ(f.ui.beeps(), 1);
    EXPECT_EQ(f.preferences.indiHost, c.hostTaken ? c.edits.host : before.indiHost);
    EXPECT_EQ(f.preferences.indiPort, c.portTaken ? 7625 : before.indiPort);
    EXPECT_EQ(f.preferences.indiMount, c.mountTaken ? c.edits.mount : before.indiMount);
    // The edits show what the preferences now hold.
    EXPECT_EQ(f.dialog.indiEdits.port, std::to_string(f.preferences.indiPort));
  }
}

}  // namespace
}  // namespace nvk::settings
