#pragma once

#include <algorithm>
#include <cstdint>

namespace nvk::test {

// The plain bilinear formula of the binned 4x8 resampling, sample by sample: the sample at row
// `r`, column `c` of the 1520 x 1012 image, from the 758 x 252 binned samples that
// `in(row, column)` returns.
template <class Sample>
std::uint16_t referenceBilinear4x8(const Sample& in, int r, int c) {
  const float y = static_cast<float>(r) / 4.015873f;
  const float x = static_cast<float>(c) / 2.0052772f;
  const int y0 = static_cast<int>(y);
  const int x0 = static_cast<int>(x);
  const int y1 = std::min(y0 + 1, 251);
  const int x1 = std::min(x0 + 1, 757);
  const float fy = y - static_cast<float>(y0);
  const float fx = x - static_cast<float>(x0);
  const float top =
      (1.0f - fx) * static_cast<float>(in(y0, x0)) + fx * static_cast<float>(in(y0, x1));
  const float bottom =
      (1.0f - fx) * static_cast<float>(in(y1, x0)) + fx * static_cast<float>(in(y1, x1));
  const auto v = static_cast<std::int32_t>((1.0f - fy) * top + fy * bottom);
  return static_cast<std::uint16_t>(v > 65535 ? 65535 : v);
}

}  // namespace nvk::test
