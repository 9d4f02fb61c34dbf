#include "acquire/camera_control.h"

#include "acquire/program.h"

namespace nvk::acquire {

int ProgramCameraControl::setCooling() {
  return program_.camera().applyCooler();
}

void ProgramCameraControl::selectFilter(int n) {
  program_.camera().selectFilter(n);
}

}  // namespace nvk::acquire
