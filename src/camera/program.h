#pragma once

#include "camera/devices.h"
#include "files/program.h"

namespace nvk::camera {

// The program as the camera code sees it (see settings::Program).
class Program : public files::Program {
 public:
  using files::Program::Program;

  // The camera and filter-wheel channels, discovery results and camera state.
  CameraDevices devices;
};

}  // namespace nvk::camera
