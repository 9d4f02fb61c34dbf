#include "core/program.h"

#include "camera/usb_camera.h"
#include "scope/exposure_guider.h"

namespace nvk::core {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : clock_(clock),
      ui_(ui),
      paths_(std::move(paths)),
      camera_(std::make_unique<camera::UsbCamera>(*this)),
      guideHead_(std::make_unique<camera::UsbGuideHead>(*this)) {
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

void Program::applyGeometry() {
  geometry = image::applyGeometry(state.binned, halfSizeDisplay);
}

}  // namespace nvk::core
