#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port/camera_transport.h"
#include "port/filter_wheel_transport.h"

namespace nvk::port {

// The two kinds of interface discovery looks through: the camera driver's byte-stream channel
// and the system's HID devices (where the filter wheel is).
enum class InterfaceClass { CameraDriver, Hid };

// One present device interface, as the device-setup service describes it.
struct PresentInterface {
  // The path that opens it. It carries "vid_XXXX" and "pid_XXXX"; nullopt when the system
  // could not name the interface.
  std::optional<std::string> devicePath;
  // The device's own attributes and strings (UTF-16, as USB string descriptors hold them);
  // nullopt for a string that could not be read.
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::optional<std::u16string> manufacturer;
  std::optional<std::u16string> product;
};

struct OsVersion {
  int major = 0;
  int minor = 0;
};

// The list of present interfaces with their paths, ids and strings, and the means to open them,
// so that discovery runs unchanged over real USB, the simulator or a test's table of devices.
class DeviceEnumerator {
 public:
  virtual ~DeviceEnumerator() = default;

  // The interfaces of `cls` present now, in interface-index order; nullopt when the set of
  // present devices cannot be obtained at all.
  virtual std::optional<std::vector<PresentInterface>> presentInterfaces(InterfaceClass cls) = 0;
  // Opens a path listed for the camera driver (nullptr when it cannot be opened).
  virtual std::unique_ptr<CameraTransport> openCamera(const std::string& devicePath) = 0;
  // Opens a path listed for the HID class as a filter wheel (nullptr when it cannot be opened).
  virtual std::unique_ptr<FilterWheelTransport> openFilterWheel(const std::string& devicePath) = 0;
  // The operating system's version, which sets the legacy-OS flag.
  virtual OsVersion osVersion() = 0;
};

}  // namespace nvk::port
