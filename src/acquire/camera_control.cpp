#include "acquire/camera_control.h"

#include "acquire/program.h"
#include "camera/protocol.h"

namespace nvk::acquire {

int ProgramCameraControl::setCooling() {
  return camera::SetCooling(program_);
}

void ProgramCameraControl::selectFilter(int n) {
  camera::SelectFilter(program_, n);
}

}  // namespace nvk::acquire
