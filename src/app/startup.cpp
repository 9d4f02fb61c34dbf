#include "app/startup.h"

#include <filesystem>

#include "base/messages.h"

namespace nvk::app {

bool loadStartupSettings(Program& program) {
  settings::showPreferencesProblems(program.ui(), program.paths().preferencesFile(),
                                    program.loadPreferencesFile());
  std::error_code error;
  if (!std::filesystem::exists(program.paths().settingsFile(), error)) {
    program.comPorts.load(program.paths().comPortMapFile());
    base::ShowMessage(program.ui(), base::Message::NoIniFile);
    return false;
  }
  switch (program.loadSettingsFile()) {
    case settings::SettingsStatus::Ok:
      break;
    case settings::SettingsStatus::LoadFailed:
      base::ShowMessage(program.ui(), base::Message::UnableToLoadIni);
      break;
    case settings::SettingsStatus::SaveFailed:
      base::ShowWriteFailure(program.ui(), base::Message::UnableToSaveIni);
      break;
  }
  return true;
}

}  // namespace nvk::app
