#include "scope/serial_link.h"

#include <algorithm>
#include <vector>

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

// A failing code closes the port (the next send opens it again); `show` also shows its
// "ERROR %d ". -1 for a failure, any other code unchanged.
int checkResult(Program& program, int code, bool show) {
  if (code >= 0) return code;
  if (show) base::ShowErrorCode(program.ui(), code);
  auto& telescope = program.telescope;
  if (telescope.pcPort != nullptr) telescope.pcPort->done();
  telescope.pcPortOpen = false;
  return -1;
}

// The opening sequence of the PC port; `show` shows its failures as OpenPcPort describes.
bool openPcPort(Program& program, bool show) {
  auto& telescope = program.telescope;
  port::SerialPort* serial = telescope.pcPort;
  const auto failed = [&] {
    if (show)
      base::ShowMessage(program.ui(), base::Message::CallerText, "Open Communications Failed");
    return false;
  };
  if (serial == nullptr) return failed();
  // Failures of the first steps show their code and the sequence goes on; only the line
  // settings decide whether the port is usable.
  checkResult(program, serial->reset(program.settings.pcComPort, kPcQueueBytes, kPcQueueBytes),
              show);
  checkResult(program, serial->setBaud(pcPortBaud(program.settings)), show);
  checkResult(program, serial->setDtr(true), show);
  checkResult(program, serial->setRts(true), show);
  if (checkResult(program, serial->set8N1(), show) < 0) return failed();
  telescope.pcPortOpen = true;
  return true;
}

bool ensurePcPortOpen(Program& program) {
  return program.telescope.pcPortOpen || OpenPcPort(program) == 1;
}

}  // namespace

bool usesPcRoute(int serialRoute) {
  return serialRoute > 2;
}

int CheckSerialResult(Program& program, int code) {
  return checkResult(program, code, true);
}

int OpenPcPort(Program& program) {
  return openPcPort(program, true) ? 1 : 0;
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

std::optional<std::string> askSerialQuietly(Program& program, int portIndex,
                                            std::string_view command) {
  auto& telescope = program.telescope;
  const auto* data = reinterpret_cast<const std::uint8_t*>(command.data());
  const std::span<const std::uint8_t> bytes(data, command.size());
  std::vector<std::uint8_t> reply;
  if (!usesPcRoute(program.settings.serialRoute)) {
    if (telescope.cameraLink == nullptr) return std::nullopt;
    telescope.cameraLink->sendSerial(portIndex, bytes);
    program.clock().waitMs(kAnswerMs);
    reply = telescope.cameraLink->readSerial(portIndex, kReplyTextBytes);
  } else {
    if (!telescope.pcPortOpen && !openPcPort(program, false)) return std::nullopt;
    port::SerialPort& serial = *telescope.pcPort;
    // What an earlier command left unread is no part of this answer.
    if (checkResult(program, serial.clearReceive(), false) < 0 ||
        checkResult(program, serial.putBytes(bytes), false) < 0) {
      return std::nullopt;
    }
    program.clock().waitMs(kSettleMs + kCharacterMs + kAnswerMs);
    reply.resize(TelescopeState::kReplyBufferBytes);
    const int count = checkResult(program, serial.getBytes(reply), false);
    if (count < 0) return std::nullopt;
    reply.resize(static_cast<std::size_t>(count));
    checkResult(program, serial.clearReceive(), false);
  }
  const auto end = std::find(reply.begin(), reply.end(), std::uint8_t{'#'});
  if (end == reply.end()) return std::nullopt;
  return std::string(reply.begin(), end);
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
