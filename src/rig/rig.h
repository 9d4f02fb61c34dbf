#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "app/program.h"
#include "camera/composite_enumerator.h"
#include "port/clock.h"
#include "port/ui.h"
#include "sim/mount.h"
#include "sim/simulated_devices.h"

namespace nvk::platform {
class PtyMount;
class UsbDeviceEnumerator;
}  // namespace nvk::platform

namespace nvk::rig {

// How the run keeps time.
enum class ClockKind {
  Real,     // the machine's clock: the window, and the tool with --realtime
  Virtual,  // moves only when the program waits: the tool's simulated exposures take no time
};

struct RigOptions {
  std::filesystem::path dataRoot;
  // The simulated camera head, guide head, filter wheel, mount and AO unit join real USB.
  bool simulate = false;
  ClockKind clockKind = ClockKind::Real;
  // A clock of the caller's (a test's virtual clock) instead of one of clockKind; not owned.
  port::Clock* clock = nullptr;
  // The simulated sky, camera head and mount when simulating (sim::guidingSimulation gives the
  // guiding runs' ones).
  sim::SimulationOptions simulation = {};
  sim::MountOptions mount = {};
};

// The one wiring of the program's devices, for the window and the tool alike: the clock, the
// program on the front end's Ui, discovery over real USB (and, when simulating, the simulated
// camera head, guide head and filter wheel listed after it) behind the program's camera, guide
// head and wheel, and the mount with the AO unit on the telescope routes: the real PC COM port
// and the camera's commands, or the simulated mount and AO unit on every route.
class Rig {
 public:
  Rig(const RigOptions& options, port::Ui& ui);
  ~Rig();
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  port::Clock& clock() { return *clock_; }
  app::Program& program() { return *program_; }
  bool simulated() const { return simulator_ != nullptr; }
  // The simulated devices when simulating, else nullptr.
  sim::SimulatedDevices* simulator() { return simulator_.get(); }
  // The mount and the AO unit, attached to the program's telescope routes on the first call and
  // kept for the rest of the run (the window attaches at start; the tool when a command needs
  // it).
  platform::PtyMount& mount();
  // On the machine's clock, the waits of the calling thread (the window's) dispatch its events
  // through `dispatch` (platform::RealClock::dispatchWhileWaiting); a caller's clock is left as
  // it is.
  void dispatchWhileWaiting(std::function<void()> dispatch);

 private:
  sim::MountOptions mountOptions_;
  std::unique_ptr<port::Clock> ownClock_;
  port::Clock* clock_;
  // The device sources outlive the program, which holds the channels opened on them.
  std::unique_ptr<platform::UsbDeviceEnumerator> usb_;
  std::unique_ptr<sim::SimulatedDevices> simulator_;
  camera::CompositeEnumerator devices_;
  std::unique_ptr<app::Program> program_;
  // Detaches from the program's routes before the program goes.
  std::unique_ptr<platform::PtyMount> mount_;
};

}  // namespace nvk::rig
