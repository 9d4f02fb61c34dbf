// The camera control dialog in the real main window with the simulated camera attached.
#include "app/qt/camera_dialog_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "acquire/exposure_sequence.h"
#include "app/qt/application.h"
#include "app/qt/image_view.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_ui.h"
#include "image/settings_file.h"
#include "sim/simulated_devices.h"
#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

struct CameraDialogViewTest : ::testing::Test {
  nvk::test::TempDir root;
  bool settingsWritten = [this] {
    const core::ProgramPaths paths(root.path());
    std::filesystem::create_directories(paths.autosaveFolder());
    return image::saveSettings(paths.settingsFile(), image::Settings{}, image::FitsHeaderInfo{}) ==
           image::SettingsStatus::Ok;
  }();
  TNVK_K7LQApp app{StartOptions{root.path(), true}};
  TNVK_K7LQWindow& window = app.window();
  core::Program& program = app.program();

  void SetUp() override {
    ASSERT_TRUE(settingsWritten);
    app.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  // Plays `user` on the camera dialog as soon as it is shown; `shown` records it.
  void whenDialogShows(std::function<void(CameraDialogView&)> user) {
    QTimer::singleShot(0, [this, user] {
      auto* dialog = qobject_cast<CameraDialogView*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      shown = true;
      user(*dialog);
    });
  }
  template <typename W>
  static W* child(QWidget& parent, const char* name) {
    auto* w = parent.findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

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

  bool shown = false;
};

TEST_F(CameraDialogViewTest, CtrlZOpensTheDialogAndTakePhotoShowsTheSimulatedStars) {
  // An empty picture first, so that every star shown afterwards came from the camera.
  std::fill(program.planes.RawImage.begin(), program.planes.RawImage.end(), 0);
  window.redraw(true);
  ASSERT_EQ(starsShown(), 0);

  QString title;
  whenDialogShows([&title](CameraDialogView& d) {
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
  whenDialogShows([&](CameraDialogView& d) {
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

TEST_F(CameraDialogViewTest, FocusStartShowsTheFocusWindowUntilAPress) {
  bool imageShown = false;
  whenDialogShows([&](CameraDialogView& d) {
    child<QRadioButton>(d, "unit_h")->click();  // 5 hundredths
    // A key press during the loop's dispatch stops it after the first exposures.
    QTimer::singleShot(50, [&d] { QTest::keyClick(&d, Qt::Key_Space); });
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

}  // namespace
}  // namespace nvk::app::qt
