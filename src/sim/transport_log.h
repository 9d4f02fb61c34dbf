#pragma once

#include <cstdint>
#include <vector>

namespace nvk::sim {

// What passed over the simulated channels, with the clock's time of each transfer, so that
// tests can check the exact bytes and their timing.
struct TransferRecord {
  enum class Device { Camera, FilterWheel } device;
  enum class Direction { Write, Read } direction;
  std::uint32_t timeMs;
  std::vector<std::uint8_t> bytes;  // writes: the block; reads: empty
  std::size_t requested = 0;        // reads: bytes asked for
  std::size_t received = 0;         // reads: bytes answered
};

// The log keeps the most recent transfers only: a simulated night of guiding would otherwise
// hold every one of its hundreds of thousands of transfers. When it reaches kMaxRecords, the
// older half goes.
class TransportLog {
 public:
  static constexpr std::size_t kMaxRecords = std::size_t{1} << 14;

  void add(TransferRecord record) {
    if (records_.size() >= kMaxRecords) {
      records_.erase(records_.begin(), records_.begin() + kMaxRecords / 2);
    }
    records_.push_back(std::move(record));
  }
  const std::vector<TransferRecord>& records() const { return records_; }
  // The blocks written to the camera, in order.
  std::vector<std::vector<std::uint8_t>> cameraWrites() const;
  std::vector<std::vector<std::uint8_t>> wheelWrites() const;
  void clear() { records_.clear(); }

 private:
  std::vector<TransferRecord> records_;
};

}  // namespace nvk::sim
