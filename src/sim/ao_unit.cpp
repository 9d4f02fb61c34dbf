#include "sim/ao_unit.h"

#include <cstdlib>

namespace nvk::sim {
namespace {

constexpr std::size_t kNumberedCommandBytes = 7;

}  // namespace

SimulatedAoUnit::SimulatedAoUnit(SimulatedCameraHead& camera, double stepsPerPixel,
                                 std::function<void(char, int)> bumpMount)
    : camera_(camera), stepsPerPixel_(stepsPerPixel), bumpMount_(std::move(bumpMount)) {}

void SimulatedAoUnit::receive(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (pending_.empty() && byte != 'G' && byte != 'M' && byte != 'K' && byte != 'H') continue;
    pending_.push_back(static_cast<char>(byte));
    const char command = pending_[0];
    const bool complete =
        command == 'K' || command == 'H' || pending_.size() == kNumberedCommandBytes;
    if (!complete) continue;
    execute(pending_);
    pending_.clear();
  }
}

std::vector<std::uint8_t> SimulatedAoUnit::transmit(std::size_t maxBytes) {
  const std::size_t n = std::min(maxBytes, reply_.size());
  std::vector<std::uint8_t> out(reply_.begin(), reply_.begin() + static_cast<long>(n));
  reply_.erase(reply_.begin(), reply_.begin() + static_cast<long>(n));
  return out;
}

void SimulatedAoUnit::execute(const std::string& command) {
  commands_.push_back(command);
  switch (command[0]) {
    case 'H':
      reply_.push_back('H');
      return;
    case 'K':
      upDown_ = 0;
      leftRight_ = 0;
      applyTilt();
      return;
    default:
      break;
  }
  const int number = std::atoi(command.c_str() + 2);
  const char direction = command[1];
  if (command[0] == 'M') {
    if (bumpMount_) bumpMount_(direction, number);
    return;
  }
  switch (direction) {
    case 'N':
      upDown_ += number;
      break;
    case 'S':
      upDown_ -= number;
      break;
    case 'T':
      leftRight_ += number;
      break;
    case 'W':
      leftRight_ -= number;
      break;
    default:
      return;
  }
  applyTilt();
}

void SimulatedAoUnit::applyTilt() {
  // A positive view shift moves the stars towards smaller coordinates.
  camera_.setGuideShift(leftRight_ / stepsPerPixel_, -upDown_ / stepsPerPixel_);
}

}  // namespace nvk::sim
