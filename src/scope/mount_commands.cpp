#include "scope/mount_commands.h"

#include "base/messages.h"
#include "core/program.h"

namespace nvk::scope {
namespace {

constexpr int kUnableToLoadIniMessage = 23;

}  // namespace

ConnectResult ConnectTelescope(core::Program& program, bool telescopeControl) {
  auto& telescope = program.telescope;
  if (telescope.telescopeConnected) return ConnectResult::Connected;
  if (program.loadSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowMessage(program.ui(), kUnableToLoadIniMessage);
    program.saveSettingsFile();
  }
  if (telescopeControl &&
      (telescope.cameraLink == nullptr || !telescope.cameraLink->connectCamera())) {
    base::ShowMessage(program.ui(), base::kCallerTextMessage, "Sorry, Camera not found");
    return ConnectResult::CameraNotFound;
  }
  telescope.portIndex = program.settings.telescopePortIndex;
  telescope.telescopeConnected = true;
  return ConnectResult::Connected;
}

}  // namespace nvk::scope
