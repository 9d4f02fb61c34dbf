// The guiding displays in the program as `nvk-k7lq --simulate` starts it, on a virtual clock:
// command 22 shows "Guiding Info" updating until its Stop; a guided exposure started from the
// camera dialog shows "AutoGuider Camera Guiding", whose "Stop Guiding" ends the exposure.
#include "app/qt/guiding_views.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <set>

#include "app/qt/camera_dialog_view.h"
#include "camera/discovery.h"
#include "qt_test_support.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "sim/simulated_devices.h"
#include "sim/sky_mount.h"

namespace nvk::app::qt {
namespace {

// Runs `check` on every pass of the event loop (the guiding loops pump it) until it returns
// true.
class EveryPass {
 public:
  explicit EveryPass(std::function<bool()> check) : check_(std::move(check)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (check_()) timer_.stop();
    });
    timer_.start();
  }

 private:
  std::function<bool()> check_;
  QTimer timer_;
};

struct GuidingViewsTest : test::MainWindowTest {
  GuidingViewsTest() : MainWindowTest(test::driveOnCom1()) {}
  test::MessageBoxAnswerer answers;

  // A guided exposure of `mainSeconds` on guide exposures of `guideValue` units `guideUnit`,
  // guiding on the brightest star of the middle of the guide image.
  void prepareGuidedExposure(char guideUnit, int guideValue, int mainSeconds) {
    ASSERT_EQ(camera::OpenCamera(program), 1);
    scope::GuideExposure(program);
    const auto& image = program.devices.guideImage;
    int best = -1, bx = 0, by = 0;
    for (int y = 60; y < 230; ++y) {
      for (int x = 60; x < 440; ++x) {
        const int v = image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)];
        if (v > best) best = v, bx = x, by = y;
      }
    }
    ASSERT_TRUE(
        scope::SelectGuideStarAt(program, bx + scope::kGuideImageLeft, by + scope::kGuideImageTop));
    program.guiding.camera.unit = guideUnit;
    program.guiding.camera.value = guideValue;
    program.acquisition.exposureUnit = 's';
    program.acquisition.exposureValue = mainSeconds;
  }
  // Picks the brightest star of the middle of the main sensor, as command 21 gives it.
  void pickMainStar() {
    const sim::Sky& sky = app.simulator()->sky();
    std::vector<std::uint16_t> region(400 * 300);
    sky.render(sim::mainSensorView(sky), 1320, 860, 400, 300, 1.0, 20.0, 1, region.data());
    const auto brightest = std::max_element(region.begin() + 20 * 400, region.end() - 20 * 400);
    const int at = static_cast<int>(brightest - region.begin());
    program.guiding.mainStar.position = {1320 + at % 400, 0, 860 + at / 400, 0};
    program.guiding.mainStarPicked = true;
  }
  bool answered(const std::string& text) const {
    for (const auto& seen : answers.seen)
      if (seen.text == text) return true;
    return false;
  }
};

TEST_F(GuidingViewsTest, Command22ShowsGuidingInfoUpdatingUntilItsStop) {
  pickMainStar();
  program.acquisition.exposureUnit = 't';
  program.acquisition.exposureValue = 3;

  TInfoDialogView& info = window.guidingViews().info();
  std::set<QString> xShown;
  bool stopEnabled = false;
  const std::uint32_t start = clock.nowMs();
  EveryPass watch([&] {
    if (!info.isVisible()) return false;
    const QString x = child<QLineEdit>(info, "x")->text();
    if (!x.isEmpty()) xShown.insert(x + " " + child<QLineEdit>(info, "dx")->text());
    if (clock.nowMs() - start < 120'000) return false;
    auto* stop = child<QPushButton>(info, "stop");
    stopEnabled = stop->isEnabled();
    QTest::mouseClick(stop, Qt::LeftButton);
    return true;
  });
  ASSERT_TRUE(window.runCommand(22));

  // The fields followed the star for two minutes of drift and corrections; the press on Stop
  // ended guiding (it was no abort: guiding ran until it).
  EXPECT_GE(xShown.size(), 3u);
  EXPECT_TRUE(stopEnabled);
  EXPECT_GE(clock.nowMs() - start, 120'000u);
  EXPECT_TRUE(answered("AutoGuiding Terminated"));
  EXPECT_FALSE(info.isVisible());
  EXPECT_FALSE(program.guiding.active);
  EXPECT_GT(program.guiding.pulsesSent, 0);
}

// Guiding frames of five seconds: the frame's exposure used to wait without dispatching events,
// so Pause and Stop acted only between frames, and a Stop was followed by one more frame and its
// correction.
TEST_F(GuidingViewsTest, PauseAndStopActDuringALongGuidingFrame) {
  pickMainStar();
  program.acquisition.exposureUnit = 's';
  program.acquisition.exposureValue = 5;

  TInfoDialogView& info = window.guidingViews().info();
  auto* pause = child<QCheckBox>(info, "pause");
  struct Press {
    std::uint32_t atMs = 0;
    int pulses = 0;
  };
  Press paused, resumed, stopped;
  int pulsesWhilePaused = -1;
  std::uint32_t start = 0;
  auto press = [&](QWidget* button, Press& record) {
    record = {clock.nowMs(), program.guiding.pulsesSent};
    QTest::mouseClick(button, Qt::LeftButton);
  };
  EveryPass watch([&] {
    if (!info.isVisible() || !program.guiding.active) return false;
    if (start == 0) start = clock.nowMs();
    const std::uint32_t now = clock.nowMs();
    if (paused.atMs == 0) {
      if (now - start >= 20'000) press(pause, paused);
    } else if (resumed.atMs == 0) {
      if (now - paused.atMs < 60'000) return false;
      pulsesWhilePaused = program.guiding.pulsesSent - paused.pulses;
      press(pause, resumed);
    } else if (now - resumed.atMs >= 60'000) {
      press(child<QPushButton>(info, "stop"), stopped);
      return true;
    }
    return false;
  });
  ASSERT_TRUE(window.runCommand(22));

  ASSERT_NE(stopped.atMs, 0u);
  EXPECT_EQ(pulsesWhilePaused, 0);
  EXPECT_GT(stopped.pulses, resumed.pulses);  // guiding corrected again after the pause
  // Stop ended guiding within the frame it was pressed in, and nothing more was sent.
  EXPECT_LT(clock.nowMs() - stopped.atMs, 1000u);
  EXPECT_EQ(program.guiding.pulsesSent, stopped.pulses);
  EXPECT_FALSE(program.guiding.active);
  EXPECT_TRUE(answered("AutoGuiding Terminated"));
}

TEST_F(GuidingViewsTest, GuidedExposureShowsTheAutoGuiderDisplayAndStopGuidingEndsIt) {
  prepareGuidedExposure('t', 3, 30);

  TGInfoDialogView& display = window.guidingViews().display();
  std::uint32_t exposureStart = 0;
  QString caption, slewX, xField;
  bool frameShown = false, stopEnabled = false;
  EveryPass watch([&] {
    if (auto* dialog = qobject_cast<CameraDialogView*>(QApplication::activeModalWidget())) {
      child<QPushButton>(*dialog, "autoguidePhoto")->click();
      exposureStart = clock.nowMs();
      return false;
    }
    if (!display.isVisible() || exposureStart == 0) return false;
    if (clock.nowMs() - exposureStart < 10'000) return false;
    caption = display.windowTitle();
    xField = child<QLineEdit>(display, "x")->text();
    slewX = child<QLineEdit>(display, "slewX")->text();
    frameShown = !child<GuideImageArea>(display, "guideImage")->frame().isNull();
    auto* stop = child<QPushButton>(display, "stopGuiding");
    stopEnabled = stop->isEnabled();
    QTest::mouseClick(stop, Qt::LeftButton);
    return true;
  });
  ASSERT_TRUE(window.runCommand(12));  // Camera Interface

  ASSERT_NE(exposureStart, 0u);
  EXPECT_EQ(caption, "Guiding Info");
  EXPECT_FALSE(xField.isEmpty());
  EXPECT_FALSE(slewX.isEmpty());
  EXPECT_TRUE(frameShown);
  EXPECT_TRUE(stopEnabled);
  // "Stop Guiding" ended the exposure some 10 s in and it was read out and shown; the
  // display closed with the command.
  const std::uint32_t exposed = app.simulator()->camera().lastExposureMs();
  EXPECT_GE(exposed, 9'000u);
  EXPECT_LE(exposed, 12'000u);
  EXPECT_EQ(window.windowTitle(), "NVK_K7LQ_USB - KR Camera Image");
  EXPECT_FALSE(program.guiding.active);
  EXPECT_FALSE(program.guiding.starLost);
  EXPECT_FALSE(display.isVisible());
}

// Guide exposures of three seconds: they used to wait without dispatching events, so "Stop
// Guiding" (and any press) waited for the end of the guide step. A press during a guide exposure
// still ends the main exposure as the user's abort.
TEST_F(GuidingViewsTest, StopGuidingAndAPressActDuringALongGuideExposure) {
  prepareGuidedExposure('s', 3, 60);
  TGInfoDialogView& display = window.guidingViews().display();
  for (const bool stopButton : {true, false}) {
    SCOPED_TRACE(stopButton ? "Stop Guiding" : "Esc");
    std::uint32_t guidingSince = 0, lastPass = 0, longestGap = 0, pressedAt = 0;
    int passesInExposure = 0;
    EveryPass watch([&] {
      if (auto* dialog = qobject_cast<CameraDialogView*>(QApplication::activeModalWidget())) {
        child<QPushButton>(*dialog, "autoguidePhoto")->click();
        return false;
      }
      if (!program.guiding.active || !display.isVisible()) return false;
      const std::uint32_t now = clock.nowMs();
      if (guidingSince == 0) guidingSince = now;
      if (lastPass != 0) longestGap = std::max(longestGap, now - lastPass);
      // The passes of a guide exposure come close together; the one after its readout and
      // correction comes after a longer gap. Press a few passes into an exposure.
      passesInExposure = now - lastPass > 100 ? 0 : passesInExposure + 1;
      lastPass = now;
      if (now - guidingSince < 20'000 || passesInExposure < 3) return false;
      pressedAt = now;
      if (stopButton) {
        QTest::mouseClick(child<QPushButton>(display, "stopGuiding"), Qt::LeftButton);
      } else {
        QTest::keyClick(&display, Qt::Key_Escape);
      }
      return true;
    });
    ASSERT_TRUE(window.runCommand(12));  // Camera Interface

    ASSERT_NE(pressedAt, 0u);
    EXPECT_LT(longestGap, 1000u);
    EXPECT_LT(clock.nowMs() - pressedAt, 1000u);
    EXPECT_FALSE(program.guiding.active);
    EXPECT_FALSE(display.isVisible());
  }
}

}  // namespace
}  // namespace nvk::app::qt
