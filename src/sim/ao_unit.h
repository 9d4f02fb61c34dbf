#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sim/camera_head.h"

namespace nvk::sim {

// The simulated AO unit on a camera serial port (or a pseudo-terminal). It takes the commands
// 'G' + direction + five digits (tilt the guide-head image by that many steps: 'W' moves the
// star towards larger x, 'T' smaller x, 'N' larger y, 'S' smaller y), 'M' + mount letter +
// five digits (a mount move of that many milliseconds through its own guide outputs, passed to
// `bumpMount`), 'K' (back to the centre) and 'H' (answers 'H').
class SimulatedAoUnit final : public SerialPortDevice {
 public:
  // `stepsPerPixel`: AO steps per guide pixel of tilt.
  SimulatedAoUnit(SimulatedCameraHead& camera, double stepsPerPixel,
                  std::function<void(char, int)> bumpMount);

  void receive(std::span<const std::uint8_t> bytes) override;
  std::vector<std::uint8_t> transmit(std::size_t maxBytes) override;

  int upDown() const { return upDown_; }
  int leftRight() const { return leftRight_; }
  // Every command taken, as text.
  const std::vector<std::string>& commands() const { return commands_; }

 private:
  void execute(const std::string& command);
  void applyTilt();

  SimulatedCameraHead& camera_;
  double stepsPerPixel_;
  std::function<void(char, int)> bumpMount_;
  std::string pending_;
  std::vector<std::uint8_t> reply_;
  std::vector<std::string> commands_;
  int upDown_ = 0;
  int leftRight_ = 0;
};

}  // namespace nvk::sim
