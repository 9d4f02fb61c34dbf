#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "port/camera_transport.h"
#include "port/serial_port.h"
#include "scope/camera_link.h"

namespace nvk::fuzz {

// A device whose every answer is made of the fuzz input: `reply` repeated to fill what is asked,
// or, for a short answer, just once.
struct Replies {
  std::vector<std::uint8_t> reply;
  bool shortAnswers = false;
  bool failures = false;

  std::size_t fill(std::span<std::uint8_t> buffer) const {
    if (reply.empty()) return 0;
    const std::size_t n = shortAnswers ? std::min(buffer.size(), reply.size()) : buffer.size();
    for (std::size_t i = 0; i < n; ++i)
      buffer[i] = reply[i % reply.size()];
    return n;
  }
};

// The camera channel answering every read from the input.
class ReplyingCameraTransport final : public port::CameraTransport {
 public:
  explicit ReplyingCameraTransport(const Replies& replies) : replies_(replies) {}
  port::TransferResult write(std::span<const std::uint8_t> block) override {
    return {true, block.size(), 0};
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    if (replies_.failures) return {false, 0, -7};
    return {true, replies_.fill(buffer), 0};
  }
  int handleNumber() const override { return 1; }

 private:
  const Replies& replies_;
};

// The PC serial port and the camera's serial ports answering from the input.
class ReplyingSerial final : public port::SerialPort, public scope::CameraLink {
 public:
  explicit ReplyingSerial(const Replies& replies) : replies_(replies) {}
  int reset(int, int, int) override { return 0; }
  int setBaud(int) override { return 0; }
  int set8N1() override { return 0; }
  int setDtr(bool) override { return 0; }
  int setRts(bool) override { return 0; }
  int putByte(std::uint8_t) override { return replies_.failures ? -3 : 1; }
  int putBytes(std::span<const std::uint8_t> bytes) override {
    return replies_.failures ? -3 : static_cast<int>(bytes.size());
  }
  int getBytes(std::span<std::uint8_t> buffer) override {
    return replies_.failures ? -5 : static_cast<int>(replies_.fill(buffer));
  }
  int clearReceive() override { return 0; }
  int done() override { return 0; }

  void sendSerial(int, std::span<const std::uint8_t>) override {}
  std::vector<std::uint8_t> readSerial(int, int count) override {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(count, 0)));
    bytes.resize(replies_.failures ? 0 : replies_.fill(bytes));
    return bytes;
  }
  void setGuideOutputs(std::uint8_t) override {}
  bool connectCamera() override { return !replies_.failures; }

 private:
  const Replies& replies_;
};

}  // namespace nvk::fuzz
