#include "camera/program.h"

#include "camera/usb_camera.h"

namespace nvk::camera {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : files::Program(clock, ui, std::move(paths)),
      camera_(std::make_unique<UsbCamera>(*this)),
      guideHead_(std::make_unique<UsbGuideHead>(*this)) {}

Program::~Program() = default;

}  // namespace nvk::camera
