#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "camera/devices.h"
#include "port/clock.h"
#include "port/device_enumerator.h"
#include "sim/camera_head.h"
#include "sim/filter_wheel.h"
#include "sim/sky.h"
#include "sim/transport_log.h"

namespace nvk::sim {

struct SimulationOptions {
  SkyOptions sky;
  CameraHeadOptions camera;
  int filterPositions = 7;
  bool cameraPresent = true;
  bool filterWheelPresent = true;
  // The camera channel takes the real camera's time to deliver a reply (a full frame in about
  // 4.5 s) and answers on a worker thread meanwhile; off, every reply is there at once.
  bool downloadTime = false;
};

// The real camera's delivery rate: a full high-resolution frame in 4.5 s.
inline constexpr std::size_t kDownloadBytesPerSecond = camera::kTransferBytesPerSecond;
// The milliseconds a reply of `bytes` takes at that rate.
constexpr std::uint32_t downloadMs(std::size_t bytes) {
  return camera::transferMs(bytes);
}

// The simulated hardware as discovery sees it: one camera-driver interface (the camera head
// with its guide head) and one HID interface (the filter wheel), all looking at one sky and
// running on the given clock. Every transfer is logged.
class SimulatedDevices final : public port::DeviceEnumerator {
 public:
  // The device paths the simulated interfaces are listed under.
  static std::string cameraPath();
  static std::string wheelPath();

  explicit SimulatedDevices(port::Clock& clock, SimulationOptions options = {});
  ~SimulatedDevices() override;

  Sky& sky() { return sky_; }
  SimulatedCameraHead& camera() { return camera_; }
  SimulatedFilterWheel& filterWheel() { return wheel_; }
  TransportLog& log() { return log_; }
  port::Clock& clock() { return clock_; }

  // Pulls the camera's USB cable out (false) or plugs it back in (true), from any thread.
  // Unplugged, discovery no longer lists the camera and every transfer on a channel opened
  // before fails as on a vanished USB device; such a channel stays dead once the camera is
  // back, so the program must look for the camera again.
  void setCameraPlugged(bool plugged);
  bool cameraPlugged() const { return cameraPlugged_.load(); }
  // Whether the camera channel takes the real camera's time to deliver (the option
  // downloadTime), from the next command on.
  void setDownloadTime(bool on) { downloadTime_.store(on); }
  bool downloadTime() const { return downloadTime_.load(); }
  // The number of times the camera was plugged back in; a channel opened earlier is dead.
  int plugCount() const { return plugCount_.load(); }

  std::optional<std::vector<port::PresentInterface>> presentInterfaces(
      port::InterfaceClass cls) override;
  std::unique_ptr<port::CameraTransport> openCamera(const std::string& devicePath) override;
  std::unique_ptr<port::FilterWheelTransport> openFilterWheel(
      const std::string& devicePath) override;
  port::OsVersion osVersion() override { return {}; }

 private:
  port::Clock& clock_;
  SimulationOptions options_;
  Sky sky_;
  SimulatedCameraHead camera_;
  SimulatedFilterWheel wheel_;
  TransportLog log_;
  int openCount_ = 0;
  std::atomic<bool> cameraPlugged_{true};
  std::atomic<int> plugCount_{0};
  std::atomic<bool> downloadTime_;
};

}  // namespace nvk::sim
