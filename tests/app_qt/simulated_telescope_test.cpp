// The program as `nvk-k7lq --simulate` starts it, on a virtual clock: Telescope Control slews
// the simulated mount to M31 through the Move Telescope dialog, and the next exposure of the
// simulated camera shows another star field.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>

#include "app/command_map.h"
#include "app/qt/defaults_dialog_view.h"
#include "app/qt/move_telescope_dialog_view.h"
#include "camera/protocol.h"
#include "qt_test_support.h"
#include "settings/settings_file.h"
#include "sim/simulated_devices.h"
#include "sim/sky_mount.h"

namespace nvk::app::qt {
namespace {

constexpr std::size_t kFrameSamples = 1520 * 1012;

// Pearson correlation of two frames: near 1 for the same star field, near 0 for another.
double correlation(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b) {
  double meanA = 0.0, meanB = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    meanA += a[i];
    meanB += b[i];
  }
  meanA /= static_cast<double>(a.size());
  meanB /= static_cast<double>(b.size());
  double ab = 0.0, aa = 0.0, bb = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    ab += (a[i] - meanA) * (b[i] - meanB);
    aa += (a[i] - meanA) * (a[i] - meanA);
    bb += (b[i] - meanB) * (b[i] - meanB);
  }
  return ab / std::sqrt(aa * bb);
}

struct SimulatedTelescopeTest : test::MainWindowTest {
  SimulatedTelescopeTest() : MainWindowTest(test::driveOnCom1()) {}

  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_NE(app.simulator(), nullptr);
    ASSERT_NE(app.simulatedMount(), nullptr);
  }

  // One second on the main sensor, binned 4 x 4.
  std::vector<std::uint16_t> exposeOneSecond() {
    camera::ClearSensor(program, camera::kClearStart);
    clock.advanceMs(1000);
    camera::ReadBinned4x4(program, 1000);
    const auto raw = program.planes.RawImage;
    return {raw.begin(), raw.begin() + kFrameSamples};
  }
};

TEST_F(SimulatedTelescopeTest, TelescopeControlSlewsToM31AndTheNextExposureShowsItsField) {
  // Telescope Control connects the (simulated) camera first; then the frames can be taken.
  std::string info1;
  std::string info2;
  bool dialogSeen = false;
  QTimer driver;
  driver.setInterval(0);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<TMTDialogView*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    driver.stop();
    dialogSeen = true;
    dialog->findChild<QLineEdit*>("messier")->setText("31");
    QTest::mouseClick(dialog->findChild<QPushButton*>("goToObject"), Qt::LeftButton);
    info1 = dialog->findChild<QLineEdit*>("info1")->text().toStdString();
    info2 = dialog->findChild<QLineEdit*>("info2")->text().toStdString();
    QTest::mouseClick(dialog->findChild<QPushButton*>("finished"), Qt::LeftButton);
  });
  driver.start();
  ASSERT_TRUE(app.window().runCommand(cmd::kTelescopeControl));
  ASSERT_TRUE(dialogSeen);
  EXPECT_EQ(info1, "M31 RA 00:42.7 DEC +41*16");
  EXPECT_EQ(info2, "");
  ASSERT_TRUE(program.devices.cameraConnected);

  // The slew is under way; the field the camera sees before it lands is the one it left.
  sim::SimulatedMount& mount = *app.simulatedMount();
  EXPECT_TRUE(mount.slewing());
  clock.advanceMs(10'000);
  ASSERT_FALSE(mount.slewing());
  const auto m31 = sim::lookUpObject('m', 31);
  const sim::SkyPoint centre = sim::skyPixelOf(m31->position, m31->position, 1.5);
  EXPECT_NEAR(app.simulator()->sky().pointingX(), centre.x - 1516.0, 0.5);
  EXPECT_NEAR(app.simulator()->sky().pointingY(), centre.y - 1008.0, 0.5);

  // Two frames at M31 show the same stars; then back to the start (2 h +52) by coordinates,
  // and the next frame shows another field.
  const auto atM31 = exposeOneSecond();
  const auto atM31Again = exposeOneSecond();
  EXPECT_GT(correlation(atM31, atM31Again), 0.5);
  QTimer back;
  back.setInterval(0);
  QObject::connect(&back, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<TMTDialogView*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    back.stop();
    dialog->findChild<QLineEdit*>("raHours")->setText("2");
    dialog->findChild<QLineEdit*>("raMinutes")->setText("0");
    dialog->findChild<QLineEdit*>("decDegrees")->setText("52");
    dialog->findChild<QLineEdit*>("decMinutes")->setText("0");
    QTest::mouseClick(dialog->findChild<QPushButton*>("goToCoordinates"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton*>("finished"), Qt::LeftButton);
  });
  back.start();
  ASSERT_TRUE(app.window().runCommand(cmd::kTelescopeControl));
  clock.advanceMs(10'000);
  EXPECT_NEAR(mount.pointing().raHours, 2.0, 1e-3);
  EXPECT_NEAR(mount.pointing().decDegrees, 52.0, 1e-3);
  const auto atStart = exposeOneSecond();
  EXPECT_LT(std::fabs(correlation(atM31, atStart)), 0.1);
}

TEST_F(SimulatedTelescopeTest, TheSocketDialogMovesTheFieldAtGuideRateWhileAnArrowIsHeld) {
  // The settings file now names the autoguider socket: Telescope Control reads it and opens
  // "Move Telescope", whose arrows hold the camera's guide-output lines.
  ASSERT_TRUE(test::writeSettings(root.path(),
                                  test::driveOnCom1(settings::GuideOutputMode::AutoguiderSocket)));
  sim::Sky& sky = app.simulator()->sky();
  double before = 0.0;
  double held = 0.0;
  bool dialogSeen = false;
  QTimer driver;
  driver.setInterval(0);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<TCBDialogView*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    driver.stop();
    dialogSeen = true;
    before = sky.pointingY();
    auto* up = dialog->findChild<QPushButton*>("up");
    QTest::mousePress(up, Qt::LeftButton);
    EXPECT_EQ(app.simulatedMount()->guideOutputs(), 4);  // north
    clock.advanceMs(2000);
    QTest::mouseRelease(up, Qt::LeftButton);
    EXPECT_EQ(app.simulatedMount()->guideOutputs(), 0);
    held = sky.pointingY() - before;
    QTest::mouseClick(dialog->findChild<QPushButton*>("finished"), Qt::LeftButton);
  });
  driver.start();
  ASSERT_TRUE(app.window().runCommand(cmd::kTelescopeControl));
  ASSERT_TRUE(dialogSeen);
  // Two seconds north at 15.041" per second and 1.5" per pixel: 20 pixels up the sky (less
  // 0.04" of Dec. drift).
  EXPECT_NEAR(held, -2.0 * 15.041 / 1.5, 0.1);
}

// The first start of `nvk-k7lq --simulate` on an empty data root: the notice that there is no
// settings file is followed by the program defaults, which show where the autosave folder and
// the telescope's serial device are on this machine; the simulated mount is the drive of the
// session, and the settings file is not written until the user saves.
TEST(SimulatedFirstStartTest, DefaultsFollowTheNoticeAndTheSimulatedMountIsTheDrive) {
  nvk::test::TempDir root;
  port::VirtualClock clock{1000};
  TNVK_K7LQApp app(StartOptions{root.path(), true, &clock});
  const base::ProgramPaths paths(root.path());
  test::MessageBoxAnswerer answerer;
  bool defaultsShown = false;
  QString autosaveHere;
  QString telescopeDevice;
  bool lx200Chosen = false;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<DefaultsDialogView*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    defaultsShown = true;
    autosaveHere = dialog->findChild<QLabel*>("autosaveFolderHere")->text();
    telescopeDevice = dialog->findChild<QLabel*>("telescopeDevice")->text();
    lx200Chosen = dialog->findChild<QRadioButton*>("Meade LX200 (Tm)")->isChecked();
    dialog->findChild<QPushButton*>("Cancel")->click();
  });
  watcher.start();
  app.start();
  QCoreApplication::processEvents();
  watcher.stop();

  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].text, "Warning!\nNo INI file found, please set defaults...");
  ASSERT_TRUE(defaultsShown);
  EXPECT_EQ(autosaveHere.toStdString(), "On this computer: " + paths.autosaveFolder().string());
  EXPECT_EQ(telescopeDevice, "PC COM1 = /dev/ttyUSB0");
  EXPECT_TRUE(lx200Chosen);
  EXPECT_TRUE(app.window().commandAction(cmd::kTelescopeControl)->isEnabled());
  EXPECT_FALSE(std::filesystem::exists(paths.settingsFile()));

  // Whatever saves the settings during the session keeps "no drive" in the file.
  Program& program = app.program();
  ASSERT_EQ(program.saveSettingsFile(), settings::SettingsStatus::Ok);
  settings::Settings stored;
  image::FitsHeaderInfo fits;
  ASSERT_EQ(settings::loadSettings(paths.settingsFile(), stored, fits, program.ui()),
            settings::SettingsStatus::Ok);
  EXPECT_EQ(stored.guideOutputMode, settings::GuideOutputMode::None);
  EXPECT_EQ(program.settings.guideOutputMode, settings::GuideOutputMode::Lx200);

  // Saving the program defaults is the user's choice: the drive shown goes into the file.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<DefaultsDialogView*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("Save Changes")->click();
  });
  app.window().runCommand(cmd::kProgramDefaults);
  ASSERT_EQ(settings::loadSettings(paths.settingsFile(), stored, fits, program.ui()),
            settings::SettingsStatus::Ok);
  EXPECT_EQ(stored.guideOutputMode, settings::GuideOutputMode::Lx200);
}

}  // namespace
}  // namespace nvk::app::qt
