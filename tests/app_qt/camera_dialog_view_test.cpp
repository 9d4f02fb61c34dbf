// The camera control dialog in the real main window with the simulated camera attached.
#include "app/qt/camera_dialog_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>

#include "acquire/exposure_sequence.h"
#include "app/qt/image_view.h"
#include "app/qt/qt_ui.h"
#include "qt_test_support.h"
#include "sim/mount.h"
#include "sim/simulated_devices.h"
#include "sim/transport_log.h"

namespace nvk::app::qt {
namespace {

struct CameraDialogViewTest : test::MainWindowTest {
  // Bright local maxima of the displayed picture: the stars the window shows.
  int starsShown() const {
    const QImage& picture = window.imageView()->picture();
    int stars = 0;
    for (int y = 1; y + 1 < picture.height(); ++y) {
      for (int x = 1; x + 1 < picture.width(); ++x) {
        const int v = picture.pixelIndex(x, y);
        if (v < 8) continue;
        bool peak = true;
        for (int dy = -1; dy <= 1 && peak; ++dy) {
          for (int dx = -1; dx <= 1 && peak; ++dx) {
            if ((dx || dy) && picture.pixelIndex(x + dx, y + dy) >= v) peak = false;
          }
        }
        stars += peak;
      }
    }
    return stars;
  }
};

TEST_F(CameraDialogViewTest, CtrlZOpensTheDialogAndTakePhotoShowsTheSimulatedStars) {
  // An empty picture first, so that every star shown afterwards came from the camera.
  std::fill(program.planes.RawImage.begin(), program.planes.RawImage.end(), 0);
  window.redraw(true);
  ASSERT_EQ(starsShown(), 0);

  QString title;
  whenDialogShows<CameraDialogView>([&title](CameraDialogView& d) {
    title = d.windowTitle();
    child<QRadioButton>(d, "mode2")->click();   // Binned 2x2
    child<QRadioButton>(d, "unit_h")->click();  // 5 hundredths ...
    for (int i = 0; i < 5; ++i)
      child<QPushButton>(d, "exposureRight")->click();  // ... up to 10: 100 ms
    child<QPushButton>(d, "takePhoto")->click();
  });
  QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);

  EXPECT_TRUE(shown);
  EXPECT_EQ(title, "NVK_K7LQ Control Interface");
  EXPECT_EQ(window.windowTitle(), "NVK_K7LQ_USB - KR Camera Image");
  EXPECT_EQ(window.imageView()->picture().size(), QSize(1520, 1012));
  EXPECT_EQ(app.simulator()->camera().lastExposureMs(), 100u);
  EXPECT_GE(starsShown(), 10);
}

TEST_F(CameraDialogViewTest, ControlsActThroughTheModelAndCancelTakesNoFrame) {
  int modeShown = 0;
  QString setPointShown;
  QString filterShown;
  whenDialogShows<CameraDialogView>([&](CameraDialogView& d) {
    child<QRadioButton>(d, "unit_m")->click();
    for (int i = 0; i < 100; ++i)
      child<QPushButton>(d, "exposureRight")->click();
    auto* setPoint = child<QScrollBar>(d, "setPoint");
    setPoint->triggerAction(QAbstractSlider::SliderPageStepAdd);
    setPointShown = QString::number(setPoint->value());
    child<QPushButton>(d, "filterPrev")->click();
    filterShown = QString::number(program.devices.filterPosition);
    modeShown = program.acquisition.exposureValue;
    child<QPushButton>(d, "cancel")->click();
  });
  QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);

  EXPECT_TRUE(shown);
  EXPECT_EQ(program.acquisition.exposureUnit, 'm');
  EXPECT_EQ(modeShown, 90);  // Minutes: the right arrow stops at 90
  EXPECT_EQ(setPointShown, "35");
  EXPECT_EQ(filterShown, QString::number(program.settings.filterCount));
  EXPECT_EQ(app.simulator()->camera().lastExposureMs(), 0u);
}

TEST_F(CameraDialogViewTest, TypedExposureValueIsCommittedAndSurvivesACheckBox) {
  // The value typed is kept whether the edit ends by Enter or by leaving the field.
  struct Shown {
    QString field;
    int value;
  };
  std::vector<Shown> shownAfterTick;
  whenDialogShows<CameraDialogView>([&](CameraDialogView& d) {
    QApplication::setActiveWindow(&d);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
    child<QRadioButton>(d, "unit_t")->click();  // 5 tenths
    auto* field = child<QLineEdit>(d, "exposureValue");
    auto* box = d.findChildren<QCheckBox*>().front();
    for (const auto& [typed, ending] : {std::pair{"2", Qt::Key_Return}, {"3", Qt::Key_Tab}}) {
      field->setFocus();
      field->selectAll();
      QTest::keyClicks(field, typed);
      QTest::keyClick(field, ending);
      QTest::mouseClick(box, Qt::LeftButton);
      shownAfterTick.push_back({field->text(), program.acquisition.exposureValue});
    }
    child<QPushButton>(d, "cancel")->click();
  });
  QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(shownAfterTick.size(), 2u);
  EXPECT_EQ(shownAfterTick[0].field, "2");
  EXPECT_EQ(shownAfterTick[0].value, 2);
  EXPECT_EQ(shownAfterTick[1].field, "3");
  EXPECT_EQ(shownAfterTick[1].value, 3);
}

TEST_F(CameraDialogViewTest, FocusStartShowsTheFocusWindowUntilAPress) {
  bool imageShown = false;
  whenDialogShows<CameraDialogView>([&](CameraDialogView& d) {
    child<QRadioButton>(d, "unit_h")->click();  // 5 hundredths
    // Esc during the loop's dispatch stops it after the first exposures.
    QTimer::singleShot(50, [&d] { QTest::keyClick(&d, Qt::Key_Escape); });
    child<QPushButton>(d, "focusStart")->click();
    imageShown = !child<QLabel>(d, "focusImage")->pixmap().isNull();
    child<QPushButton>(d, "cancel")->click();
  });
  QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);

  EXPECT_TRUE(shown);
  EXPECT_TRUE(imageShown);
  EXPECT_TRUE(program.acquisition.focusBitmapRendered);
  EXPECT_EQ(app.simulator()->camera().lastExposureMs(), 50u);
}

// Focusing in the window with --simulate: while focus mode runs the user holds the dialog's
// focuser "Out" button (pressed on the dialog's window, as a real click arrives); the press does
// not end focus mode, the simulated mount's focuser moves, and the FWHM read-out shows the
// star widening.
TEST_F(CameraDialogViewTest, HoldingFocuserOutDuringFocusModeWidensTheStarShown) {
  sim::SimulatedMount* mount = app.simulatedMount();
  ASSERT_NE(mount, nullptr);
  auto& sky = app.simulator()->sky();
  const auto stars = sky.starsIn(0, 0, 3000, 3000);
  ASSERT_FALSE(stars.empty());
  const auto brightest = *std::max_element(
      stars.begin(), stars.end(), [](const auto& a, const auto& b) { return a.flux < b.flux; });
  sky.setPointing(brightest.x - 1520, brightest.y - 1012);  // in the focus window
  program.telescope.focusSpeedCommand = "#:FF#";            // fast: 200 steps a second

  QString before, after;
  bool focusModeRanWhileHeld = false;
  double heldTo = 0.0;
  whenDialogShows<CameraDialogView>([&](CameraDialogView& d) {
    child<QRadioButton>(d, "unit_h")->click();  // 5 hundredths ...
    for (int i = 0; i < 5; ++i)
      child<QPushButton>(d, "exposureRight")->click();  // ... up to 10: 100 ms
    auto* fwhm = child<QLabel>(d, "fwhm");
    auto* out = child<QPushButton>(d, "focuserOut");
    if (!out->isEnabled()) {
      ADD_FAILURE() << "no focuser offered";
      child<QPushButton>(d, "cancel")->click();
      return;
    }
    QWindow* dialogWindow = d.windowHandle();
    const QPoint at = out->mapTo(&d, out->rect().center());
    // Focus windows read so far (each 128 x 128 readout is one focus exposure shown).
    auto focusReadouts = [this] {
      std::size_t n = 0;
      for (const auto& r : app.simulator()->log().records()) {
        n += r.direction == sim::TransferRecord::Direction::Read && r.received == 128 * 128 * 2;
      }
      return n;
    };
    // The user, watching the dialog while focus mode dispatches its events (between passes, so
    // the read-out shows the last exposure).
    int stage = 0;
    int ticks = 0;
    std::size_t readoutsAtRelease = 0;
    QTimer user;
    user.setInterval(20);
    QObject::connect(&user, &QTimer::timeout, [&] {
      if (++ticks > 1500) stage = 3;  // half a minute: give up, stop focus mode
      switch (stage) {
        case 0:  // a first focus exposure shown: hold "Out"
          if (focusReadouts() == 0) return;
          before = fwhm->text();
          QTest::mousePress(dialogWindow, Qt::LeftButton, {}, at);
          stage = 1;
          return;
        case 1:  // some 150 steps out: let go
          if (mount->focuserPosition() > -150) return;
          focusModeRanWhileHeld = program.displayOptions.focusFrame;
          QTest::mouseRelease(dialogWindow, Qt::LeftButton, {}, at);
          heldTo = mount->focuserPosition();
          readoutsAtRelease = focusReadouts();
          stage = 2;
          return;
        case 2:  // two focus exposures later: read the FWHM and stop with Esc
          if (focusReadouts() < readoutsAtRelease + 2) return;
          after = fwhm->text();
          stage = 3;
          return;
        default:
          user.stop();
          QTest::keyClick(&d, Qt::Key_Escape);
      }
    });
    user.start();
    child<QPushButton>(d, "focusStart")->click();
    child<QPushButton>(d, "cancel")->click();
  });
  QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);

  ASSERT_TRUE(shown);
  EXPECT_TRUE(focusModeRanWhileHeld);
  EXPECT_FALSE(program.telescope.focusing);
  EXPECT_LE(heldTo, -150.0);
  EXPECT_NEAR(mount->focuserPosition(), heldTo, 0.5);  // stopped on release
  ASSERT_FALSE(before.isEmpty());
  ASSERT_FALSE(after.isEmpty());
  // At best focus the star is about 3 pixels wide; 150 steps out, about 10.
  EXPECT_GE(after.toInt(), before.toInt() + 3)
      << before.toStdString() << " -> " << after.toStdString();
}

}  // namespace
}  // namespace nvk::app::qt
