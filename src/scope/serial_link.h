#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "scope/telescope_state.h"

namespace nvk::scope {

class Program;

// Receive and transmit queue sizes asked of the PC port.
inline constexpr int kPcQueueBytes = 1024;
// Baud rates of the PC port: the autoguider socket box runs at 300, the LX200 at 9600.
inline constexpr int kSocketBaud = 300;
inline constexpr int kLx200Baud = 9600;
// Bytes a camera-route reply read asks for when it wants text.
inline constexpr int kReplyTextBytes = 33;

// True when SerialRoute sends through the PC COM port rather than a camera serial port.
bool usesPcRoute(int serialRoute);

// The check every PC-port call passes through: a negative code shows "ERROR %d ", closes the
// port and gives -1; any other code passes unchanged.
int CheckSerialResult(Program& program, int code);

// Opens the PC COM port named by PcComPort: queues, baud (pcPortBaud in mount_factory.h),
// DTR and RTS, 8N1. 1 when usable, 0 (with "Open Communications Failed") otherwise.
int OpenPcPort(Program& program);

// Sends `bytes` to serial port `portIndex` on the route SerialRoute names. On the PC route the
// port is opened first if need be, and the call waits 62 ms after sending; a command starting
// with 'H' has its echo read back. False when the port could not be opened, the write failed or
// an 'H' command's echo did not come back.
bool SendSerial(Program& program, int portIndex, std::span<const std::uint8_t> bytes);
// The first `count` bytes of `text` (count may be shorter than the text).
bool SendSerial(Program& program, int portIndex, std::string_view text, std::size_t count);
inline bool SendSerial(Program& program, int portIndex, std::string_view text) {
  return SendSerial(program, portIndex, text, text.size());
}

// Fills the reply buffer: `count` bytes from the camera serial port, or whatever has arrived on
// the PC port (up to 50 bytes, after which the receive queue is cleared).
void ReadSerialReply(Program& program, int portIndex, int count);

// The reply buffer as text: up to the first '#' (or NUL or other byte that is not printable
// ASCII), at most 33 characters.
std::string ReplyToText(const TelescopeState& telescope);

// Sends `command` to serial port `portIndex` on the route SerialRoute names and gives the
// answer up to (without) its closing '#', bytes as they came. Quiet and short, for a question
// asked in passing: no message on any failure (a failing PC port is closed as CheckSerialResult
// closes it, and opened again by the next call), one wait of the line's answer time, and nullopt
// when the route is not attached, the port cannot be opened or no '#'-ended answer came.
std::optional<std::string> askSerialQuietly(Program& program, int portIndex,
                                            std::string_view command);

// Drives the autoguider socket: one byte on the PC port when SerialRoute names it and the
// bypass flag is set, otherwise the camera's guide outputs.
void SetGuideSocket(Program& program, std::uint8_t bits);

}  // namespace nvk::scope
