#pragma once

#include <memory>

#include "camera/camera.h"
#include "camera/devices.h"
#include "files/program.h"

namespace nvk::camera {

// The program as the camera code sees it (see settings::Program).
class Program : public files::Program {
 public:
  Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths);
  ~Program();

  // The camera's main head (with its cooler, guide outputs, serial ports and filters) and its
  // guide head, over the channels in `devices`.
  Camera& camera() { return *camera_; }
  GuideHead& guideHead() { return *guideHead_; }

  // The camera and filter-wheel channels, discovery results and camera state.
  CameraDevices devices;

 private:
  std::unique_ptr<Camera> camera_;
  std::unique_ptr<GuideHead> guideHead_;
};

}  // namespace nvk::camera
