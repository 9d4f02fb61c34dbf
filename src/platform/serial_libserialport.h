#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/com_port_map.h"
#include "port/serial_port.h"

namespace nvk::platform {

// The failure codes the port returns: those of the comm-port API the program's serial library
// passed on.
inline constexpr int kSerialBadId = -1;       // no such port
inline constexpr int kSerialOpenFailed = -2;  // the device would not open
inline constexpr int kSerialNotOpen = -3;     // a call on a closed port
inline constexpr int kSerialHardware = -10;   // the line refused a setting or a transfer
inline constexpr int kSerialByteSize = -11;   // 8N1 not accepted
inline constexpr int kSerialBaudRate = -12;   // baud rate not accepted

// A PC COM port on a Linux serial device, through libserialport. The device for each COM
// number comes from `devicePath` (normally the COM port map). libserialport (0.1.1) cannot open
// a pseudo-terminal: it looks every port up in /sys/class/tty and asks for modem lines a
// pseudo-terminal does not have. Such a device, which the simulated mount and the tests use, is
// driven through termios directly, with the same settings; its DTR and RTS are accepted as set.
// libserialport has no transmit and receive queues of its own: the kernel's buffers stand in,
// a write takes at most the transmit queue size and a read at most the receive queue size.
class LibSerialPort final : public port::SerialPort {
 public:
  explicit LibSerialPort(std::function<std::string(int comIndex)> devicePath);
  // COM`comIndex + 1` of `map`, looked up at each reset (the map must outlive the port).
  explicit LibSerialPort(const base::ComPortMap& map);
  ~LibSerialPort() override;

  int reset(int comIndex, int rxQueueBytes, int txQueueBytes) override;
  int setBaud(int baud) override;
  int set8N1() override;
  int setDtr(bool on) override;
  int setRts(bool on) override;
  int putByte(std::uint8_t byte) override;
  int putBytes(std::span<const std::uint8_t> bytes) override;
  int getBytes(std::span<std::uint8_t> buffer) override;
  int clearReceive() override;
  int done() override;

  bool isOpen() const { return line_ != nullptr; }
  // True when the open device is a pseudo-terminal driven through termios.
  bool onPseudoTerminal() const;

  class Line;

 private:
  std::function<std::string(int)> devicePath_;
  std::unique_ptr<Line> line_;
  std::size_t rxQueueBytes_ = 0;
  std::size_t txQueueBytes_ = 0;
};

// True when `path` names a pseudo-terminal's slave device (after following links).
bool isPseudoTerminal(const std::string& path);

}  // namespace nvk::platform
