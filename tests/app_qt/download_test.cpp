// The window during a frame's download: `nvk-k7lq --simulate --download-time` on the machine's
// clock, where the simulated camera takes the real camera's 4.5 s to deliver a full frame.
// The event loop must go on answering all the while.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "app/qt/application.h"
#include "app/qt/qt_ui.h"
#include "camera/discovery.h"
#include "camera/protocol.h"
#include "qt_test_support.h"
#include "sim/simulated_devices.h"
#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

// What the image holds before a readout: no sample of the pattern.
constexpr std::uint16_t kCleared = 0xBEEF;

std::uint16_t pattern(int row, int column) {
  return static_cast<std::uint16_t>((row * 7 + column * 3 + ((row ^ column) & 15)) % 4000);
}

// The longest time between two ticks of a 10 ms timer while it runs.
class TickGaps {
 public:
  TickGaps() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
      ++ticks_;
    });
    clock_.start();
    timer_.start();
  }
  qint64 longestMs() const { return std::max(longest_, clock_.elapsed() - last_); }
  int ticks() const { return ticks_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
  int ticks_ = 0;
};

// The longest the event loop may stop while the program waits on the window's thread. A
// camera-timed frame from the simulator is also drawn and decoded on this thread once its
// exposure ends, which a loaded machine and the sanitizer build slow several times over; the
// wait itself must still dispatch, which the tick count checks.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kSlowBuild = 4;
#else
constexpr qint64 kSlowBuild = 1;
#endif
constexpr qint64 kLongestWaitStopMs = 100 * kSlowBuild;
constexpr qint64 kLongestFrameStopMs = 250 * kSlowBuild;

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest()
      : settingsWritten_(test::writeSettings(root.path(), {})),
        app(StartOptions{root.path(), true, nullptr, true}) {}

  void SetUp() override {
    ASSERT_TRUE(settingsWritten_);
    app.start();
    ASSERT_NE(app.simulator(), nullptr);
    app.simulator()->camera().setTestPattern(pattern);
    camera::OpenCamera(program);
    ASSERT_TRUE(program.devices.cameraConnected);
  }

  // A full frame of 100 ms, timed by the camera, behind the progress window, into an image
  // cleared first (the frame leaves its last columns and rows as they were).
  bool readFullFrame() {
    std::fill(program.planes.RawImage.begin(), program.planes.RawImage.end(), kCleared);
    app.ui().openProgress("READING KR CAMERA", port::Stoppable::Yes);
    const bool ok = camera::ReadImageForMode(program, image::ReadoutMode::HighResolution, 100);
    app.ui().closeProgress();
    return ok;
  }
  std::vector<std::uint16_t> raw() const {
    return {program.planes.RawImage.begin(), program.planes.RawImage.end()};
  }

  nvk::test::TempDir root;
  bool settingsWritten_;
  TNVK_K7LQApp app;
  Program& program = app.program();
};

TEST_F(DownloadTest, TheEventLoopAnswersThroughoutAFullFramesDownload) {
  app.simulator()->setDownloadTime(false);
  ASSERT_TRUE(readFullFrame());
  const std::vector<std::uint16_t> direct = raw();

  app.simulator()->setDownloadTime(true);
  TickGaps gaps;
  QElapsedTimer took;
  took.start();
  ASSERT_TRUE(readFullFrame());
  EXPECT_GE(took.elapsed(), 4500);
  EXPECT_LT(gaps.longestMs(), 100) << "over " << gaps.ticks() << " ticks";
  EXPECT_GT(gaps.ticks(), 100);
  EXPECT_TRUE(raw() == direct) << "the frame that took its time differs";
}

TEST_F(DownloadTest, TheProgressWindowsAbortEndsTheDownloadAndTakesNothingOfTheFrame) {
  app.simulator()->setDownloadTime(true);
  QTimer::singleShot(500, [this] {
    auto* abort = app.ui().progressWindow()->findChild<QPushButton*>("abort");
    ASSERT_NE(abort, nullptr);
    abort->click();
  });
  QElapsedTimer took;
  took.start();
  EXPECT_FALSE(readFullFrame());
  EXPECT_LT(took.elapsed(), 2000);
  EXPECT_TRUE(program.devices.readAborted);
  const auto image = raw();
  EXPECT_TRUE(
      std::all_of(image.begin(), image.end(), [](std::uint16_t v) { return v == kCleared; }));
}

// The waits the program makes on the window's thread (a camera-timed frame, a guide pulse of
// 0.7 s) dispatch its events too, and an Esc meanwhile reaches the next pump.
TEST_F(DownloadTest, WaitsOnTheWindowsThreadDispatchItsEvents) {
  app.simulator()->setDownloadTime(false);
  port::Clock& clock = program.clock();
  const struct {
    const char* name;
    std::function<void()> wait;
    qint64 longestStopMs;
  } cases[] = {
      {"camera-timed frame",
       [&] { camera::ReadImageForMode(program, image::ReadoutMode::Binned4x8, 700); },
       kLongestFrameStopMs},
      {"pulse", [&] { clock.waitMs(700); }, kLongestWaitStopMs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(app.ui().pump());
    QTimer::singleShot(300, [this] {
      QCoreApplication::postEvent(&app.window(),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    TickGaps gaps;
    const std::uint32_t start = clock.nowMs();
    c.wait();
    EXPECT_GE(clock.nowMs() - start, 700u);
    EXPECT_LT(gaps.longestMs(), c.longestStopMs) << "over " << gaps.ticks() << " ticks";
    EXPECT_GE(gaps.ticks(), 30) << "a 10 ms timer over a wait of 700 ms";
    EXPECT_TRUE(app.ui().pump()) << "the Esc during the wait was lost";
  }
}

}  // namespace
}  // namespace nvk::app::qt
