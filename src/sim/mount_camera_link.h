#pragma once

#include <functional>

#include "scope/camera_link.h"
#include "sim/mount.h"

namespace nvk::sim {

// The simulated mount behind the camera: its serial line on the camera serial port that
// `portIndex` names when asked (the telescope port setting), and the autoguider socket on the
// guide outputs, as a camera whose ports the mount is plugged into passes them on.
class MountCameraLink final : public scope::CameraLink {
 public:
  MountCameraLink(SimulatedMount& mount, std::function<int()> portIndex)
      : mount_(mount), portIndex_(std::move(portIndex)) {}
  MountCameraLink(SimulatedMount& mount, int portIndex)
      : MountCameraLink(mount, [portIndex] { return portIndex; }) {}

  void sendSerial(int portIndex, std::span<const std::uint8_t> bytes) override;
  // What the mount has said, then zeros up to `count` (the camera always returns the count).
  std::vector<std::uint8_t> readSerial(int portIndex, int count) override;
  void setGuideOutputs(std::uint8_t bits) override { mount_.guideOutputsChanged(bits); }
  bool connectCamera() override { return true; }

 private:
  SimulatedMount& mount_;
  std::function<int()> portIndex_;
};

}  // namespace nvk::sim
