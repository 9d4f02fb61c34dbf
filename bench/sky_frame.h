#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "image/geometry.h"

namespace nvk::bench {

// A raw full sky frame for the benchmarks: noise around a background, with stars. The same seed
// gives the same frame.
inline std::vector<std::uint16_t> skyFrame(std::uint32_t seed) {
  std::vector<std::uint16_t> frame(image::kPlaneSamples);
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(2000.0, 300.0);
  for (auto& v : frame)
    v = static_cast<std::uint16_t>(std::clamp(noise(rng), 0.0, 65535.0));
  std::uniform_int_distribution<std::size_t> where(0, image::kPlaneSamples - 1);
  for (int star = 0; star < 3000; ++star)
    frame[where(rng)] = 60000;
  return frame;
}

}  // namespace nvk::bench
