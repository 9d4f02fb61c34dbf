#include "sim/ao_unit.h"

#include <algorithm>
#include <cmath>

#include "base/parse_int.h"

namespace nvk::sim {
namespace {

constexpr std::size_t kNumberedCommandBytes = 7;
constexpr std::uint8_t kAllLines = 0x0F;
// The guide lines: west 1, south 2, north 4, east 8.
constexpr std::uint8_t kWestLine = 1;
constexpr std::uint8_t kSouthLine = 2;
constexpr std::uint8_t kNorthLine = 4;
constexpr std::uint8_t kEastLine = 8;

bool startsCommand(std::uint8_t byte) {
  return byte == 'G' || byte == 'M' || byte == 'K' || byte == 'H';
}

}  // namespace

SimulatedAoUnit::SimulatedAoUnit(port::Clock& clock, SimulatedCameraHead& camera,
                                 double stepsPerPixel, std::function<void(char, int)> bumpMount)
    : clock_(clock),
      camera_(camera),
      stepsPerPixel_(stepsPerPixel),
      bumpMount_(std::move(bumpMount)),
      linesSinceMs_(clock.nowMs()) {}

void SimulatedAoUnit::receive(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (inMountText_) {
      inMountText_ = byte != '#';
      continue;
    }
    if (byte == ':') {
      // The mount's command: whatever the unit had begun was not for it.
      inMountText_ = true;
      pending_.clear();
      continue;
    }
    if (pending_.empty() && !startsCommand(byte)) continue;
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

void SimulatedAoUnit::guideOutputsChanged(std::uint8_t bits) {
  const std::uint32_t now = clock_.nowMs();
  const double steps = port::msElapsed(linesSinceMs_, now) * kPulseStepsPerMs;
  switch (lines_) {
    case kAllLines & ~kEastLine:
      leftRight_ += steps;
      break;
    case kAllLines & ~kWestLine:
      leftRight_ -= steps;
      break;
    case kAllLines & ~kNorthLine:
      upDown_ += steps;
      break;
    case kAllLines & ~kSouthLine:
      upDown_ -= steps;
      break;
    default:
      break;
  }
  lines_ = bits & kAllLines;
  linesSinceMs_ = now;
  if (lines_ == 0) {
    upDown_ = 0.0;
    leftRight_ = 0.0;
  }
  applyTilt();
}

void SimulatedAoUnit::setRotatedHalfTurn(bool rotated) {
  rotatedHalfTurn_ = rotated;
  applyTilt();
}

int SimulatedAoUnit::upDown() const {
  return static_cast<int>(std::lround(upDown_));
}

int SimulatedAoUnit::leftRight() const {
  return static_cast<int>(std::lround(leftRight_));
}

void SimulatedAoUnit::execute(const std::string& command) {
  commands_.push_back(command);
  switch (command[0]) {
    case 'H':
      reply_.push_back('H');
      return;
    case 'K':
      upDown_ = 0.0;
      leftRight_ = 0.0;
      applyTilt();
      return;
    default:
      break;
  }
  const std::string_view argument =
      std::string_view(command).substr(std::min<std::size_t>(2, command.size()));
  const int number = base::parseInt(argument, base::kLeadingNumber).value_or(0);
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
  const double turn = rotatedHalfTurn_ ? -1.0 : 1.0;
  camera_.setGuideShift(turn * leftRight_ / stepsPerPixel_, -turn * upDown_ / stepsPerPixel_);
}

AoMountLine::AoMountLine(SimulatedAoUnit& ao, SerialPortDevice& mountLine,
                         GuideOutputListener& mountSocket, std::function<bool()> pulsesToAo)
    : ao_(ao),
      mountLine_(mountLine),
      mountSocket_(mountSocket),
      pulsesToAo_(std::move(pulsesToAo)) {}

void AoMountLine::receive(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    const std::span<const std::uint8_t> one(&byte, 1);
    if (byte < 16) {
      // No command text holds these: they are the socket's lines.
      guideOutputsChanged(byte);
      continue;
    }
    ao_.receive(one);
    mountLine_.receive(one);
  }
}

std::vector<std::uint8_t> AoMountLine::transmit(std::size_t maxBytes) {
  std::vector<std::uint8_t> out = ao_.transmit(maxBytes);
  const std::vector<std::uint8_t> mount = mountLine_.transmit(maxBytes - out.size());
  out.insert(out.end(), mount.begin(), mount.end());
  return out;
}

void AoMountLine::guideOutputsChanged(std::uint8_t bits) {
  if (pulsesToAo_ && pulsesToAo_()) {
    ao_.guideOutputsChanged(bits);
  } else {
    mountSocket_.guideOutputsChanged(bits);
  }
}

}  // namespace nvk::sim
