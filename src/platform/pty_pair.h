#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "port/serial_port.h"

namespace nvk::platform {

// A pseudo-terminal: the program opens the slave device like any serial port, a simulated
// device sits on the master side. The slave starts in raw mode.
class PtyPair {
 public:
  // nullptr when no pseudo-terminal can be had.
  static std::unique_ptr<PtyPair> open();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& slavePath() const { return slavePath_; }
  // What the program has written, without waiting for more.
  std::vector<std::uint8_t> readFromProgram();
  bool writeToProgram(std::span<const std::uint8_t> bytes);
  // The baud rate the program set on its side of the line (0 when unknown).
  int programBaud() const;

 private:
  PtyPair(int master, int slave, std::string slavePath)
      : master_(master), slave_(slave), slavePath_(std::move(slavePath)) {}
  int master_;
  int slave_;
  std::string slavePath_;
};

// Serves a simulated device on the master side: what the program wrote goes to `receive`,
// what the device has to say (from `transmit`) goes back to the program.
class PtyDeviceServer {
 public:
  using Receive = std::function<void(std::span<const std::uint8_t>)>;
  using Transmit = std::function<std::vector<std::uint8_t>(std::size_t maxBytes)>;

  PtyDeviceServer(PtyPair& pty, Receive receive, Transmit transmit)
      : pty_(pty), receive_(std::move(receive)), transmit_(std::move(transmit)) {}

  void service();

 private:
  PtyPair& pty_;
  Receive receive_;
  Transmit transmit_;
};

// The program's serial port with the device on the other end served right after every write
// and before every read. Program and device then take turns on one thread: the device sees each
// command at the moment it was sent, and its answer is there when the program reads, whatever
// the clock (the virtual clock never gives a second thread time to run).
class ServicedSerialPort final : public port::SerialPort {
 public:
  ServicedSerialPort(port::SerialPort& inner, std::function<void()> service)
      : inner_(inner), service_(std::move(service)) {}

  int reset(int comIndex, int rx, int tx) override { return inner_.reset(comIndex, rx, tx); }
  int setBaud(int baud) override { return inner_.setBaud(baud); }
  int set8N1() override { return inner_.set8N1(); }
  int setDtr(bool on) override { return inner_.setDtr(on); }
  int setRts(bool on) override { return inner_.setRts(on); }
  int putByte(std::uint8_t byte) override;
  int putBytes(std::span<const std::uint8_t> bytes) override;
  int getBytes(std::span<std::uint8_t> buffer) override;
  int clearReceive() override { return inner_.clearReceive(); }
  int done() override { return inner_.done(); }

 private:
  port::SerialPort& inner_;
  std::function<void()> service_;
};

}  // namespace nvk::platform
