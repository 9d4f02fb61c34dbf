#include "core/program.h"

#include "scope/exposure_guider.h"

namespace nvk::core {

Program::Program(port::Clock& clock, port::Ui& ui, ProgramPaths paths)
    : clock_(clock), ui_(ui), paths_(std::move(paths)) {
  applyGeometry();
  exposureGuiding = std::make_unique<scope::GuideHeadExposureGuiding>(*this);
}

image::SettingsStatus Program::loadSettingsFile() {
  comPorts.load(paths_.comPortMapFile());
  return image::loadSettings(paths_.settingsFile(), settings, fits, ui_);
}

image::SettingsStatus Program::saveSettingsFile() {
  return image::saveSettings(paths_.settingsFile(), settings, fits);
}

void Program::applyGeometry() {
  geometry = image::applyGeometry(state.binned, halfSizeDisplay);
}

}  // namespace nvk::core
