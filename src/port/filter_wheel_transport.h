#pragma once

#include <cstdint>
#include <span>

#include "port/camera_transport.h"

namespace nvk::port {

// The filter-wheel channel: 3-byte HID reports (report id 0x00, then two bytes) written and read
// whole. Realised on hidapi, by the simulated wheel, and by tests.
class FilterWheelTransport {
 public:
  virtual ~FilterWheelTransport() = default;

  virtual TransferResult write(std::span<const std::uint8_t> report) = 0;
  // Reads one report into the start of `buffer`, report id first.
  virtual TransferResult read(std::span<std::uint8_t> buffer) = 0;
};

}  // namespace nvk::port
