#include "camera/usb_camera.h"

#include "camera/discovery.h"
#include "camera/program.h"
#include "camera/protocol.h"

namespace nvk::camera {

int UsbCamera::connect() {
  return OpenCamera(program_);
}

bool UsbCamera::connected() const {
  return program_.devices.cameraConnected;
}

int UsbCamera::connectFilterWheel() {
  return OpenFilterWheel(program_);
}

void UsbCamera::disconnect() {
  CloseDevices(program_);
}

FirmwareVersion UsbCamera::readFirmware() {
  ReadFirmwareVersion(program_);
  return program_.devices.firmware;
}

int UsbCamera::applyCooler() {
  return SetCooling(program_);
}

int UsbCamera::readTemperature() {
  return ReadCoolerTemperature(program_);
}

bool UsbCamera::flush() {
  return ClearSensor(program_, kClearFlush);
}

bool UsbCamera::startExposure() {
  return ClearSensor(program_, kClearStart);
}

bool UsbCamera::readFrame(image::ReadoutMode mode, std::int32_t exposureMs, int centreX,
                          int centreY) {
  return ReadImageForMode(program_, mode, exposureMs, centreX, centreY);
}

void UsbCamera::focusExposure(const FocusRequest& request, const ExposureWait& wait) {
  FocusExposure(program_, request.count, request.unit, request.left, request.top, request.binned,
                wait);
}

FocusMeasurement UsbCamera::measuredFocusExposure(const FocusRequest& request) {
  FocusExposureMeasured(program_, request.count, request.unit, request.left, request.top,
                        request.binned);
  return program_.devices.focus;
}

void UsbCamera::setGuideOutputs(std::uint8_t bits) {
  SetGuideOutputs(program_, bits);
}

bool UsbCamera::writeSerial(int port, std::span<const std::uint8_t> bytes) {
  return WriteSerial(program_, port, bytes);
}

std::span<const std::uint8_t> UsbCamera::readSerial(int port, int count) {
  return ReadSerial(program_, port, count);
}

void UsbCamera::selectFilter(int n) {
  SelectFilter(program_, n);
}

bool UsbGuideHead::flush(int lines) {
  return FlushGuideHead(program_, lines);
}

bool UsbGuideHead::readFrame(bool binned) {
  return ReadGuideHead(program_, binned);
}

}  // namespace nvk::camera
