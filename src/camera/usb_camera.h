#pragma once

#include "camera/camera.h"

namespace nvk::camera {

class Program;

// The camera over its USB command protocol (camera/protocol.h): command blocks written through
// the program's CameraTransport and replies read into the camera input buffer, found by
// discovery over the program's DeviceEnumerator. Real USB and the simulated camera head both sit
// behind the transport, so every exposure speaks the same bytes.
class UsbCamera final : public Camera {
 public:
  explicit UsbCamera(Program& program) : program_(program) {}

  int connect() override;
  bool connected() const override;
  int connectFilterWheel() override;
  void disconnect() override;
  FirmwareVersion readFirmware() override;

  int applyCooler() override;
  int readTemperature() override;

  bool flush() override;
  bool startExposure() override;
  bool readFrame(image::ReadoutMode mode, std::int32_t exposureMs, int centreX,
                 int centreY) override;

  void focusExposure(const FocusRequest& request, const ExposureWait& wait) override;
  FocusMeasurement measuredFocusExposure(const FocusRequest& request) override;

  void setGuideOutputs(std::uint8_t bits) override;
  bool writeSerial(int port, std::span<const std::uint8_t> bytes) override;
  std::span<const std::uint8_t> readSerial(int port, int count) override;
  void selectFilter(int n) override;

 private:
  Program& program_;
};

// The guide head over the same protocol: the clear and read commands for head index 1.
class UsbGuideHead final : public GuideHead {
 public:
  explicit UsbGuideHead(Program& program) : program_(program) {}

  bool flush(int lines) override;
  bool readFrame(bool binned) override;

 private:
  Program& program_;
};

}  // namespace nvk::camera
