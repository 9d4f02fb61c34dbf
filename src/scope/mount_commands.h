#pragma once

#include <cstdint>
#include <string_view>

namespace nvk::scope {
class Program;
}  // namespace nvk::scope

namespace nvk::scope {

// Texts shown when the autoguider has no drive method, and when the camera that carries the
// mount's serial route or guide outputs cannot be reached.
inline constexpr std::string_view kNoDriveMethodText =
    "Please select a telescope drive method before using autoguider";
inline constexpr std::string_view kCameraNotFoundText = "Sorry, Camera not found";

// Autoguider socket bits of the guide-output lines.
inline constexpr std::uint8_t kSocketWest = 1;
inline constexpr std::uint8_t kSocketSouth = 2;
inline constexpr std::uint8_t kSocketNorth = 4;
inline constexpr std::uint8_t kSocketEast = 8;

// The socket bit of direction letter 'e', 'w', 'n' or 's'; 0 for any other letter.
std::uint8_t guideSocketBit(char letter);

// One guide correction of `durationMs` in the direction of `letter` ('e', 'w', 'n' or 's',
// already swapped by DirectionLetters): LX200 commands when GuideOutputMode is 'l', the
// autoguider socket otherwise. Nothing is sent for any other letter.
void TimedMove(scope::Program& program, char letter, int durationMs);
void TimedMoveLx200(scope::Program& program, char letter, int durationMs);
void TimedMoveSocket(scope::Program& program, char letter, int durationMs);

// The mount's catalogues: Messier, its star list (which holds the planets) and CNGC.
enum class CatalogueKind : char { Messier = 'm', Star = 's', Cngc = 'c' };

// Selects the object, shows its information from the scope in the first info line and slews
// to it; the scope's reply to the slew (empty when it started) goes to the second line.
void GoToCatalogueObject(scope::Program& program, CatalogueKind kind, int number);
// Sets the target R.A. and Dec. and slews; the sign of the Dec. comes from `degrees`.
void GoToCoordinates(scope::Program& program, int hours, int minutes, int degrees, int arcminutes);

// The held arrows of the Move Telescope dialog. A start while already moving (auto-repeat)
// sends nothing; a stop when not moving sends nothing.
void StartMove(scope::Program& program, char letter);
void StopMove(scope::Program& program);
// `direction` '+' (focus up arrow) or '-' (down arrow).
void StartFocus(scope::Program& program, char direction);
void StopFocus(scope::Program& program);

enum class ConnectResult { Connected, CameraNotFound };

// The connection step shared by Telescope Control and Start Auto-Guiding: loads the settings,
// (Telescope Control only) makes sure a camera is attached, takes the telescope port index.
// Runs once per program run.
ConnectResult ConnectTelescope(scope::Program& program, bool telescopeControl);

}  // namespace nvk::scope
