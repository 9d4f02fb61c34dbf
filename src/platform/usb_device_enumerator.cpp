#include "platform/usb_device_enumerator.h"

#include <libusb.h>
#include <sys/utsname.h>

#include <cstdio>

#include "platform/hid_filter_wheel.h"
#include "platform/usb_camera_transport.h"

namespace nvk::platform {

UsbDeviceEnumerator::UsbDeviceEnumerator() {
  if (libusb_init(&context_) != 0) context_ = nullptr;
}

UsbDeviceEnumerator::~UsbDeviceEnumerator() {
  if (context_) libusb_exit(context_);
}

std::optional<std::vector<port::PresentInterface>> UsbDeviceEnumerator::presentInterfaces(
    port::InterfaceClass cls) {
  if (cls == port::InterfaceClass::CameraDriver) return listUsbCameraInterfaces(context_);
  return listHidInterfaces();
}

std::unique_ptr<port::CameraTransport> UsbDeviceEnumerator::openCamera(
    const std::string& devicePath) {
  return openUsbCamera(context_, devicePath);
}

std::unique_ptr<port::FilterWheelTransport> UsbDeviceEnumerator::openFilterWheel(
    const std::string& devicePath) {
  return openHidFilterWheel(devicePath);
}

port::OsVersion UsbDeviceEnumerator::osVersion() {
  port::OsVersion version;
  utsname name{};
  if (uname(&name) == 0) std::sscanf(name.release, "%d.%d", &version.major, &version.minor);
  return version;
}

}  // namespace nvk::platform
