#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "port/camera_transport.h"
#include "port/filter_wheel_transport.h"

namespace nvk::test {

// A camera channel that records every block written and every read asked for, and answers
// reads from a queue of scripted replies (a read with nothing queued returns the full count and
// leaves the buffer as it was).
class RecordingCameraTransport final : public port::CameraTransport {
 public:
  struct Reply {
    std::vector<std::uint8_t> bytes;
    bool ok = true;
    int errorCode = 0;
  };

  explicit RecordingCameraTransport(int number = 1) : number_(number) {}

  port::TransferResult write(std::span<const std::uint8_t> block) override {
    writes.emplace_back(block.begin(), block.end());
    if (failWrites) return {false, 0, 31};
    return {true, block.size(), 0};
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    readSizes.push_back(buffer.size());
    if (replies.empty()) return {true, buffer.size(), 0};
    Reply r = std::move(replies.front());
    replies.pop_front();
    const std::size_t n = std::min(buffer.size(), r.bytes.size());
    std::copy_n(r.bytes.begin(), n, buffer.begin());
    return {r.ok, n, r.errorCode};
  }
  int handleNumber() const override { return number_; }

  std::vector<std::vector<std::uint8_t>> writes;
  std::vector<std::size_t> readSizes;
  std::deque<Reply> replies;
  bool failWrites = false;

 private:
  int number_;
};

class RecordingWheelTransport final : public port::FilterWheelTransport {
 public:
  port::TransferResult write(std::span<const std::uint8_t> report) override {
    writes.emplace_back(report.begin(), report.end());
    if (failWrites) return {false, 0, 5};
    return {true, report.size(), 0};
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    readSizes.push_back(buffer.size());
    if (failReads) return {false, 0, 5};
    const std::size_t n = std::min(buffer.size(), reply.size());
    std::copy_n(reply.begin(), n, buffer.begin());
    return {true, n, 0};
  }

  std::vector<std::vector<std::uint8_t>> writes;
  std::vector<std::size_t> readSizes;
  std::vector<std::uint8_t> reply = std::vector<std::uint8_t>(3, 0x01);
  bool failWrites = false;
  bool failReads = false;
};

inline std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> b;
  for (int v : values)
    b.push_back(static_cast<std::uint8_t>(v));
  return b;
}

}  // namespace nvk::test
