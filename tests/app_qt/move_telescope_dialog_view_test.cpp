#include "app/qt/move_telescope_dialog_view.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "app/qt/qt_ui.h"
#include "port/scripted_ui.h"
#include "scope/guide_output_mount.h"
#include "scope/recording_links.h"
#include "support/program_fixture.h"

namespace nvk::app::qt {
namespace {

using nvk::test::LinkEvent;
using nvk::test::LinkLog;

// The views on a program whose mount is reached through a recording camera link.
struct MoveTelescopeViewTest : ::testing::Test, nvk::test::ProgramFixture {
  LinkLog log;
  nvk::test::RecordingCameraLink camera{clock, log};
  QtUi qtUi;

  MoveTelescopeViewTest() {
    program.settings.serialRoute = 1;
    program.telescope.cameraLink = &camera;
  }
  template <typename W>
  W* find(QWidget& view, const char* name) {
    W* w = view.findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::vector<std::string> writes() const {
    std::vector<std::string> out;
    for (const auto& e : log)
      if (e.call == "camera-write") out.push_back(e.bytes.substr(2));
    return out;
  }
};

TEST_F(MoveTelescopeViewTest, EditsAndGoToButtonsDriveTheModelAndShowTheReplies) {
  scope::TMTDialog model(program);
  TMTDialogView view(model, qtUi, nullptr);
  EXPECT_EQ(view.windowTitle(), "NVK_K7LQ_USB Move Telescope");
  camera.reply("M31 RA 00:42.7 DEC +41*16#");
  camera.reply("0");
  find<QLineEdit>(view, "messier")->setText("31");
  QTest::mouseClick(find<QPushButton>(view, "goToObject"), Qt::LeftButton);
  EXPECT_EQ(writes(), (std::vector<std::string>{"#:LM 0031#", "#:LI#", "#:MS#"}));
  EXPECT_EQ(find<QLineEdit>(view, "info1")->text(), "M31 RA 00:42.7 DEC +41*16");
  EXPECT_EQ(find<QLineEdit>(view, "info2")->text(), "");

  log.clear();
  QTest::mouseClick(find<QPushButton>(view, "saturn"), Qt::LeftButton);
  EXPECT_EQ(writes().front(), "#:LS 0906#");

  log.clear();
  find<QLineEdit>(view, "raHours")->setText("23");
  find<QLineEdit>(view, "raMinutes")->setText("59");
  find<QLineEdit>(view, "decDegrees")->setText("-0");
  find<QLineEdit>(view, "decMinutes")->setText("30");
  QTest::mouseClick(find<QPushButton>(view, "goToCoordinates"), Qt::LeftButton);
  EXPECT_EQ(writes().at(0), "#:Sr 23:59.0");
  EXPECT_EQ(writes().at(1), "#:Sd +00*30");
}

TEST_F(MoveTelescopeViewTest, ArrowsStartOnPressAndStopOnRelease) {
  scope::TMTDialog model(program);
  TMTDialogView view(model, qtUi, nullptr);
  EXPECT_TRUE(find<QRadioButton>(view, "slew")->isChecked());
  find<QRadioButton>(view, "centre")->click();
  EXPECT_EQ(program.telescope.rateCommand, "#:RC#");
  auto* right = find<QToolButton>(view, "right");
  QTest::mousePress(right, Qt::LeftButton);
  EXPECT_EQ(writes(), (std::vector<std::string>{"#:RC#", "#:Me#"}));
  QTest::mouseRelease(right, Qt::LeftButton);
  EXPECT_EQ(writes().size(), 6u);
  EXPECT_EQ(writes().back(), "#:Qw#");

  log.clear();
  find<QRadioButton>(view, "fast")->click();
  auto* focusUp = find<QToolButton>(view, "focusUp");
  QTest::mousePress(focusUp, Qt::LeftButton);
  QTest::mouseRelease(focusUp, Qt::LeftButton);
  EXPECT_EQ(writes(), (std::vector<std::string>{"#:FF#", "#:F+#", "#:FQ#"}));
}

TEST_F(MoveTelescopeViewTest, TheSocketDialogHoldsALineWhilePressed) {
  scope::GuideOutputMount mount(program);
  scope::TCBDialog model(program, mount);
  TCBDialogView view(model, qtUi, nullptr);
  EXPECT_EQ(view.windowTitle(), "Move Telescope");
  auto* left = find<QPushButton>(view, "left");
  QTest::mousePress(left, Qt::LeftButton);
  QTest::mouseRelease(left, Qt::LeftButton);
  EXPECT_EQ(log, (LinkLog{{1, "guide-outputs", "1"}, {1, "guide-outputs", "0"}}));
}

}  // namespace
}  // namespace nvk::app::qt
