#include "app/qt/defaults_dialog_view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/qt/qt_ui.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

struct DefaultsDialogViewTest : ::testing::Test {
  nvk::test::TempDir root;
  base::ProgramPaths paths{root.path()};
  settings::Settings settings;
  image::FitsHeaderInfo fits;
  base::ComPortMap comPorts;
  QtUi ui;
  settings::DefaultsDialog model{settings, fits, paths, comPorts, ui};
  int backgroundChanges = 0;

  void SetUp() override {
    model.onBackgroundChanged = [this] { ++backgroundChanges; };
    model.open();  // no file yet: the folder is made and a file written from the defaults
  }

  template <typename W>
  W* find(QWidget& view, const char* name) {
    W* w = view.findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
};

TEST_F(DefaultsDialogViewTest, ShowsTheSettings) {
  settings.guideStarMaskRadius = 13;
  settings.guideAccuracy = 500;
  settings.padFits = false;
  settings.autosaveCounter = 42;
  DefaultsDialogView view(model, ui, nullptr);
  EXPECT_TRUE(find<QRadioButton>(view, "13 Pixels")->isChecked());
  EXPECT_FALSE(find<QRadioButton>(view, "9 Pixels")->isChecked());
  EXPECT_TRUE(find<QRadioButton>(view, "0.5 pixel")->isChecked());
  EXPECT_TRUE(find<QRadioButton>(view, "Lt Gray")->isChecked());
  EXPECT_TRUE(find<QRadioButton>(view, "None")->isChecked());
  EXPECT_FALSE(find<QCheckBox>(view, "Pad FITs Files")->isChecked());
  EXPECT_EQ(find<QLabel>(view, "lastNum")->text(), "42");
  EXPECT_EQ(find<QLabel>(view, "filterWheelPort")->text(), "on USB");
  EXPECT_EQ(find<QLineEdit>(view, "autosaveDir")->text(), "c:\\AUTOSAVE");
  EXPECT_EQ(find<QLineEdit>(view, "main RA pixels per sec")->text(), "10");
  // Every group of the dialog is there.
  for (const char* title : {"Radius of Guide Star Mask", "Window Background", "Telescope Guiding",
                            "Com Port for telescope", "Colour Conversion Parameters",
                            "Camers VID/PID Detection", "Default Guide Training Time"}) {
    bool found = false;
    for (QGroupBox* box : view.findChildren<QGroupBox*>())
      found |= box->title() == title;
    EXPECT_TRUE(found) << title;
  }
}

TEST_F(DefaultsDialogViewTest, ControlsActOnTheSettingsAtOnce) {
  DefaultsDialogView view(model, ui, nullptr);
  find<QRadioButton>(view, "Red")->click();
  EXPECT_EQ(settings.windowBackground, settings::WindowBackground::Red);
  EXPECT_EQ(backgroundChanges, 1);
  find<QRadioButton>(view, "Meade LX200 (Tm)")->click();
  EXPECT_EQ(settings.guideOutputMode, settings::GuideOutputMode::Lx200);
  find<QCheckBox>(view, "Filter Wheel")->click();
  EXPECT_TRUE(settings.filterWheelOnSerialPort);
  EXPECT_EQ(find<QLabel>(view, "filterWheelPort")->text(), "on Com1");
  find<QRadioButton>(view, "Com2")->click();
  EXPECT_EQ(find<QLabel>(view, "filterWheelPort")->text(), "on Com2");
  find<QCheckBox>(view, "AO Unit Available")->click();
  EXPECT_EQ(settings.guidingMode, settings::GuidingMode::AoUnit);
  find<QCheckBox>(view, "Double Motor Slew times")->click();
  EXPECT_EQ(settings.slewTimeFactor, 2);
  QWidget* guiderTraining = find<QGroupBox>(view, "guiderTraining");
  guiderTraining->findChild<QRadioButton*>("8 Sec")->click();
  EXPECT_EQ(settings.guiderTrainingSeconds, 8);
  EXPECT_EQ(settings.mainTrainingSeconds, 2);
}

TEST_F(DefaultsDialogViewTest, TypedValuesAreTakenByTheirButtons) {
  DefaultsDialogView view(model, ui, nullptr);
  QLineEdit* hysteresis = find<QLineEdit>(view, "guider Hysteresis in Dec (0-20)");
  hysteresis->clear();
  QTest::keyClicks(hysteresis, "35");
  find<QPushButton>(view, "Set slew values")->click();
  EXPECT_EQ(settings.guiderGuide.decHysteresis, 20);  // capped
  EXPECT_EQ(hysteresis->text(), "20");

  QLineEdit* count = find<QLineEdit>(view, "filterCount");
  count->clear();
  QTest::keyClicks(count, "9");
  QTest::keyClicks(find<QLineEdit>(view, "filterName1"), "Red");
  find<QPushButton>(view, "Set Filter Details")->click();
  EXPECT_EQ(settings.filterCount, 7);
  EXPECT_EQ(count->text(), "7");
  EXPECT_EQ(settings.filterNames[0], "Red");
}

TEST_F(DefaultsDialogViewTest, SaveChangesWritesTheFileAndCloses) {
  DefaultsDialogView view(model, ui, nullptr);
  find<QCheckBox>(view, "Save in 16bit Tiff format")->click();
  std::filesystem::remove(paths.settingsFile());
  find<QPushButton>(view, "Save Changes")->click();
  EXPECT_EQ(view.result(), QDialog::Accepted);
  settings::Settings reread;
  image::FitsHeaderInfo rereadFits;
  ASSERT_EQ(settings::loadSettings(paths.settingsFile(), reread, rereadFits, ui),
            settings::SettingsStatus::Ok);
  EXPECT_TRUE(reread.tiff16Bit);
}

TEST_F(DefaultsDialogViewTest, CancelKeepsChangesInMemoryOnly) {
  DefaultsDialogView view(model, ui, nullptr);
  find<QCheckBox>(view, "Pad FITs Files")->click();
  const bool padFits = settings.padFits;
  find<QPushButton>(view, "Cancel")->click();
  EXPECT_EQ(view.result(), QDialog::Rejected);
  settings::Settings reread;
  image::FitsHeaderInfo rereadFits;
  ASSERT_EQ(settings::loadSettings(paths.settingsFile(), reread, rereadFits, ui),
            settings::SettingsStatus::Ok);
  EXPECT_NE(reread.padFits, padFits);
}

}  // namespace
}  // namespace nvk::app::qt
