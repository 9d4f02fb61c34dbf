#pragma once

#include <memory>

#include "scope/camera_link.h"
#include "sim/ao_unit.h"
#include "sim/mount.h"
#include "sim/simulated_devices.h"

namespace nvk::acquire {
class Program;
}  // namespace nvk::acquire

namespace nvk::sim {

struct GuidingRigOptions {
  SimulationOptions devices;
  MountOptions mount;
  double aoStepsPerPixel = 5.0;
  int aoSerialPort = 1;            // the camera serial port the AO unit is plugged into
  bool aoRotatedHalfTurn = false;  // the AO unit mounted turned by 180 degrees
};

// The simulated hardware of a guiding run: the camera head with its guide head, the mount on
// the camera's guide outputs and telescope serial port (the sky following it), and the AO unit
// on another camera serial port, tilting the guide image and bumping the mount. The guide
// outputs reach the AO unit's pulse input while the program is in AO pulse mode, else the
// mount's autoguider socket.
class GuidingRig final : public scope::CameraLink {
 public:
  GuidingRig(port::Clock& clock, GuidingRigOptions options = {});
  ~GuidingRig() override;

  // Makes `program` discover the simulated camera and reach the mount and the AO unit.
  bool attach(acquire::Program& program);

  SimulatedDevices& devices() { return devices_; }
  SimulatedMount& mount() { return mount_; }
  SimulatedAoUnit& ao() { return ao_; }

  // Where a fixed star has moved on the guide image since the last markReference(), in guide
  // pixels: the truth the guiding is measured against.
  void markReference();
  double starOffsetX();
  double starOffsetY();

  // --- scope::CameraLink ---
  void sendSerial(int portIndex, std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> readSerial(int portIndex, int count) override;
  void setGuideOutputs(std::uint8_t bits) override { guideLines_.guideOutputsChanged(bits); }
  bool connectCamera() override { return true; }

 private:
  void starOffset(double& x, double& y);

  GuidingRigOptions options_;
  SimulatedDevices devices_;
  SimulatedMount mount_;
  SimulatedAoUnit ao_;
  AoMountLine guideLines_;
  acquire::Program* program_ = nullptr;
  double referenceX_ = 0.0;
  double referenceY_ = 0.0;
};

}  // namespace nvk::sim
