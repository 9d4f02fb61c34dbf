#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/qt/application.h"
#include "app/qt/main_window.h"
#include "port/virtual_clock.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nvk::app::qt::test {

// Answers the modal message boxes that appear while it lives: records each box's title and
// text and presses its OK button.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      seen.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
      box->accept();
    });
    timer_.start();
  }
  struct Seen {
    std::string title;
    std::string text;
  };
  std::vector<Seen> seen;

 private:
  QTimer timer_;
};

// Writes the settings file of the data root `root`.
inline bool writeSettings(const std::filesystem::path& root, const settings::Settings& settings) {
  const base::ProgramPaths paths(root);
  std::filesystem::create_directories(paths.autosaveFolder());
  return settings::saveSettings(paths.settingsFile(), settings, image::FitsHeaderInfo{}) ==
         settings::SettingsStatus::Ok;
}

// Settings with the drive method `mode` on the PC port: COM1, which leads to the simulated
// mount's pseudo-terminal for the run.
inline settings::Settings driveOnCom1(
    settings::GuideOutputMode mode = settings::GuideOutputMode::Lx200) {
  settings::Settings s;
  s.guideOutputMode = mode;
  s.serialRoute = 3;
  s.pcComPort = 0;
  return s;
}

// The program as `nvk-k7lq` starts it over a temporary data root that holds `settings` (so the
// window opens without message 1): the real main window, on the simulator when `simulate`, and
// on a virtual clock that the program and the simulator share.
class MainWindowTest : public ::testing::Test {
 protected:
  explicit MainWindowTest(const settings::Settings& settings = {}, bool simulate = true)
      : settingsWritten_(writeSettings(root.path(), settings)),
        app(StartOptions{root.path(), simulate, &clock}) {}

  void SetUp() override {
    ASSERT_TRUE(settingsWritten_);
    app.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  // Plays `user` on the modal dialog of type D as soon as it shows; `shown` records that it
  // did.
  template <typename D>
  void whenDialogShows(std::type_identity_t<std::function<void(D&)>> user) {
    QTimer::singleShot(0, [this, user] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
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

  nvk::test::TempDir root;
  port::VirtualClock clock{1000};
  bool settingsWritten_;
  TNVK_K7LQApp app;
  TNVK_K7LQWindow& window = app.window();
  Program& program = app.program();
  bool shown = false;
};

}  // namespace nvk::app::qt::test
