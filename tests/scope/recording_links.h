#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "port/clock.h"
#include "port/serial_port.h"
#include "scope/camera_link.h"

namespace nvk::test {

// One call that reached a route, stamped with the virtual time it happened at.
struct LinkEvent {
  std::uint32_t atMs;
  std::string call;   // "reset", "baud", "dtr", "rts", "8n1", "putc", "puts", "gets", "rxclear",
                      // "done", "camera-write", "camera-read", "guide-outputs", "connect"
  std::string bytes;  // what was written, or the argument in text ("9600", "1024/1024" ...)
  bool operator==(const LinkEvent&) const = default;
};

using LinkLog = std::vector<LinkEvent>;

inline void PrintTo(const LinkEvent& e, std::ostream* os) {
  *os << "{" << e.atMs << " ms, " << e.call << ", \"";
  for (const char c : e.bytes) {
    if (c >= 32 && c < 127) {
      *os << c;
    } else {
      *os << "\\x" << std::hex << (static_cast<unsigned>(c) & 0xffu) << std::dec;
    }
  }
  *os << "\"}";
}

inline std::string bytesText(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A PC serial port that records every call and answers from a script. Like the real port it
// refuses every call (with the "not open" code) between done() and the next reset().
class RecordingSerialPort final : public port::SerialPort {
 public:
  static constexpr int kNotOpen = -3;

  RecordingSerialPort(port::Clock& clock, LinkLog& log) : clock_(clock), log_(log) {}

  // The next call named `call` returns `code`.
  void failNext(const std::string& call, int code) { failures_[call].push_back(code); }
  // Bytes that have arrived for the next getBytes().
  void arrive(std::string bytes) { arrivals_.push_back(std::move(bytes)); }
  bool isOpen() const { return open_; }
  int comIndex() const { return comIndex_; }

  int reset(int comIndex, int rx, int tx) override {
    comIndex_ = comIndex;
    const int r = result("reset", std::to_string(rx) + "/" + std::to_string(tx), true);
    open_ = r >= 0;
    return r;
  }
  int setBaud(int baud) override { return result("baud", std::to_string(baud)); }
  int set8N1() override { return result("8n1", ""); }
  int setDtr(bool on) override { return result("dtr", on ? "on" : "off"); }
  int setRts(bool on) override { return result("rts", on ? "on" : "off"); }
  int putByte(std::uint8_t byte) override { return result("putc", std::string(1, char(byte))); }
  int putBytes(std::span<const std::uint8_t> bytes) override {
    const int r = result("puts", bytesText(bytes));
    return r < 0 ? r : static_cast<int>(bytes.size());
  }
  int getBytes(std::span<std::uint8_t> buffer) override {
    int r = result("gets", std::to_string(buffer.size()));
    if (r < 0) return r;
    if (arrivals_.empty()) return 0;
    const std::string bytes = arrivals_.front().substr(0, buffer.size());
    arrivals_.pop_front();
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return static_cast<int>(bytes.size());
  }
  int clearReceive() override { return result("rxclear", ""); }
  int done() override {
    log_.push_back({clock_.nowMs(), "done", ""});
    open_ = false;
    return 0;
  }

 private:
  int result(const std::string& call, std::string argument, bool opening = false) {
    log_.push_back({clock_.nowMs(), call, std::move(argument)});
    auto& queue = failures_[call];
    if (!queue.empty()) {
      const int code = queue.front();
      queue.pop_front();
      return code;
    }
    if (!open_ && !opening) return kNotOpen;
    return 0;
  }

  port::Clock& clock_;
  LinkLog& log_;
  std::map<std::string, std::deque<int>> failures_;
  std::deque<std::string> arrivals_;
  bool open_ = false;
  int comIndex_ = -1;
};

// The camera's serial ports and guide outputs, recorded, with scripted replies per read.
class RecordingCameraLink final : public scope::CameraLink {
 public:
  RecordingCameraLink(port::Clock& clock, LinkLog& log) : clock_(clock), log_(log) {}

  // What the next readSerial() returns (cut to the count asked).
  void reply(std::string bytes) { replies_.push_back(std::move(bytes)); }
  bool cameraPresent = true;

  void sendSerial(int portIndex, std::span<const std::uint8_t> bytes) override {
    log_.push_back(
        {clock_.nowMs(), "camera-write", std::to_string(portIndex) + ":" + bytesText(bytes)});
  }
  std::vector<std::uint8_t> readSerial(int portIndex, int count) override {
    log_.push_back(
        {clock_.nowMs(), "camera-read", std::to_string(portIndex) + ":" + std::to_string(count)});
    if (replies_.empty()) return {};
    std::string bytes = replies_.front().substr(0, static_cast<std::size_t>(count));
    replies_.pop_front();
    return {bytes.begin(), bytes.end()};
  }
  void setGuideOutputs(std::uint8_t bits) override {
    log_.push_back({clock_.nowMs(), "guide-outputs", std::to_string(bits)});
  }
  bool connectCamera() override {
    log_.push_back({clock_.nowMs(), "connect", ""});
    return cameraPresent;
  }

 private:
  port::Clock& clock_;
  LinkLog& log_;
  std::deque<std::string> replies_;
};

}  // namespace nvk::test
