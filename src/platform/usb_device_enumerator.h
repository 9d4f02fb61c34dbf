#pragma once

#include "port/device_enumerator.h"

struct libusb_context;

namespace nvk::platform {

// Discovery on this machine: the camera driver's class is the camera head's vendor-defined
// USB interface (libusb), the HID class is every hidraw device (hidapi).
class UsbDeviceEnumerator final : public port::DeviceEnumerator {
 public:
  UsbDeviceEnumerator();
  ~UsbDeviceEnumerator() override;
  UsbDeviceEnumerator(const UsbDeviceEnumerator&) = delete;
  UsbDeviceEnumerator& operator=(const UsbDeviceEnumerator&) = delete;

  std::optional<std::vector<port::PresentInterface>> presentInterfaces(
      port::InterfaceClass cls) override;
  std::unique_ptr<port::CameraTransport> openCamera(const std::string& devicePath) override;
  std::unique_ptr<port::FilterWheelTransport> openFilterWheel(
      const std::string& devicePath) override;
  // The kernel's version (major.minor of its release).
  port::OsVersion osVersion() override;

 private:
  libusb_context* context_ = nullptr;
};

}  // namespace nvk::platform
