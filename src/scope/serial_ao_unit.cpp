#include "scope/serial_ao_unit.h"

#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

constexpr std::uint32_t kAfterSendMs = 50;
constexpr std::uint32_t kAfterBumpMs = 100;
constexpr std::uint32_t kAfterReturnMs = 300;
// A mount bump lasts this many milliseconds at one pixel per second of guide rate.
constexpr int kBumpPixelMs = 400;

}  // namespace

void SerialAoUnit::step(Direction direction, int steps) {
  const auto axis = aoAxisStep(program_, direction);
  if (!axis) return;
  auto& ao = program_.guiding.ao;
  const int moved = *axis->counter + axis->sign * steps;
  if (std::abs(moved) > kAoLimitSteps) {
    // The unit would leave its travel: the move is not sent and the counter keeps the
    // position the unit really has.
    ao.atLimit = true;
  } else {
    *axis->counter = static_cast<std::int16_t>(moved);
    ++program_.guiding.pulsesSent;
    send(aoCommand('G', axis->unitDirection, steps));
    ao.atLimit = false;
  }
  ao.movingMount = false;
  if (std::abs(ao.upDown) <= kAoBumpSteps && std::abs(ao.leftRight) <= kAoBumpSteps) return;
  bumpMount();
}

void SerialAoUnit::manualMove(Direction direction) {
  const auto axis = aoAxisStep(program_, direction);
  if (!axis) return;
  *axis->counter = static_cast<std::int16_t>(*axis->counter + axis->sign * kAoManualSteps);
  send(aoCommand('M', axis->unitDirection, kAoManualSteps));
}

void SerialAoUnit::centre() {
  const std::uint8_t k = 'K';
  send(std::span<const std::uint8_t>(&k, 1));
  program_.guiding.ao.centred();
}

void SerialAoUnit::returnToCentre() {
  auto& ao = program_.guiding.ao;
  if (ao.upDown != 0) {
    send(aoCommand('G', ao.upDown < 1 ? 'N' : 'S', std::abs(ao.upDown)));
    program_.clock().waitMs(kAfterReturnMs);
  }
  if (ao.leftRight != 0) {
    send(aoCommand('G', ao.leftRight < 1 ? 'T' : 'W', std::abs(ao.leftRight)));
    program_.clock().waitMs(kAfterReturnMs);
  }
  ao.centred();
}

void SerialAoUnit::send(std::span<const std::uint8_t> command) {
  if (command.empty()) return;
  const int route = program_.settings.serialRoute;
  SendSerial(program_, route, command);
  program_.clock().waitMs(kAfterSendMs);
  if (command[0] != 'H') return;
  // The PC route has read the echo already; the camera route reads it here.
  if (!usesPcRoute(route)) ReadSerialReply(program_, route, 1);
  if (program_.telescope.replyBuffer[0] != 'H') {
    std::string text = "Return from AO - ";
    text += ReplyToText(program_.telescope);
    base::ShowMessage(program_.ui(), base::Message::CallerText, text);
  }
}

void SerialAoUnit::bumpMount() {
  auto& ao = program_.guiding.ao;
  const auto& s = program_.settings;
  auto& clock = program_.clock();
  const std::uint32_t now = clock.nowMs();
  if (ao.lastBumpMs && port::msElapsed(*ao.lastBumpMs, now) < kAoBumpIntervalMs) return;
  ao.lastBumpMs = now;
  ao.movingMount = true;
  auto duration = [&](int rate) {
    int ms = kBumpPixelMs / (rate > 0 ? rate : 1);
    if (s.aoHalfRate) ms /= 2;
    return ms;
  };
  if (std::abs(ao.upDown) > kAoBumpSteps) {
    const char letter =
        ao.upDown > kAoBumpSteps ? s.mountNorthSouthLetters.first : s.mountNorthSouthLetters.second;
    send(aoCommand('M', letter, duration(s.guiderGuide.raRate)));
    clock.waitMs(kAfterBumpMs);
  }
  if (std::abs(ao.leftRight) > kAoBumpSteps) {
    const char letter =
        ao.leftRight > kAoBumpSteps ? s.mountEastWestLetters.first : s.mountEastWestLetters.second;
    send(aoCommand('M', letter, duration(s.guiderGuide.decRate)));
    clock.waitMs(kAfterBumpMs);
  }
}

}  // namespace nvk::scope
