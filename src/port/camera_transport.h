#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nvk::port {

// The outcome of one transfer. `ok` is false when the system reported a failure (or the read
// was cancelled); `errorCode` then holds its code. `bytes` is the count actually moved, which a
// read may leave below the request (a short read) even when `ok` is true.
struct TransferResult {
  bool ok = false;
  std::size_t bytes = 0;
  int errorCode = 0;
};

// The camera channel: command blocks go out as one write, replies and frames come back as one
// read. Realised on libusb bulk endpoints, by the simulated camera head, and by tests.
//
// A read can also run while the caller goes on (a full frame takes seconds over USB, and the
// window must answer meanwhile): startRead() begins it, readDone() says whether it has ended,
// finishRead() waits for its end and gives its result, and cancelRead() stops it and returns
// once the transport no longer touches the buffer (whose content is then undefined). One read
// at a time; after startRead() exactly one of finishRead() and cancelRead() follows. The
// default runs the read at once, in startRead().
class CameraTransport {
 public:
  virtual ~CameraTransport() = default;

  virtual TransferResult write(std::span<const std::uint8_t> block) = 0;
  // Reads up to buffer.size() bytes into the start of `buffer`.
  virtual TransferResult read(std::span<std::uint8_t> buffer) = 0;
  // A number that names the open channel in "Show Interface Details".
  virtual int handleNumber() const = 0;

  virtual void startRead(std::span<std::uint8_t> buffer) { started_ = read(buffer); }
  virtual bool readDone() { return true; }
  virtual TransferResult finishRead() { return started_; }
  virtual void cancelRead() {}

 private:
  TransferResult started_;
};

}  // namespace nvk::port
