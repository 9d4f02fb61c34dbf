#include "scope/mount_commands.h"

#include "base/messages.h"
#include "scope/program.h"

namespace nvk::scope {
ConnectResult ConnectTelescope(Program& program, bool telescopeControl) {
  auto& telescope = program.telescope;
  if (telescope.telescopeConnected) return ConnectResult::Connected;
  if (program.loadSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowMessage(program.ui(), base::Message::UnableToLoadIni);
    program.saveSettingsFile();
  }
  if (telescopeControl &&
      (telescope.cameraLink == nullptr || !telescope.cameraLink->connectCamera())) {
    base::ShowMessage(program.ui(), base::Message::CallerText, kCameraNotFoundText);
    return ConnectResult::CameraNotFound;
  }
  telescope.portIndex = program.settings.telescopePortIndex;
  telescope.telescopeConnected = true;
  return ConnectResult::Connected;
}

}  // namespace nvk::scope
