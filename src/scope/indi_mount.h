#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "port/indi_client.h"
#include "scope/mount.h"
#include "scope/sky_positions.h"

namespace nvk::scope {

class Program;

// Where the INDI mount is: the server and the device names (an empty focuser: none).
struct IndiAddress {
  std::string host = "localhost";
  int port = 7624;
  std::string mount = "Telescope Simulator";
  std::string focuser;
  bool operator==(const IndiAddress&) const = default;
};

// "HOST:PORT[,MOUNT[,FOCUSER]]", as the tool's --indi takes it; a missing mount keeps the
// default. nullopt when the host or the port (1..65535) is missing or malformed.
std::optional<IndiAddress> parseIndiAddress(std::string_view text);

// The element of TELESCOPE_SLEW_RATE for a Move Telescope rate. Drivers list their rates
// slowest first, so Guide takes the first, Slew the last, and Centre and Find the ones a
// third and two thirds of the way up. Empty when the property has no elements.
std::string slewRateElement(MoveRate rate, const port::IndiProperty& slewRates);

// The focuser steps of a focus button held `heldMs`: 200 steps a second fast, 20 slow (at
// least one step).
int focusSteps(FocusSpeed speed, std::uint32_t heldMs);

// A mount (and optionally a focuser) run by an INDI driver, reached through an INDI server.
// Every call happens on the program's thread: the client queues what the server says, and the
// calls that wait (a guide pulse until the mount reports it done, a GoTo until the mount
// answers the slew request, the devices at connection) take the queue on the program's clock,
// dispatching the window's events, until the answer comes or a time-out passes. The server is
// reached on first use; a failure (no server, a device missing, the server gone) shows
// "Sorry. No Connection to Telescope" with the reason in the second info line, and the next
// call tries again.
//
// GoTo: a Messier object (its J2000 position carried to the date), a planet (computed for the
// date) or typed J2000 coordinates (carried to the date) go to the mount as ON_COORD_SET =
// TRACK and then EQUATORIAL_EOD_COORD; CNGC numbers need a mount's own catalogue and are
// refused. Moves: TELESCOPE_SLEW_RATE and TELESCOPE_MOTION_NS/WE. Pulses:
// TELESCOPE_TIMED_GUIDE_NS/WE, or the camera's guide outputs for a mount without them.
// Focuser: FOCUS_MOTION, then the steps of the time the button was held as
// REL_FOCUS_POSITION (or that time as FOCUS_TIMER).
class IndiMount final : public Mount {
 public:
  IndiMount(Program& program, std::unique_ptr<port::IndiClient> client, IndiAddress address);
  ~IndiMount() override;

  void guidePulse(Direction direction, int durationMs) override;
  void startMove(Direction direction, MoveRate rate) override;
  void stopMove() override;
  GoToReply goTo(const GoToTarget& target) override;
  MountStatus startFocus(FocusDirection direction, FocusSpeed speed) override;
  void stopFocus() override;
  const InfoLines& infoLines() const override;
  bool goToAvailable() const override { return true; }
  bool focuserAvailable() const override { return !address_.focuser.empty(); }
  bool checksLinesBeforeTraining() const override { return false; }
  bool reachedThroughCamera(bool pulses) const override;

  // Reaches the server and the devices now, when not already connected; false (with the
  // message shown) when that failed.
  bool connect();
  const IndiAddress& address() const { return address_; }
  // Takes what the server has said since the last look.
  void poll();
  // The last report of a property; nullptr when the server has not defined it.
  const port::IndiProperty* property(const std::string& device, const std::string& name) const;
  // Where the mount last said it points (EQUATORIAL_EOD_COORD), after a poll; none before the
  // server has been reached (this call does not reach it).
  std::optional<EquatorialPosition> reportedPosition() override;
  // True while the mount reports a slew under way.
  bool slewing() override;
  // Waits until a property of `device` is no longer busy (the mount's coordinates at the end of
  // a slew, the focuser's position at the end of a move) or `timeoutMs` passes; true when it
  // came to rest.
  bool waitWhileBusy(const std::string& device, const std::string& name, std::uint32_t timeoutMs);
  // Waits for the next report of a property that is not busy (the answer to what was last
  // sent to it) or until `timeoutMs` passes; the state reported, nullopt without one.
  std::optional<port::IndiState> awaitAnswer(const std::string& device, const std::string& name,
                                             std::uint32_t timeoutMs);
  // The absolute focuser position, when the focuser reports one.
  std::optional<double> focuserPosition();
  // Sets number elements of one mount property (GUIDE_RATE, say) and waits for the answer;
  // false without an Ok answer.
  bool setMountNumbers(const std::string& property, const std::map<std::string, double>& values);

 private:
  using Watch = std::function<void(const port::IndiProperty&)>;
  void apply(const port::IndiEvent& event);
  bool waitUntil(const std::function<bool()>& done, std::uint32_t timeoutMs);
  void fail(std::string reason);
  void resolveTarget(const GoToTarget& target, std::optional<EquatorialPosition>& position,
                     std::string& name);

  Program& program_;
  std::unique_ptr<port::IndiClient> client_;
  IndiAddress address_;
  bool connected_ = false;
  std::map<std::pair<std::string, std::string>, port::IndiProperty> properties_;
  std::map<std::string, std::string> lastMessage_;
  // Called for every property report while a call waits for one.
  Watch watch_;
  // The object line of the GoTo under way, to which its arrival is added.
  std::string slewObject_;
  bool slewAnswered_ = false;
  // The focus move under way: its direction, speed and start.
  FocusSpeed focusSpeed_ = FocusSpeed::Slow;
  std::uint32_t focusStartMs_ = 0;
};

}  // namespace nvk::scope
