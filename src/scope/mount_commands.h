#pragma once

namespace nvk::core {
class Program;
}

namespace nvk::scope {

enum class ConnectResult { Connected, CameraNotFound };

// The connection step shared by Telescope Control and Start Auto-Guiding: loads the settings,
// (Telescope Control only) makes sure a camera is attached, takes the telescope port index.
// Runs once per program run. What it connects is the mount the settings chose
// (chosenMount in mount_factory.h).
ConnectResult ConnectTelescope(core::Program& program, bool telescopeControl);

}  // namespace nvk::scope
