#include "app/qt/application.h"

#include <QCoreApplication>
#include <QTimer>
#include <string_view>

#include "app/demo_image.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_ui.h"
#include "app/startup.h"
#include "platform/data_root.h"

namespace nvk::app::qt {
namespace {

constexpr std::uint32_t kDemoSeed = 7;

}  // namespace

TNVK_K7LQApp::TNVK_K7LQApp(const StartOptions& options) : ui_(std::make_unique<QtUi>()) {
  const std::filesystem::path root =
      options.dataRoot.empty() ? platform::defaultDataRoot() : options.dataRoot;
  rig::RigOptions rigOptions{root, options.simulate, rig::ClockKind::Real, options.clock};
  rigOptions.simulation.downloadTime = options.downloadTime;
  rig_ = std::make_unique<rig::Rig>(rigOptions, *ui_);
  // Whatever the program waits for, the window goes on answering.
  rig_->dispatchWhileWaiting([ui = ui_.get()] { ui->dispatchWhileWaiting(); });
  // The window's commands reach the mount from the start.
  rig_->mount();
  window_ = std::make_unique<TNVK_K7LQWindow>(rig_->program(), *ui_);
}

void TNVK_K7LQApp::start() {
  window_->show();
  QCoreApplication::processEvents();
  // The simulated mount is the drive of a simulated session, unless the settings choose one.
  if (rig_->simulated()) rig_->program().offerSimulatedDrive();
  const bool settingsFound = loadStartupSettings(rig_->program());
  window_->settingsChanged();
  if (rig_->simulated()) {
    // No image yet: show a star field so that the simulated session starts with a picture.
    renderDemoStarField(rig_->program(), kDemoSeed);
    window_->redraw(true);
  }
  // First start: the notice asked for the defaults, so they follow once the window is up.
  if (!settingsFound) {
    QTimer::singleShot(0, window_.get(), [this] { window_->runCommand(cmd::kProgramDefaults); });
  }
}

TNVK_K7LQApp::~TNVK_K7LQApp() = default;

StartOptions parseStartOptions(int argc, char** argv) {
  StartOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--simulate") {
      options.simulate = true;
    } else if (word == "--download-time") {
      options.downloadTime = true;
    } else if (word == "--root" && i + 1 < argc) {
      options.dataRoot = argv[++i];
    }
  }
  return options;
}

}  // namespace nvk::app::qt
