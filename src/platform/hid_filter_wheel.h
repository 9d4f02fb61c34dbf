#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port/device_enumerator.h"
#include "port/filter_wheel_transport.h"

namespace nvk::platform {

// The filter wheel on hidapi. HID interfaces are listed with paths of the form
// "hid:vid_XXXX&pid_XXXX#<hidapi path>"; nullopt when hidapi cannot start.
std::optional<std::vector<port::PresentInterface>> listHidInterfaces();

// Opens the HID device that `devicePath` names as a filter wheel; nullptr on failure. Reports
// are written whole (report id 0x00 first) and read back with the report id put in front.
std::unique_ptr<port::FilterWheelTransport> openHidFilterWheel(const std::string& devicePath);

}  // namespace nvk::platform
