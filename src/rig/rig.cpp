#include "rig/rig.h"

#include "platform/indi_client_libindi.h"
#include "platform/pty_mount.h"
#include "platform/real_clock.h"
#include "platform/usb_device_enumerator.h"
#include "port/virtual_clock.h"
#include "sim/simulated_devices.h"

namespace nvk::rig {
namespace {

std::unique_ptr<port::Clock> makeClock(const RigOptions& options) {
  if (options.clock != nullptr) return nullptr;
  if (options.clockKind == ClockKind::Real) return std::make_unique<platform::RealClock>();
  // The virtual clock starts at the machine's wall time, so dates stamped into files are real.
  return std::make_unique<port::VirtualClock>(0, platform::RealClock().wallSeconds());
}

}  // namespace

Rig::Rig(const RigOptions& options, port::Ui& ui)
    : mountOptions_(options.mount),
      ownClock_(makeClock(options)),
      clock_(options.clock != nullptr ? options.clock : ownClock_.get()),
      usb_(std::make_unique<platform::UsbDeviceEnumerator>()) {
  devices_.add(*usb_);
  if (options.simulate) {
    simulator_ = std::make_unique<sim::SimulatedDevices>(*clock_, options.simulation);
    devices_.add(*simulator_);
  }
  program_ = std::make_unique<app::Program>(*clock_, ui, base::ProgramPaths(options.dataRoot));
  program_->devices.enumerator = &devices_;
  // The INDI mount, when the preferences choose it, talks through libindi's client.
  program_->telescope.makeIndiClient = [] { return std::make_unique<platform::LibIndiClient>(); };
}

Rig::~Rig() = default;

platform::PtyMount& Rig::mount() {
  if (!mount_) {
    // The simulated mount sits on the simulated camera's telescope port and guide outputs and
    // behind a pseudo-terminal for the PC route, and the simulated sky follows it.
    mount_ = simulator_ ? std::make_unique<platform::PtyMount>(*program_, *clock_, simulator_.get(),
                                                               mountOptions_)
                        : std::make_unique<platform::PtyMount>(*program_);
  }
  return *mount_;
}

void Rig::dispatchWhileWaiting(std::function<void()> dispatch) {
  if (auto* real = dynamic_cast<platform::RealClock*>(ownClock_.get())) {
    real->dispatchWhileWaiting(std::move(dispatch));
  }
}

}  // namespace nvk::rig
