// The program as `nvk-k7lq --simulate` starts it, on a virtual clock: what keys and clicks do to
// a running exposure, and what happens to an image not saved since its exposure when the window
// closes or another file is opened over it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>

#include "app/command_map.h"
#include "app/qt/camera_dialog_view.h"
#include "app/qt/image_view.h"
#include "app/qt/qt_ui.h"
#include "qt_test_support.h"

namespace nvk::app::qt {
namespace {

// Runs `step` on every pass of the event loop (the exposure's wait pumps it) until it returns
// true; every pass, before and after, costs the virtual clock one pump quantum, as ScriptedUi's
// pump does.
class EveryPass {
 public:
  EveryPass(port::VirtualClock& clock, std::function<bool()> step) : step_(std::move(step)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this, &clock] {
      clock.pump();
      if (step_ && step_()) step_ = nullptr;
    });
    timer_.start();
  }

 private:
  std::function<bool()> step_;
  QTimer timer_;
};

// Plays the user's part on the modal windows that appear, in order: each step waits for the
// active modal window to be of its kind, acts on it and closes it.
class ModalScript {
 public:
  ModalScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || steps_.empty() || modal == last_) return;
      if (steps_.front()(modal)) {
        last_ = modal;
        steps_.pop_front();
      }
    });
    timer_.start();
  }
  // Answers the question about the unsaved image with `button`.
  void answer(QMessageBox::StandardButton button) {
    steps_.push_back([this, button](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box == nullptr || box->button(button) == nullptr) return false;
      questions.push_back(box->text());
      box->button(button)->click();
      return true;
    });
  }
  // Names `path` in the save dialog and accepts it.
  void saveAs(const std::filesystem::path& path) {
    steps_.push_back([path](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (dialog == nullptr) return false;
      dialog->selectFile(QString::fromStdString(path.string()));
      static_cast<QDialog*>(dialog)->accept();
      return true;
    });
  }
  bool done() const { return steps_.empty(); }
  std::vector<QString> questions;

 private:
  std::deque<std::function<bool(QWidget*)>> steps_;
  QPointer<QWidget> last_;
  QTimer timer_;
};

struct StrayInputTest : test::MainWindowTest {
  // An empty picture, so that a frame read out afterwards shows.
  void clearImage() {
    std::fill(program.planes.RawImage.begin(), program.planes.RawImage.end(), 0);
  }
  bool imageEmpty() const {
    return std::all_of(program.planes.RawImage.begin(), program.planes.RawImage.end(),
                       [](std::uint16_t v) { return v == 0; });
  }
  // Take Photo from the camera dialog: a full-resolution exposure of `seconds`.
  void takePhoto(int seconds) {
    program.acquisition.exposureUnit = 's';
    program.acquisition.exposureValue = seconds;
    program.acquisition.exposureCount = 1;
    whenDialogShows<CameraDialogView>(
        [](CameraDialogView& d) { child<QPushButton>(d, "takePhoto")->click(); });
    ASSERT_TRUE(window.runCommand(12));
  }
  QtUi& qtUi() { return static_cast<QtUi&>(program.ui()); }
};

// Any key or click on the window used to end an exposure without a word, Shift alone and a click
// on the picture too; only Esc (or the progress window's Abort) does now.
TEST_F(StrayInputTest, ShiftAndAClickLeaveAFiveSecondExposureRunning) {
  clearImage();
  std::uint32_t started = 0;
  QString hint;
  bool pressed = false;
  EveryPass user(clock, [&] {
    QWidget* progress = qtUi().progressWindow();
    if (progress == nullptr) return false;
    if (started == 0) started = clock.nowMs();
    if (clock.nowMs() - started < 1000) return false;
    hint = progress->findChild<QLabel*>("stopHint")->text();
    QTest::keyClick(&window, Qt::Key_Shift);
    QTest::keyClick(&window, Qt::Key_Control);
    QTest::mouseClick(window.imageView()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    pressed = true;
    return true;
  });
  takePhoto(5);

  ASSERT_TRUE(pressed);
  EXPECT_EQ(hint, "Press Esc or Abort to stop");
  EXPECT_GE(clock.nowMs() - started, 5000u);
  EXPECT_FALSE(imageEmpty()) << "the exposure was thrown away";
}

TEST_F(StrayInputTest, EscOrTheAbortButtonEndsTheExposure) {
  for (const bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Esc" : "Abort");
    clearImage();
    std::uint32_t started = 0;
    std::uint32_t stopped = 0;
    EveryPass user(clock, [&] {
      QWidget* progress = qtUi().progressWindow();
      if (progress == nullptr) return false;
      if (started == 0) started = clock.nowMs();
      if (clock.nowMs() - started < 1000) return false;
      stopped = clock.nowMs();
      if (escape) {
        QTest::keyClick(&window, Qt::Key_Escape);
      } else {
        QTest::mouseClick(progress->findChild<QPushButton*>("abort"), Qt::LeftButton);
      }
      return true;
    });
    takePhoto(5);

    ASSERT_NE(stopped, 0u);
    EXPECT_LT(clock.nowMs() - stopped, 1000u);
    EXPECT_TRUE(imageEmpty()) << "an aborted exposure is not read out";
    EXPECT_EQ(qtUi().progressWindow(), nullptr);
  }
}

// Exit and File > Open used to drop an image fresh from the camera without a word.
TEST_F(StrayInputTest, ExitWithAnUnsavedExposureAsksSaveDiscardOrCancel) {
  takePhoto(1);
  ASSERT_FALSE(imageEmpty());
  ASSERT_TRUE(program.state.unsavedSinceExposure);

  {  // Cancel keeps the window and the image.
    ModalScript user;
    user.answer(QMessageBox::Cancel);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(user.done());
    ASSERT_EQ(user.questions.size(), 1u);
    EXPECT_TRUE(user.questions[0].contains("not been saved")) << user.questions[0].toStdString();
    EXPECT_TRUE(window.isVisible());
  }
  {  // File > Open asks too; Cancel opens nothing (no file dialog follows).
    ModalScript user;
    user.answer(QMessageBox::Cancel);
    window.runCommand(24332);
    EXPECT_TRUE(user.done());
    EXPECT_FALSE(imageEmpty());
  }
  {  // Save runs File > Save; File > Exit then closes the window.
    ModalScript user;
    user.answer(QMessageBox::Save);
    user.saveAs(root / "kept.FIT");
    EXPECT_TRUE(window.runCommand(cmd::kExit));
    EXPECT_TRUE(user.done());
    EXPECT_TRUE(std::filesystem::exists(root / "kept.FIT"));
    EXPECT_FALSE(window.isVisible());
  }
  // Shown again: nothing left to save, nothing asked.
  window.show();
  EXPECT_TRUE(window.close());
}

TEST_F(StrayInputTest, DiscardClosesTheWindowWithoutSaving) {
  takePhoto(1);
  ModalScript user;
  user.answer(QMessageBox::Discard);
  EXPECT_TRUE(window.close());
  EXPECT_TRUE(user.done());
  EXPECT_TRUE(program.state.unsavedSinceExposure);
}

}  // namespace
}  // namespace nvk::app::qt
