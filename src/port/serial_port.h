#pragma once

#include <cstdint>
#include <span>

namespace nvk::port {

// A serial port in the manner of the serial library the program's telescope code was written
// for: the port is opened by reset(), configured by the calls that follow, and every call
// returns a negative code on failure (0 or a count on success).
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens PC COM port `comIndex` (0 = COM1 ... 6 = COM7) with the given queue sizes.
  virtual int reset(int comIndex, int rxQueueBytes, int txQueueBytes) = 0;
  virtual int setBaud(int baud) = 0;
  // 8 data bits, no parity, 1 stop bit.
  virtual int set8N1() = 0;
  virtual int setDtr(bool on) = 0;
  virtual int setRts(bool on) = 0;
  virtual int putByte(std::uint8_t byte) = 0;
  // Queues all of `bytes`; returns the count queued.
  virtual int putBytes(std::span<const std::uint8_t> bytes) = 0;
  // Takes what has arrived, up to `buffer.size()` bytes, without waiting; returns the count.
  virtual int getBytes(std::span<std::uint8_t> buffer) = 0;
  virtual int clearReceive() = 0;
  // Closes the port.
  virtual int done() = 0;
};

}  // namespace nvk::port
