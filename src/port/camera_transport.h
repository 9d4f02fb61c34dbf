#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nvk::port {

// The outcome of one synchronous transfer. `ok` is false when the system reported a failure;
// `errorCode` then holds its code. `bytes` is the count actually moved, which a read may leave
// below the request (a short read) even when `ok` is true.
struct TransferResult {
  bool ok = false;
  std::size_t bytes = 0;
  int errorCode = 0;
};

// The camera channel: command blocks go out as one write, replies and frames come back as one
// read. Realised on libusb bulk endpoints, by the simulated camera head, and by tests.
class CameraTransport {
 public:
  virtual ~CameraTransport() = default;

  virtual TransferResult write(std::span<const std::uint8_t> block) = 0;
  // Reads up to buffer.size() bytes into the start of `buffer`.
  virtual TransferResult read(std::span<std::uint8_t> buffer) = 0;
  // A number that names the open channel in "Show Interface Details".
  virtual int handleNumber() const = 0;
};

}  // namespace nvk::port
