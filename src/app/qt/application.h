#pragma once

#include <filesystem>
#include <memory>

#include "app/program.h"
#include "platform/pty_mount.h"
#include "port/clock.h"
#include "rig/rig.h"

namespace nvk::app::qt {

class QtUi;
class TNVK_K7LQWindow;

struct StartOptions {
  std::filesystem::path dataRoot;  // empty: the user's data root
  bool simulate = false;           // --simulate
  // The clock the program and the simulator run on (tests give a virtual one); the real clock
  // when null.
  port::Clock* clock = nullptr;
  // The simulated camera takes the real camera's time to deliver a frame (--download-time).
  bool downloadTime = false;
};

// The application object: the program object on the Qt Ui and the real clock, and the main
// window around it. A QApplication must exist first.
class TNVK_K7LQApp {
 public:
  explicit TNVK_K7LQApp(const StartOptions& options);
  ~TNVK_K7LQApp();

  // Shows the main window, then reads the settings file (message 1 over the window when there
  // is none) and, when simulating, shows the first picture.
  void start();

  Program& program() { return rig_->program(); }
  QtUi& ui() { return *ui_; }
  TNVK_K7LQWindow& window() { return *window_; }
  // The simulated devices with --simulate, else nullptr.
  sim::SimulatedDevices* simulator() { return rig_->simulator(); }
  // The simulated mount with --simulate, else nullptr.
  sim::SimulatedMount* simulatedMount() { return rig_->mount().mount(); }

 private:
  std::unique_ptr<QtUi> ui_;
  // The program on its devices: real USB and the mount on the PC port, or with --simulate the
  // simulated ones as well.
  std::unique_ptr<rig::Rig> rig_;
  std::unique_ptr<TNVK_K7LQWindow> window_;
};

// Reads the command line ("--simulate", "--download-time", "--root DIR"); unknown words are
// ignored.
StartOptions parseStartOptions(int argc, char** argv);

}  // namespace nvk::app::qt
