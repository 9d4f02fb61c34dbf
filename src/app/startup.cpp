#include "app/startup.h"

#include <filesystem>

#include "app/messages.h"

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
    ShowMessage(program.ui(), kNoSettingsFileMessage);
    return;
  }
  switch (program.loadSettingsFile()) {
    case image::SettingsStatus::Ok:
      break;
    case image::SettingsStatus::LoadFailed:
      ShowMessage(program.ui(), kSettingsLoadMessage);
      break;
    case image::SettingsStatus::SaveFailed:
      ShowMessage(program.ui(), kSettingsSaveMessage);
      break;
  }
}

}  // namespace nvk::app
