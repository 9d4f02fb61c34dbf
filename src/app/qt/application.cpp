#include "app/qt/application.h"

#include <QCoreApplication>
#include <string_view>

#include "app/demo_image.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_ui.h"
#include "app/startup.h"
#include "platform/data_root.h"
#include "platform/real_clock.h"

namespace nvk::app::qt {
namespace {

constexpr std::uint32_t kDemoSeed = 7;

}  // namespace

TNVK_K7LQApp::TNVK_K7LQApp(const StartOptions& options)
    : clock_(std::make_unique<platform::RealClock>()),
      ui_(std::make_unique<QtUi>()),
      simulate_(options.simulate) {
  const std::filesystem::path root =
      options.dataRoot.empty() ? platform::defaultDataRoot() : options.dataRoot;
  program_ = std::make_unique<core::Program>(*clock_, *ui_, core::ProgramPaths(root));
  mount_ = options.simulate ? std::make_unique<platform::PtyMount>(*program_, *clock_, nullptr)
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
