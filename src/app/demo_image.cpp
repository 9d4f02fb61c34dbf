#include "app/demo_image.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace nvk::app {
namespace {

constexpr int kStars = 600;
constexpr double kSkyLevel = 2600.0;
constexpr double kSkyNoise = 180.0;

}  // namespace

void renderDemoStarField(Program& program, std::uint32_t seed) {
  const int width = program.geometry.width;
  const int height = program.geometry.height;
  std::vector<float> sky(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::mt19937 random(seed);
  std::normal_distribution<float> noise(0.0f, static_cast<float>(kSkyNoise));
  // A gentle gradient across the frame, as a real sky background shows.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      sky[static_cast<std::size_t>(y) * width + x] =
          static_cast<float>(kSkyLevel + 600.0 * x / width + 300.0 * y / height) + noise(random);
    }
  }
  std::uniform_real_distribution<double> across(0.0, width);
  std::uniform_real_distribution<double> down(0.0, height);
  std::uniform_real_distribution<double> magnitude(0.0, 1.0);
  const double sigmaScale = width / 3040.0;
  for (int s = 0; s < kStars; ++s) {
    const double cx = across(random);
    const double cy = down(random);
    // Many faint stars and a few bright ones.
    const double peak = 1500.0 + 62000.0 * std::pow(magnitude(random), 6.0);
    const double sigma = (1.4 + 2.2 * peak / 63500.0) * sigmaScale + 0.6;
    const int reach = static_cast<int>(std::ceil(sigma * 4));
    for (int y = std::max(0, static_cast<int>(cy) - reach);
         y <= std::min(height - 1, static_cast<int>(cy) + reach); ++y) {
      for (int x = std::max(0, static_cast<int>(cx) - reach);
           x <= std::min(width - 1, static_cast<int>(cx) + reach); ++x) {
        const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        sky[static_cast<std::size_t>(y) * width + x] +=
            static_cast<float>(peak * std::exp(-r2 / (2 * sigma * sigma)));
      }
    }
  }
  for (std::size_t i = 0; i < sky.size(); ++i) {
    program.planes.RawImage[i] = static_cast<std::uint16_t>(std::clamp(sky[i], 0.0f, 65535.0f));
  }
}

}  // namespace nvk::app
