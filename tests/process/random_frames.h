#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace nvk::test {

// Random frames for comparing the optimised image loops with their plain versions: uniform
// noise everywhere, with patches of few distinct values (ties), of samples at the top of the
// display's last level and at 16-bit saturation, of zeros and of small values, so that every
// branch of every clamp and comparison is taken.
inline void fillRandomFrame(std::span<std::uint16_t> frame, int width, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> any(0, 65535);
  std::uniform_int_distribution<int> few(0, 3);
  for (auto& v : frame)
    v = static_cast<std::uint16_t>(any(rng));
  const int height = static_cast<int>(frame.size() / width);
  std::uniform_int_distribution<int> px(0, width - 1);
  std::uniform_int_distribution<int> py(0, std::max(height - 1, 0));
  for (int patch = 0; patch < 80; ++patch) {
    const int x0 = px(rng);
    const int y0 = py(rng);
    const int kind = patch % 5;
    const int base = any(rng);
    for (int y = y0; y < std::min(height, y0 + 40); ++y) {
      for (int x = x0; x < std::min(width, x0 + 40); ++x) {
        std::uint16_t& v = frame[static_cast<std::size_t>(y) * width + x];
        switch (kind) {
          case 0:
            v = static_cast<std::uint16_t>(std::min(65535, base + few(rng) * 7));
            break;
          case 1:
            v = few(rng) == 0 ? 65535 : 65280 + few(rng);
            break;
          case 2:
            v = few(rng) == 0 ? v : 0;
            break;
          case 3:
            v = few(rng) == 0 ? 65535 : static_cast<std::uint16_t>(65532 + few(rng));
            break;
          default:
            v = static_cast<std::uint16_t>(base / 16 + few(rng));
            break;
        }
      }
    }
  }
}

inline std::vector<std::uint16_t> randomFrame(int width, int height, std::uint32_t seed) {
  std::vector<std::uint16_t> frame(static_cast<std::size_t>(width) * height);
  fillRandomFrame(frame, width, seed);
  return frame;
}

}  // namespace nvk::test
