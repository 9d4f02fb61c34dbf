#include "app/startup.h"

#include <filesystem>

#include "base/messages.h"

namespace nvk::app {
namespace {

constexpr int kNoSettingsFileMessage = 1;
constexpr int kSettingsLoadMessage = 23;
constexpr int kSettingsSaveMessage = 24;

}  // namespace

void loadStartupSettings(core::Program& program) {
  std::error_code error;
  if (!std::filesystem::exists(program.paths().settingsFile(), error)) {
    program.comPorts.load(program.paths().comPortMapFile());
    base::ShowMessage(program.ui(), kNoSettingsFileMessage);
    return;
  }
  switch (program.loadSettingsFile()) {
    case settings::SettingsStatus::Ok:
      break;
    case settings::SettingsStatus::LoadFailed:
      base::ShowMessage(program.ui(), kSettingsLoadMessage);
      break;
    case settings::SettingsStatus::SaveFailed:
      base::ShowWriteFailure(program.ui(), kSettingsSaveMessage);
      break;
  }
}

}  // namespace nvk::app
