#pragma once

#include <cstdint>

namespace nvk::camera {

// The USB ids the program looks for: the camera head on the camera driver's interface, and the
// filter wheel among the HID devices. Discovery compares them as the 4-digit hexadecimal texts
// found after "vid_" and "pid_" in a device path. The ids are written with decimal digits only
// so that the texts read the same in either letter case.
inline constexpr std::uint16_t kCameraVendorId = 0x1209;
inline constexpr std::uint16_t kCameraProductId = 0x7517;
// The wheel comes from the same maker as the camera.
inline constexpr std::uint16_t kFilterWheelVendorId = kCameraVendorId;
inline constexpr std::uint16_t kFilterWheelProductId = 0x7518;

// The camera head exposes its byte-stream channel as a vendor-defined interface.
inline constexpr std::uint8_t kCameraInterfaceClass = 0xFF;

}  // namespace nvk::camera
