#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "port/clock.h"
#include "sim/camera_head.h"

namespace nvk::sim {

// The simulated AO unit. On its serial line (a camera serial port, or the PC port through a
// pseudo-terminal) it takes the commands 'G' + direction + five digits (tilt the guide-head
// image by that many steps: 'W' moves the star towards larger x, 'T' smaller x, 'N' larger y,
// 'S' smaller y), 'M' + mount letter + five digits (a mount move of that many milliseconds
// through its own guide outputs, passed to `bumpMount`), 'K' (back to the centre) and 'H'
// (answers 'H'). LX200 text (':' up to '#') on the line is the mount's and is skipped, so the
// unit can share a line with the mount.
//
// Its pulse input takes the four guide lines as the program drives them in AO pulse mode,
// active low (15 = all released): while exactly one line is held low the unit moves one step
// per millisecond that way (east 7, north 11, south 13, west 14, as a 'G' command of that many
// steps would); all four low (0) takes it back to the centre; any other pattern holds it.
class SimulatedAoUnit final : public SerialPortDevice, public GuideOutputListener {
 public:
  // The unit's pulse input moves this many steps per millisecond a line is held.
  static constexpr double kPulseStepsPerMs = 1.0;

  // `stepsPerPixel`: AO steps per guide pixel of tilt.
  SimulatedAoUnit(port::Clock& clock, SimulatedCameraHead& camera, double stepsPerPixel,
                  std::function<void(char, int)> bumpMount);

  // --- the serial line ---
  void receive(std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> transmit(std::size_t maxBytes) override;

  // --- the pulse input ---
  void guideOutputsChanged(std::uint8_t bits) override;

  // Mounts the unit turned by half a turn on the guide head: each move tilts the image the
  // other way (a 'W' move shifts the star towards smaller x, and so on).
  void setRotatedHalfTurn(bool rotated);

  // The position in steps (pulse moves included, rounded to whole steps).
  int upDown() const;
  int leftRight() const;
  // Every serial command taken, as text.
  const std::vector<std::string>& commands() const { return commands_; }

 private:
  void execute(const std::string& command);
  void applyTilt();

  port::Clock& clock_;
  SimulatedCameraHead& camera_;
  double stepsPerPixel_;
  bool rotatedHalfTurn_ = false;
  std::function<void(char, int)> bumpMount_;
  bool inMountText_ = false;
  std::string pending_;
  std::vector<std::uint8_t> reply_;
  std::vector<std::string> commands_;
  double upDown_ = 0.0;
  double leftRight_ = 0.0;
  std::uint8_t lines_ = 0x0F;
  std::uint32_t linesSinceMs_ = 0;
};

// One serial line and one set of guide lines shared by the AO unit and the mount, as when both
// hang off the same port: text goes to both (each takes its own commands), while bytes 0..15
// on the line and the guide lines go to the AO unit's pulse input when `pulsesToAo` says the
// guide cable is plugged into it (AO pulse mode), else to the mount's autoguider socket.
class AoMountLine final : public SerialPortDevice, public GuideOutputListener {
 public:
  AoMountLine(SimulatedAoUnit& ao, SerialPortDevice& mountLine, GuideOutputListener& mountSocket,
              std::function<bool()> pulsesToAo);

  void receive(std::span<const std::uint8_t> bytes) override;
  // The AO unit's answer first, then the mount's.
  std::vector<std::uint8_t> transmit(std::size_t maxBytes) override;
  void guideOutputsChanged(std::uint8_t bits) override;

 private:
  SimulatedAoUnit& ao_;
  SerialPortDevice& mountLine_;
  GuideOutputListener& mountSocket_;
  std::function<bool()> pulsesToAo_;
};

}  // namespace nvk::sim
