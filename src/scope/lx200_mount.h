#pragma once

#include <optional>
#include <string_view>

#include "scope/mount.h"

namespace nvk::scope {

class Program;

// The LX200 command of a move rate ("#:RS#" Slew, "#:RM#" Find, "#:RC#" Centre, "#:RG#"
// Guide) and of a focus speed ("#:FF#" Fast, "#:FS#" Slow).
std::string_view lx200RateCommand(MoveRate rate);
std::string_view lx200FocusSpeedCommand(FocusSpeed speed);

// The position in an LX200's answers to "#:GR#" and "#:GD#" (without the '#'), in either
// precision the mount is set to: "HH:MM.T" or "HH:MM:SS" hours; "sDD*MM" or "sDD*MM:SS" degrees,
// the mount's degree sign (0xDF), '*' or ':' after the degrees. nullopt for anything else.
std::optional<double> lx200RaHours(std::string_view answer);
std::optional<double> lx200DecDegrees(std::string_view answer);

// A mount that takes LX200 commands, on the serial route that SerialRoute names: the PC COM
// port, or the camera serial port the telescope is set to (serial_link.h). The two routes
// differ only in how a reply is read: the PC port gives whatever has arrived, the camera
// port the bytes asked for. The held-arrow flags and the info lines live in the program's
// TelescopeState.
class Lx200Mount final : public Mount {
 public:
  explicit Lx200Mount(Program& program) : program_(program) {}

  // "#:RG#", 20 ms, the move, the duration, the quit, 4 ms.
  void guidePulse(Direction direction, int durationMs) override;
  // The rate command and the move, once per held arrow; the stop quits all four directions.
  void startMove(Direction direction, MoveRate rate) override;
  void stopMove() override;
  GoToReply goTo(const GoToTarget& target) override;
  MountStatus startFocus(FocusDirection direction, FocusSpeed speed) override;
  void stopFocus() override;
  const InfoLines& infoLines() const override;
  // "#:GR#" and "#:GD#", each answer awaited once for the line's answer time; no question
  // after an unanswered one.
  std::optional<EquatorialPosition> reportedPosition() override;
  // "#:D#": the scope answers a bar for the distance still to go while it slews, and an empty
  // text ('#' alone) when it has arrived; no answer counts as arrived.
  bool slewing() override;

  bool goToAvailable() const override { return true; }
  // When the route the settings name is attached.
  bool focuserAvailable() const override;
  bool checksLinesBeforeTraining() const override { return false; }
  bool reachedThroughCamera(bool pulses) const override;

 private:
  void goToObject(const CatalogueObject& object);
  void goToCoordinates(const SkyCoordinates& position);
  // These three return false (nullopt) when the command could not be sent: a GoTo then stops
  // there, the port's failure shown once.
  bool send(std::string_view command);
  std::optional<std::string> readObjectInfo();
  bool slew();
  void readSlewReply();

  Program& program_;
};

}  // namespace nvk::scope
