#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace nvk::test {

// A frame of width x height with a flat sky, optional Gaussian read noise, and Gaussian stars
// whose total flux is given: each pixel holds the star's integral over its area (the error
// function across the pixel in x times the same in y), as a real detector collects it.
struct SyntheticStar {
  double x, y;   // centre
  double sigma;  // Gaussian sigma in pixels (FWHM = 2.3548 sigma)
  double flux;   // total counts
};

inline std::vector<std::uint16_t> starFrame(int width, int height, double sky,
                                            const std::vector<SyntheticStar>& stars,
                                            double noiseSigma = 0.0, unsigned seed = 1) {
  std::vector<double> values(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                             sky);
  for (const auto& s : stars) {
    const double k = 1.0 / (std::sqrt(2.0) * s.sigma);
    const int reach = int(std::ceil(8 * s.sigma)) + 1;
    for (int y = std::max(0, int(s.y) - reach); y <= std::min(height - 1, int(s.y) + reach); ++y) {
      const double fy = 0.5 * (std::erf((y + 0.5 - s.y) * k) - std::erf((y - 0.5 - s.y) * k));
      for (int x = std::max(0, int(s.x) - reach); x <= std::min(width - 1, int(s.x) + reach); ++x) {
        const double fx = 0.5 * (std::erf((x + 0.5 - s.x) * k) - std::erf((x - 0.5 - s.x) * k));
        values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)] += s.flux * fx * fy;
      }
    }
  }
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, noiseSigma > 0 ? noiseSigma : 1.0);
  std::vector<std::uint16_t> frame(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = values[i] + (noiseSigma > 0 ? noise(rng) : 0.0);
    frame[i] = static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
  }
  return frame;
}

}  // namespace nvk::test
