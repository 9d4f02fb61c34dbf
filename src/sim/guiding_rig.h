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

// The sky scale of the guiding runs' sensor, in arc-seconds per pixel.
inline constexpr double kGuidingArcsecPerPixel = 2.0;

// The simulated sky and mount that guiding is tried on, by the tool's guide runs and by a
// simulated session that asks for them: on the equator (R.A. moves are not shortened by
// cos Dec.), 2 arcsec per main-sensor pixel with the guide head seeing two sky pixels per
// pixel, stars about 2.5 pixels across, a mount drifting 1 main pixel per minute on each axis
// with 4 pixels of periodic error over 8 minutes and 4 pixels of Dec. play. Its guide rate
// (15 arcsec per second) is 7.5 pixels per second on the sensor guided on. The sky's pixels
// are the guide head's own (1 arcsec) when `guideHead`, else the main sensor's; the guide
// head is turned by `cameraDegrees` against the sky.
GuidingRigOptions guidingSimulation(double cameraDegrees, bool guideHead);

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
