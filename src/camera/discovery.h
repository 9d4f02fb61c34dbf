#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "camera/devices.h"

namespace nvk::camera {

class Program;

// The message texts of discovery and transport.
inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kNoPnpNodeText = "Could not attach to PnP node";
inline constexpr std::string_view kNoSystemNameText =
    "Could not find the system name for this HID device";
inline constexpr std::string_view kCannotOpenCameraText = "Could not open HID device";
inline constexpr std::string_view kCameraNotFoundText = "USB NVKIO device not found";
inline constexpr std::string_view kCannotOpenWheelText = "Could not open HID Filterwheel device";
inline constexpr std::string_view kWheelStateWriteText =
    "Could not write to USB Filterwheel - try rebooting USB device";
inline constexpr std::string_view kWriteFailedText =
    "Could not write NVKIO Output - try rebooting USB device";
inline constexpr std::string_view kNotPresentText = "- not present -";

// Camera discovery: looks through interface indexes 0..19 of the camera driver's class, opens
// the camera (the last matching index wins), fills `table`, the vid/pid texts, the connected
// and legacy-OS flags. Returns 1 when any interface of the class was enumerated, else 0.
int OpenCamera(Program& program, DeviceTable& table);
int OpenCamera(Program& program);  // into program.devices.deviceTable

// Filter-wheel discovery among the HID interfaces: opens the wheel, asks it for its state and
// lowers the filter count to the number of positions it reports. Returns 1 when any HID
// interface was enumerated, else 0.
int OpenFilterWheel(Program& program, DeviceTable& table);
int OpenFilterWheel(Program& program);  // into program.devices.wheelDeviceTable

// Closes both channels: neither device counts as connected until discovery finds it again.
void CloseDevices(Program& program);

// One write of transferLength bytes of the command buffer; one read of transferLength bytes
// into the camera input buffer. Failures are shown and reported by the result (false); a read
// that returns fewer bytes than asked counts as a failure.
bool WriteCamera(Program& program);
bool ReadCamera(Program& program);
bool WriteFilterWheel(Program& program);
bool ReadFilterWheel(Program& program);

// The four characters that start four places after `key` ("vid" or "pid") in `path`, or
// nullopt when `key` is not in it.
std::optional<std::string> idTextAfter(std::string_view path, std::string_view key);
// A UTF-16 string narrowed to the low byte of every character, at most 255 characters.
std::string narrowDeviceString(const std::u16string& text);
// `id` as four lower-case hexadecimal digits.
std::string idText(std::uint16_t id);

}  // namespace nvk::camera
