#pragma once

#include <string_view>

namespace nvk::scope {

class Program;

// Texts shown when the autoguider has no drive method, and when the camera that carries the
// mount's serial route or guide outputs cannot be reached.
inline constexpr std::string_view kNoDriveMethodText =
    "Please select a telescope drive method before using autoguider";
inline constexpr std::string_view kCameraNotFoundText = "Sorry, Camera not found";

enum class ConnectResult { Connected, CameraNotFound };

// The connection step shared by Telescope Control and Start Auto-Guiding: loads the settings,
// (Telescope Control only) makes sure a camera is attached, takes the telescope port index.
// Runs once per program run. What it connects is the mount the settings chose
// (chosenMount in mount_factory.h).
ConnectResult ConnectTelescope(Program& program, bool telescopeControl);

}  // namespace nvk::scope
