#include "app/qt/application.h"

#include <QCoreApplication>
#include <string_view>

#include "app/demo_image.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_ui.h"
#include "app/startup.h"
#include "platform/data_root.h"
#include "platform/real_clock.h"
#include "platform/usb_device_enumerator.h"
#include "sim/simulated_devices.h"

namespace nvk::app::qt {
namespace {

constexpr std::uint32_t kDemoSeed = 7;

}  // namespace

TNVK_K7LQApp::TNVK_K7LQApp(const StartOptions& options)
    : realClock_(options.clock == nullptr ? std::make_unique<platform::RealClock>() : nullptr),
      clock_(options.clock == nullptr ? realClock_.get() : options.clock),
      ui_(std::make_unique<QtUi>()),
      simulate_(options.simulate) {
  const std::filesystem::path root =
      options.dataRoot.empty() ? platform::defaultDataRoot() : options.dataRoot;
  usb_ = std::make_unique<platform::UsbDeviceEnumerator>();
  devices_.add(*usb_);
  if (simulate_) {
    simulator_ = std::make_unique<sim::SimulatedDevices>(*clock_);
    devices_.add(*simulator_);
  }
  program_ = std::make_unique<Program>(*clock_, *ui_, base::ProgramPaths(root));
  program_->devices.enumerator = &devices_;
  // The simulated mount sits on the simulated camera's telescope port and guide outputs and
  // behind a pseudo-terminal for the PC route, and the simulated sky follows it.
  mount_ = simulate_ ? std::make_unique<platform::PtyMount>(*program_, *clock_, simulator_.get())
                     : std::make_unique<platform::PtyMount>(*program_);
  window_ = std::make_unique<TNVK_K7LQWindow>(*program_, *ui_);
}

void TNVK_K7LQApp::start() {
  window_->show();
  QCoreApplication::processEvents();
  loadStartupSettings(*program_);
  window_->settingsChanged();
  if (simulate_) {
    // No image yet: show a star field so that the simulated session starts with a picture.
    renderDemoStarField(*program_, kDemoSeed);
    window_->redraw(true);
  }
}

TNVK_K7LQApp::~TNVK_K7LQApp() = default;

StartOptions parseStartOptions(int argc, char** argv) {
  StartOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--simulate") {
      options.simulate = true;
    } else if (word == "--root" && i + 1 < argc) {
      options.dataRoot = argv[++i];
    }
  }
  return options;
}

}  // namespace nvk::app::qt
