#include "settings/program.h"

namespace nvk::settings {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : clock_(clock), ui_(ui), paths_(std::move(paths)) {
  applyGeometry();
}

SettingsStatus Program::loadSettingsFile() {
  comPorts.load(paths_.comPortMapFile());
  // The file is read over the settings as the user keeps them (a missing folder makes the
  // loader write them).
  if (usingSessionDrive()) settings.guideOutputMode = GuideOutputMode::None;
  const SettingsStatus status = loadSettings(paths_.settingsFile(), settings, fits, ui_);
  applySessionDrive();
  return status;
}

SettingsStatus Program::saveSettingsFile() {
  if (!usingSessionDrive()) return saveSettings(paths_.settingsFile(), settings, fits);
  Settings kept = settings;
  kept.guideOutputMode = GuideOutputMode::None;
  return saveSettings(paths_.settingsFile(), kept, fits);
}

void Program::offerSimulatedDrive() {
  sessionDrive_ = GuideOutputMode::Lx200;
  applySessionDrive();
}

void Program::applySessionDrive() {
  if (sessionDrive_ != GuideOutputMode::None && settings.guideOutputMode == GuideOutputMode::None)
    settings.guideOutputMode = sessionDrive_;
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
