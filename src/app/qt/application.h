#pragma once

#include <filesystem>
#include <memory>

#include "app/program.h"
#include "camera/composite_enumerator.h"
#include "platform/pty_mount.h"
#include "port/clock.h"

namespace nvk::platform {
class UsbDeviceEnumerator;
}
namespace nvk::sim {
class SimulatedDevices;
}

namespace nvk::app::qt {

class QtUi;
class TNVK_K7LQWindow;

struct StartOptions {
  std::filesystem::path dataRoot;  // empty: the user's data root
  bool simulate = false;           // --simulate
  // The clock the program and the simulator run on (tests give a virtual one); the real clock
  // when null.
  port::Clock* clock = nullptr;
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

  app::Program& program() { return *program_; }
  QtUi& ui() { return *ui_; }
  TNVK_K7LQWindow& window() { return *window_; }
  // The simulated devices with --simulate, else nullptr.
  sim::SimulatedDevices* simulator() { return simulator_.get(); }
  // The simulated mount with --simulate, else nullptr.
  sim::SimulatedMount* simulatedMount() { return mount_->mount(); }

 private:
  std::unique_ptr<port::Clock> realClock_;
  port::Clock* clock_;
  std::unique_ptr<QtUi> ui_;
  // Where discovery looks: real USB, and with --simulate the simulated devices after it. They
  // outlive the program, which holds the channels opened on them.
  std::unique_ptr<platform::UsbDeviceEnumerator> usb_;
  std::unique_ptr<sim::SimulatedDevices> simulator_;
  camera::CompositeEnumerator devices_;
  std::unique_ptr<app::Program> program_;
  // The mount on the PC port, or the simulated mount with --simulate.
  std::unique_ptr<platform::PtyMount> mount_;
  std::unique_ptr<TNVK_K7LQWindow> window_;
  bool simulate_ = false;
};

// Reads the command line ("--simulate", "--root DIR"); unknown words are ignored.
StartOptions parseStartOptions(int argc, char** argv);

}  // namespace nvk::app::qt
