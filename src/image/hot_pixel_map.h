#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nvk::image {

// The list of hot pixels of the sensor: sample indexes (row * width + column, in the geometry
// of the frame the map was made from), in the order found, row by row.
struct HotPixelMap {
  static constexpr std::size_t kCapacity = 99'001;
  static constexpr const char* kDefaultName = "K7LQ_HPM";

  std::vector<std::int32_t> entries;  // never more than kCapacity
  bool loaded = false;
  std::int32_t threshold = 65535;   // "Hot Pixel Value", 5000..65535
  std::string name = kDefaultName;  // file name without folder and ".HPM"
};

}  // namespace nvk::image
