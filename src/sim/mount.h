#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "port/clock.h"
#include "sim/camera_head.h"
#include "sim/mount_catalogue.h"

namespace nvk::sim {

// Sidereal rate in arcseconds of axis angle per second.
inline constexpr double kSiderealArcsecPerSecond = 15.041;

// The physics of the simulated mount.
struct MountOptions {
  // Where and when: the site's latitude and its local sidereal time as the mount starts.
  double latitudeDegrees = 52.0;
  double siderealTimeAtStartHours = 2.0;
  SkyPosition start{2.0, 52.0};
  // Axis rates of "#:RG#", "#:RC#", "#:RM#" (arcsec per second) and of a slew (degrees per
  // second). The guide-output lines always move at the guide rate.
  double guideRate = kSiderealArcsecPerSecond;
  double centreRate = 8 * kSiderealArcsecPerSecond;
  double findRate = 64 * kSiderealArcsecPerSecond;
  double slewDegreesPerSecond = 4.0;
  // Play in the Dec. gears: after a reversal the motor turns this far before the telescope
  // follows.
  double decBacklashArcsec = 20.0;
  // Tracking errors: a slow drift on both axes (polar misalignment) and the worm's periodic
  // error in R.A. (amplitude, so peak to peak is twice this).
  double raDriftArcsecPerSecond = 0.05;
  double decDriftArcsecPerSecond = -0.02;
  double periodicErrorArcsec = 8.0;
  double periodicErrorPeriodSeconds = 480.0;
  // Focuser speeds of "#:FF#" and "#:FS#", in steps per second.
  double focuserFastStepsPerSecond = 200.0;
  double focuserSlowStepsPerSecond = 20.0;
};

// A command the mount took, and when.
struct MountCommand {
  std::uint32_t atMs;
  std::string text;  // between ':' and '#', e.g. "Me", "LM 0031", "Sr 23:59.0"
  bool operator==(const MountCommand&) const = default;
};

// A Meade LX200 mount with its focuser and an autoguider socket, on the program's clock. It
// takes LX200 commands as bytes on its serial line (":" ... "#", a '#' also ending a command
// that came without one), answers on the same line, and turns at the selected rate while a
// move is held, at the guide rate while a guide-output line is held, and at slew speed to a
// GoTo target, answering "#:D#" with distance bars until the slew has arrived. Its pointing carries
// Dec. backlash, a slow drift and periodic error. Bytes 0..15 on the line, which no LX200 command
// contains, are taken as the autoguider socket's lines (a relay box on the same port). It plugs
// into the simulated camera heads serial port and guide outputs as it does into a pseudo-terminal.
class SimulatedMount final : public SerialPortDevice, public GuideOutputListener {
 public:
  SimulatedMount(port::Clock& clock, MountOptions options = {});

  // --- the serial line ---
  void receive(std::span<const std::uint8_t> bytes) override;
  // Takes up to `maxBytes` of what the mount has said.
  std::vector<std::uint8_t> transmit(std::size_t maxBytes) override;
  std::size_t pendingReplyBytes() const { return reply_.size(); }

  // --- the guide-output lines: west 1, south 2, north 4, east 8 ---
  void guideOutputsChanged(std::uint8_t bits) override;
  std::uint8_t guideOutputs() const { return socketBits_; }

  // --- state, brought up to the clock's present ---
  SkyPosition pointing();
  bool slewing();
  double focuserPosition();
  // The target that "#:MS#" slews to.
  const SkyPosition& target() const { return target_; }
  // Where the axes stood when the mount last started tracking: at the start, where a GoTo
  // landed, or where a slew was stopped.
  const SkyPosition& trackingOrigin() const { return trackingOrigin_; }
  // Every command taken, in order.
  const std::vector<MountCommand>& commands() const { return commands_; }
  const MountOptions& options() const { return options_; }

  // The altitude of `position` above the horizon now, in degrees.
  double altitudeDegrees(const SkyPosition& position);

  // A guide-rate move of `ms` milliseconds in direction 'N', 'S', 'T' (east) or 'W' done at
  // once: the mount bump an AO unit sends through its own guide outputs.
  void bump(char direction, int ms);

 private:
  void advance();
  void execute(const std::string& command);
  void say(std::string_view text);
  double rateOfSelection() const;
  // The tracking errors since the last GoTo landed, in arcsec: R.A. and Dec.
  double raErrorArcsec(double seconds) const;
  double decErrorArcsec(double seconds) const;
  void moveDecMotor(double arcsec);
  void startSlew();

  port::Clock& clock_;
  MountOptions options_;
  std::uint32_t lastMs_;
  double seconds_ = 0.0;  // since the mount started

  // Axis positions in arcsec of axis angle, without the tracking errors.
  double raAxis_;
  double decAxis_;
  // Where the Dec. motor sits in the gear play: 0 pushing south .. backlash pushing north.
  double decPlay_;
  double errorOriginSeconds_ = 0.0;

  char rate_ = 'S';             // S, M, C or G
  std::uint8_t heldMoves_ = 0;  // LX200 moves, as socket bits
  std::uint8_t socketBits_ = 0;

  bool slewing_ = false;
  double slewStartSeconds_ = 0.0;
  double slewSeconds_ = 0.0;
  double slewFromRa_ = 0.0, slewFromDec_ = 0.0, slewRaDelta_ = 0.0, slewDecDelta_ = 0.0;

  double focuser_ = 0.0;
  int focuserDirection_ = 0;
  bool focuserFast_ = false;

  SkyPosition target_;
  SkyPosition trackingOrigin_;
  std::string objectText_;

  bool inCommand_ = false;
  std::string command_;
  std::deque<std::uint8_t> reply_;
  std::vector<MountCommand> commands_;
};

}  // namespace nvk::sim
