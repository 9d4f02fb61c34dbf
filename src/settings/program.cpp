#include "settings/program.h"

namespace nvk::settings {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : clock_(clock), ui_(ui), paths_(std::move(paths)) {
  applyGeometry();
}

SettingsStatus Program::loadSettingsFile() {
  comPorts.load(paths_.comPortMapFile());
  return loadSettings(paths_.settingsFile(), settings, fits, ui_);
}

SettingsStatus Program::saveSettingsFile() {
  return saveSettings(paths_.settingsFile(), settings, fits);
}

PreferencesLoad Program::loadPreferencesFile() {
  return loadPreferences(paths_.preferencesFile(), preferences);
}

bool Program::savePreferencesFile() {
  return savePreferences(paths_.preferencesFile(), preferences);
}

void Program::applyGeometry() {
  geometry = image::applyGeometry(state.binned, halfSizeDisplay);
}

}  // namespace nvk::settings
