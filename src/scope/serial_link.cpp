#include "scope/serial_link.h"

#include <algorithm>

#include "base/messages.h"
#include "scope/mount_factory.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

// Waits after every PC-port write: the line settles, then the mount has time to answer.
constexpr std::uint32_t kSettleMs = 2;
constexpr std::uint32_t kCharacterMs = 10;
constexpr std::uint32_t kAnswerMs = 50;

// The AO unit echoes every command that starts with this byte.
constexpr std::uint8_t kEchoedCommand = 'H';

bool ensurePcPortOpen(Program& program) {
  return program.telescope.pcPortOpen || OpenPcPort(program) == 1;
}

}  // namespace

bool usesPcRoute(int serialRoute) {
  return serialRoute > 2;
}

int CheckSerialResult(Program& program, int code) {
  if (code >= 0) return code;
  base::ShowErrorCode(program.ui(), code);
  auto& telescope = program.telescope;
  if (telescope.pcPort != nullptr) telescope.pcPort->done();
  // The port is closed now: the next send opens it again.
  telescope.pcPortOpen = false;
  return -1;
}

int OpenPcPort(Program& program) {
  auto& telescope = program.telescope;
  port::SerialPort* serial = telescope.pcPort;
  if (serial == nullptr) {
    base::ShowMessage(program.ui(), base::Message::CallerText, "Open Communications Failed");
    return 0;
  }
  // Failures of the first steps show their code and the sequence goes on; only the line
  // settings decide whether the port is usable.
  CheckSerialResult(program,
                    serial->reset(program.settings.pcComPort, kPcQueueBytes, kPcQueueBytes));
  CheckSerialResult(program, serial->setBaud(pcPortBaud(program.settings)));
  CheckSerialResult(program, serial->setDtr(true));
  CheckSerialResult(program, serial->setRts(true));
  if (CheckSerialResult(program, serial->set8N1()) < 0) {
    base::ShowMessage(program.ui(), base::Message::CallerText, "Open Communications Failed");
    return 0;
  }
  telescope.pcPortOpen = true;
  return 1;
}

bool SendSerial(Program& program, int portIndex, std::span<const std::uint8_t> bytes) {
  auto& telescope = program.telescope;
  if (!usesPcRoute(program.settings.serialRoute)) {
    if (telescope.cameraLink == nullptr) return false;
    telescope.cameraLink->sendSerial(portIndex, bytes);
    return true;
  }
  if (!ensurePcPortOpen(program)) return false;
  port::SerialPort& serial = *telescope.pcPort;
  const int result = bytes.size() == 1 ? serial.putByte(bytes[0]) : serial.putBytes(bytes);
  const bool sent = CheckSerialResult(program, result) >= 0;
  auto& clock = program.clock();
  clock.waitMs(kSettleMs);
  clock.waitMs(kCharacterMs);
  clock.waitMs(kAnswerMs);
  if (!sent) return false;
  if (!bytes.empty() && bytes[0] == kEchoedCommand) {
    ReadSerialReply(program, portIndex, 1);
    return telescope.replyBuffer[0] == kEchoedCommand;
  }
  return true;
}

bool SendSerial(Program& program, int portIndex, std::string_view text, std::size_t count) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
  return SendSerial(program, portIndex,
                    std::span<const std::uint8_t>(data, std::min(count, text.size())));
}

void ReadSerialReply(Program& program, int portIndex, int count) {
  auto& telescope = program.telescope;
  auto& reply = telescope.replyBuffer;
  if (!usesPcRoute(program.settings.serialRoute)) {
    if (telescope.cameraLink == nullptr) return;
    const auto bytes = telescope.cameraLink->readSerial(portIndex, count);
    const std::size_t n = std::min({bytes.size(), reply.size(), static_cast<std::size_t>(count)});
    std::copy_n(bytes.begin(), n, reply.begin());
    return;
  }
  if (!ensurePcPortOpen(program)) return;
  if (CheckSerialResult(program, telescope.pcPort->getBytes(reply)) < 0) return;
  CheckSerialResult(program, telescope.pcPort->clearReceive());
}

std::string ReplyToText(const TelescopeState& telescope) {
  std::string text;
  for (const std::uint8_t byte : telescope.replyBuffer) {
    // A byte no mount sends as text (line noise, a wrong baud rate) ends the text as '#' does.
    const bool printable = byte >= ' ' && byte < 0x7F;
    if (byte == '#' || !printable || text.size() == static_cast<std::size_t>(kReplyTextBytes)) {
      break;
    }
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

void SetGuideSocket(Program& program, std::uint8_t bits) {
  auto& telescope = program.telescope;
  if (usesPcRoute(program.settings.serialRoute) && program.settings.bypassHelmixInterface) {
    if (!ensurePcPortOpen(program)) return;
    CheckSerialResult(program, telescope.pcPort->putByte(bits));
    program.clock().waitMs(kSettleMs);
    program.clock().waitMs(kCharacterMs);
    return;
  }
  if (telescope.cameraLink != nullptr) telescope.cameraLink->setGuideOutputs(bits);
}

}  // namespace nvk::scope
