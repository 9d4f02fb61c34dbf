#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "scope/sky_positions.h"

namespace nvk::scope {

class Program;

// The four ways a mount turns, named as the sky sees them.
enum class Direction : char { North = 'n', South = 's', East = 'e', West = 'w' };

// The direction of letter 'n', 's', 'e' or 'w' (as DirectionLetters gives them after the
// swaps); none for any other letter.
std::optional<Direction> directionOfLetter(char letter);

// The rates of a held move, as the Move Telescope dialog offers them.
enum class MoveRate { Slew, Find, Centre, Guide };

// The focuser: in is the focus up arrow and the camera dialog's "In", out the down arrow.
enum class FocusDirection { In, Out };
enum class FocusSpeed { Fast, Slow };

// The mount's catalogues: Messier, its star list (which holds the planets) and CNGC.
enum class CatalogueKind : char { Messier = 'm', Star = 's', Cngc = 'c' };

// A GoTo target: an object of one of the mount's catalogues, or a position as the dialog's
// edits hold it (the sign of the Dec. comes from `degrees`, so -0 degrees 30 minutes lies
// north of the equator).
struct CatalogueObject {
  CatalogueKind kind = CatalogueKind::Messier;
  int number = 0;
};
struct SkyCoordinates {
  int hours = 0;
  int minutes = 0;
  int degrees = 0;
  int arcminutes = 0;
};
using GoToTarget = std::variant<CatalogueObject, SkyCoordinates>;

// What a mount did with a request: carried it out, or cannot on this drive (the caller says
// so; nothing was sent).
enum class MountStatus { Done, NotAvailable };

// The mount's answer to a GoTo: empty when the slew started, else its reason for refusing.
struct GoToReply {
  MountStatus status = MountStatus::Done;
  std::string refusal;
};

// [0] the object information from the scope, [1] the scope's reply to a slew.
using InfoLines = std::array<std::string, 2>;

// The telescope mount, in the observer's terms. The program holds one, made by makeMount
// (mount_factory.h) from the settings; guiding, training, the Move Telescope dialogs, the
// focuser buttons and the CLI talk to it and to nothing below it.
//
// Every call returns when what it asked for is over as far as the program waits for it: a
// guide pulse when the mount has stopped moving at guide rate again (and the line has rested
// as long as the drive needs), a GoTo when the mount has answered the slew request (the slew
// itself goes on). The drives here time this on the program's clock; a drive that reports
// completion (a pulse or a slew property going idle) waits for that report instead, on the
// same clock, so the callers stay as they are.
class Mount {
 public:
  virtual ~Mount() = default;

  // Moves at guide rate toward `direction` for `durationMs` (0 or less: a pulse of no length).
  virtual void guidePulse(Direction direction, int durationMs) = 0;

  // A held move at `rate` until stopMove. Callers may repeat a start (an arrow's auto-repeat)
  // and stop when nothing moves: the drive ignores or repeats them harmlessly.
  virtual void startMove(Direction direction, MoveRate rate) = 0;
  virtual void stopMove() = 0;

  // Selects or sets the target and slews; the object information goes to infoLines()[0] and
  // the reply to the slew to infoLines()[1].
  virtual GoToReply goTo(const GoToTarget& target) = 0;

  // Moves the focuser until stopFocus; a start while focusing sends nothing.
  virtual MountStatus startFocus(FocusDirection direction, FocusSpeed speed) = 0;
  virtual void stopFocus() = 0;

  // The "Info from Scope" lines of the last GoTo.
  virtual const InfoLines& infoLines() const = 0;

  // Where the mount says it points now, in its own frame (the LX200's and INDI's frame of the
  // date); none from a drive that cannot tell (the autoguider socket) or a mount that does not
  // answer at once. Quiet and short: it shows no message and waits at most a fraction of a
  // second, so that a caller can ask as an exposure starts without delaying or failing it.
  virtual std::optional<EquatorialPosition> reportedPosition() = 0;
  // True while the mount reports that a GoTo slew is still under way. A drive that cannot slew,
  // or a mount that does not answer, counts as at rest.
  virtual bool slewing() = 0;

  // What the drive offers: GoTo (with the info lines) for the Move Telescope dialog, a
  // focuser that can be reached now for the camera dialog's buttons.
  virtual bool goToAvailable() const = 0;
  virtual bool focuserAvailable() const = 0;
  // True when the guide lines are checked with a short pulse each before the first training
  // of a run, so that a relay box that does not pass a line shows at once.
  virtual bool checksLinesBeforeTraining() const = 0;

  // True when the pulses and held moves (`pulses`), or the GoTo and focuser commands, reach
  // the mount through the camera (a camera serial port or its guide outputs) rather than the
  // PC port.
  virtual bool reachedThroughCamera(bool pulses) const = 0;
};

// Before training or guiding starts: waits while the mount's GoTo slew goes on, asking it once a
// second under a progress window that Esc or Abort closes, for at most kSlewWaitMs. True when
// the mount is at rest; false, with a message naming `what` ("Training") as not started, when
// the slew outlasted the wait or the user stopped it.
inline constexpr std::uint32_t kSlewWaitMs = 180'000;
bool waitForSlewToEnd(Program& program, std::string_view what);

// A guide pulse toward direction letter `letter` ('e', 'w', 'n' or 's', already swapped by
// DirectionLetters); nothing is sent for any other letter.
void guidePulseToward(Mount& mount, char letter, int durationMs);

}  // namespace nvk::scope
