#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port/camera_transport.h"
#include "port/device_enumerator.h"

struct libusb_context;

namespace nvk::platform {

// The camera channel on libusb-1.0: the camera head's vendor-defined interface with one bulk
// OUT endpoint (command blocks) and one bulk IN endpoint (replies and frames).

// The present USB devices with the camera's vendor id and a vendor-defined interface, with
// paths of the form "usb:vid_XXXX&pid_XXXX#bus_BBB&address_AAA"; nullopt when the device list
// cannot be read.
std::optional<std::vector<port::PresentInterface>> listUsbCameraInterfaces(libusb_context* context);

// Opens and claims the camera interface of the device `devicePath` names; nullptr on failure.
std::unique_ptr<port::CameraTransport> openUsbCamera(libusb_context* context,
                                                     const std::string& devicePath);

// Time-outs sized to a transfer: a fixed allowance (a read also covers an exposure the camera
// times itself, up to a second) plus the time the bytes take at a slow full-speed rate.
unsigned usbWriteTimeoutMs(std::size_t bytes);
unsigned usbReadTimeoutMs(std::size_t bytes);

}  // namespace nvk::platform
