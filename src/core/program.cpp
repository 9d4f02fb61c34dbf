#include "core/program.h"

#include "scope/exposure_guider.h"

namespace nvk::core {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : clock_(clock), ui_(ui), paths_(std::move(paths)) {
  applyGeometry();
  exposureGuiding = std::make_unique<scope::GuideHeadExposureGuiding>(*this);
}

settings::SettingsStatus Program::loadSettingsFile() {
  comPorts.load(paths_.comPortMapFile());
  return settings::loadSettings(paths_.settingsFile(), settings, fits, ui_);
}

settings::SettingsStatus Program::saveSettingsFile() {
  return settings::saveSettings(paths_.settingsFile(), settings, fits);
}

settings::PreferencesLoad Program::loadPreferencesFile() {
  return settings::loadPreferences(paths_.preferencesFile(), preferences);
}

bool Program::savePreferencesFile() {
  return settings::savePreferences(paths_.preferencesFile(), preferences);
}

void Program::applyGeometry() {
  geometry = image::applyGeometry(state.binned, halfSizeDisplay);
}

}  // namespace nvk::core
