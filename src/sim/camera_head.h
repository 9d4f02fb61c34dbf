#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "port/camera_transport.h"
#include "port/clock.h"
#include "sim/sky.h"

namespace nvk::sim {

// Where the mount simulator listens to the camera's guide outputs (command 9).
class GuideOutputListener {
 public:
  virtual ~GuideOutputListener() = default;
  virtual void guideOutputsChanged(std::uint8_t bits) = 0;
};

// A device on one of the camera's serial ports (commands 10 and 11): the AO unit, a serial
// filter wheel or a mount.
class SerialPortDevice {
 public:
  virtual ~SerialPortDevice() = default;
  // Bytes the camera passes on from the program.
  virtual void receive(std::span<const std::uint8_t> bytes) = 0;
  // Up to `maxBytes` bytes the device has to say.
  virtual std::vector<std::uint8_t> transmit(std::size_t maxBytes) = 0;
};

struct CameraHeadOptions {
  std::uint16_t firmwareMajor = 2;
  std::uint16_t firmwareMinor = 12;
  double ambientC = 20.0;
  double maxCoolingDeltaC = 45.0;      // how far below ambient the cooler can reach
  double coolingTimeConstantS = 60.0;  // the cooler closes 63 % of the gap in this time
  // The guide head: its pixel scale (sky pixels per guide pixel), rotation against the main
  // sensor, and where its pixel (0, 0) sits relative to the main sensor's, in sky pixels.
  double guideScale = 2.0;
  double guideAngle = 0.0;
  double guideOffsetX = 1000.0;
  double guideOffsetY = -800.0;
};

// Sensor pixel (row, column) of a test pattern (main sensor: 2016 x 3032).
using TestPattern = std::function<std::uint16_t(int row, int column)>;

// The simulated camera head. It reads each command block as the camera does and answers with
// exactly the bytes of the camera: readouts of the main sensor (lines of 2 x 2 cells in the order
// top-left, bottom-left, bottom-right, top-right, binned by summing `binX` samples of `binY`
// lines, for any offset and size), the guide head (500 x 290, one byte per pixel), the cooler
// approaching its set-point, the firmware version, the guide outputs and the serial ports.
class SimulatedCameraHead {
 public:
  static constexpr int kSensorColumns = 3032;
  static constexpr int kSensorRows = 2016;
  static constexpr int kGuideColumns = 500;
  static constexpr int kGuideRows = 290;

  SimulatedCameraHead(Sky& sky, port::Clock& clock, CameraHeadOptions options = {});

  // The channel.
  port::TransferResult write(std::span<const std::uint8_t> block);
  port::TransferResult read(std::span<std::uint8_t> buffer);
  // The same exchange with the head's time held at `atMs` instead of the clock's: a
  // camera-timed exposure moves only the held time. A channel that answers on a worker thread
  // uses it, so that the head never waits on (or races) the program's clock. Returns the
  // reply's result and the held time at its end.
  struct HeldExchange {
    port::TransferResult result;
    std::uint32_t endMs = 0;
  };
  HeldExchange exchangeAt(std::uint32_t atMs, std::span<const std::uint8_t> block,
                          std::span<std::uint8_t> buffer);

  // Hooks for the mount and AO simulators.
  void attachGuideOutputs(GuideOutputListener* listener) { guideListener_ = listener; }
  void attachSerialPort(int port, SerialPortDevice* device);
  // The AO unit's tilt of the guide-head image, in guide pixels.
  void setGuideShift(double dx, double dy) {
    guideShiftX_ = dx;
    guideShiftY_ = dy;
  }

  // Replaces the sky on the main sensor by a fixed pattern (noise-free), for tests.
  void setTestPattern(TestPattern pattern) { pattern_ = std::move(pattern); }
  // Firmware version the head reports.
  void setFirmware(std::uint16_t major, std::uint16_t minor) {
    options_.firmwareMajor = major;
    options_.firmwareMinor = minor;
  }

  // State the tests and the other simulators look at.
  double temperatureC();
  double setPointC() const { return setPointC_; }
  bool coolerOn() const { return coolerOn_; }
  std::uint8_t guideOutputs() const { return guideOutputs_; }
  const Sky& sky() const { return sky_; }
  Sky& sky() { return sky_; }
  // Exposure time of the last main-sensor and guide-head readouts, in milliseconds.
  std::uint32_t lastExposureMs() const { return lastExposureMs_; }
  std::uint32_t lastGuideExposureMs() const { return lastGuideExposureMs_; }
  const CameraHeadOptions& options() const { return options_; }
  SkyView guideView() const;

 private:
  void readMain(std::span<const std::uint8_t> block, bool cameraTimed);
  void readGuide(std::span<const std::uint8_t> block);
  void coolerReply();
  void updateCooler();
  void setReply(std::size_t bytes);
  // The head's time: the clock's, or the held time of exchangeAt().
  std::uint32_t nowMs();
  void waitMs(std::uint32_t ms);

  Sky& sky_;
  port::Clock& clock_;
  CameraHeadOptions options_;
  TestPattern pattern_;
  GuideOutputListener* guideListener_ = nullptr;
  std::array<SerialPortDevice*, 4> serialDevices_{};

  std::vector<std::uint8_t> reply_;  // room for the largest reply, allocated once
  std::size_t replyBytes_ = 0;
  std::vector<std::uint16_t> region_;  // rendered sensor region
  std::uint64_t frameNumber_ = 0;

  std::uint32_t mainStartMs_ = 0;
  std::uint32_t guideStartMs_ = 0;
  std::uint32_t lastExposureMs_ = 0;
  std::uint32_t lastGuideExposureMs_ = 0;
  std::uint8_t guideOutputs_ = 0;
  double guideShiftX_ = 0.0;
  double guideShiftY_ = 0.0;

  double temperature_;
  double setPointC_ = -40.0;
  bool coolerOn_ = false;
  std::uint32_t coolerUpdatedMs_;
  std::optional<std::uint32_t> heldMs_;
};

}  // namespace nvk::sim
