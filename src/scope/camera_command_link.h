#pragma once

#include "scope/camera_link.h"

namespace nvk::scope {

class Program;

// The camera route over the camera's own commands: serial write (10) and read (11), guide
// outputs (9), and discovery with the firmware request (255) to connect.
class CameraCommandLink final : public CameraLink {
 public:
  explicit CameraCommandLink(Program& program) : program_(program) {}

  void sendSerial(int portIndex, std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> readSerial(int portIndex, int count) override;
  void setGuideOutputs(std::uint8_t bits) override;
  bool connectCamera() override;

 private:
  Program& program_;
};

}  // namespace nvk::scope
