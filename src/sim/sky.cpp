#include "sim/sky.h"

#include <algorithm>
#include <cmath>

namespace nvk::sim {
namespace {

constexpr double kTile = 256.0;
constexpr double kPi = 3.14159265358979323846;

std::uint64_t splitmix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::uint64_t hash3(std::uint64_t seed, std::int64_t a, std::int64_t b) {
  return splitmix(seed ^ splitmix(static_cast<std::uint64_t>(a) * 0x632BE59BD9B4E019ull ^
                                  splitmix(static_cast<std::uint64_t>(b) + 0x1234567ull)));
}

// A small generator for the stars of one tile.
class TileRandom {
 public:
  explicit TileRandom(std::uint64_t state) : state_(state) {}
  double uniform() {
    state_ = splitmix(state_);
    return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
  }

 private:
  std::uint64_t state_;
};

// An approximately normal deviate (mean 0, deviation 1) from 64 random bits: the sum of four
// 16-bit uniforms, rescaled.
inline float normalFrom(std::uint64_t bits) {
  const float sum = static_cast<float>((bits & 0xFFFF) + ((bits >> 16) & 0xFFFF) +
                                       ((bits >> 32) & 0xFFFF) + (bits >> 48));
  // Four uniforms on [0, 65536): mean 131070, deviation 65536 / sqrt(3).
  return (sum - 131070.0f) * (1.7320508f / 65536.0f);
}

double colourWeight(SiteColour colour, const Star& star) {
  switch (colour) {
    case SiteColour::Red:
      return star.red;
    case SiteColour::Blue:
      return star.blue;
    case SiteColour::Green:
      return 1.0;
    case SiteColour::Mono:
      return (star.red + 1.0 + star.blue) / 3.0;
  }
  return 1.0;
}

}  // namespace

SiteColour siteColour(int row, int column) {
  const bool oddRow = (row & 1) != 0;
  const bool oddColumn = (column & 1) != 0;
  if (!oddRow) return oddColumn ? SiteColour::Green : SiteColour::Blue;
  return oddColumn ? SiteColour::Red : SiteColour::Green;
}

double Sky::starSigma() const {
  const double defocus = (focuser() - options_.bestFocus) * options_.defocusPerStep;
  return std::sqrt(options_.focusedSigma * options_.focusedSigma + defocus * defocus);
}

std::vector<Star> Sky::starsIn(double x0, double y0, double x1, double y1) const {
  std::vector<Star> stars;
  const auto tx0 = static_cast<std::int64_t>(std::floor(x0 / kTile));
  const auto tx1 = static_cast<std::int64_t>(std::floor(x1 / kTile));
  const auto ty0 = static_cast<std::int64_t>(std::floor(y0 / kTile));
  const auto ty1 = static_cast<std::int64_t>(std::floor(y1 / kTile));
  constexpr double kSlope = 0.8;  // N(>F) falls as F^-0.8
  const double ratio = std::pow(options_.faintestFlux / options_.brightestFlux, kSlope);
  for (auto ty = ty0; ty <= ty1; ++ty) {
    for (auto tx = tx0; tx <= tx1; ++tx) {
      TileRandom random(hash3(options_.seed, tx, ty));
      const int count = static_cast<int>(options_.starsPerTile * (0.5 + random.uniform()));
      for (int i = 0; i < count; ++i) {
        Star s{};
        s.x = (static_cast<double>(tx) + random.uniform()) * kTile;
        s.y = (static_cast<double>(ty) + random.uniform()) * kTile;
        s.flux =
            options_.faintestFlux * std::pow(1.0 - random.uniform() * (1.0 - ratio), -1.0 / kSlope);
        const double temperature = random.uniform();  // 0 blue .. 1 red
        s.red = 0.6 + 0.8 * temperature;
        s.blue = 1.4 - 0.8 * temperature;
        if (s.x >= x0 && s.x < x1 && s.y >= y0 && s.y < y1) stars.push_back(s);
      }
    }
  }
  return stars;
}

bool Sky::isHotPixel(int column, int row) const {
  const std::uint64_t h = hash3(options_.seed ^ 0x407, column, row);
  return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0) < options_.hotPixelFraction;
}

double Sky::darkRate(int column, int row, double temperatureC) const {
  const double factor = std::exp2((temperatureC - 20.0) / options_.darkDoublingC);
  if (!isHotPixel(column, row)) return options_.darkAduPerSecondAt20C * factor;
  const std::uint64_t h = hash3(options_.seed ^ 0x5A5A, column, row);
  const double u = static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
  return (options_.hotPixelMinAduPerSecond +
          u * (options_.hotPixelMaxAduPerSecond - options_.hotPixelMinAduPerSecond)) *
         factor;
}

void Sky::render(const SkyView& view, int column0, int row0, int width, int height,
                 double exposureSeconds, double temperatureC, std::uint64_t frameNumber,
                 std::uint16_t* out) const {
  if (width <= 0 || height <= 0) return;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  light_.assign(count, 0.0f);

  // Sensor pixel (c, r) sees the sky at origin + R(angle) * scale * (c + shiftX, r + shiftY).
  const double cosA = std::cos(view.angle);
  const double sinA = std::sin(view.angle);
  auto toSky = [&](double c, double r, double& x, double& y) {
    const double u = (c + view.shiftX) * view.scale;
    const double v = (r + view.shiftY) * view.scale;
    x = view.originX + cosA * u - sinA * v;
    y = view.originY + sinA * u + cosA * v;
  };
  const double sigma = starSigma() / view.scale;
  const double reach = 5.0 * sigma + 2.0;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    double x, y;
    toSky(column0 - reach + (corner & 1) * (width + 2 * reach),
          row0 - reach + (corner >> 1) * (height + 2 * reach), x, y);
    minX = std::min(minX, x);
    minY = std::min(minY, y);
    maxX = std::max(maxX, x);
    maxY = std::max(maxY, y);
  }
  const double norm = 1.0 / (2.0 * kPi * sigma * sigma);
  const double inv2s2 = 1.0 / (2.0 * sigma * sigma);
  for (const Star& star : starsIn(minX, minY, maxX, maxY)) {
    // Back from the sky into sensor pixels.
    const double dx = star.x - view.originX;
    const double dy = star.y - view.originY;
    const double sc = (cosA * dx + sinA * dy) / view.scale - view.shiftX;
    const double sr = (-sinA * dx + cosA * dy) / view.scale - view.shiftY;
    const int c0 = std::max(column0, static_cast<int>(std::floor(sc - reach)));
    const int c1 = std::min(column0 + width - 1, static_cast<int>(std::ceil(sc + reach)));
    const int r0 = std::max(row0, static_cast<int>(std::floor(sr - reach)));
    const int r1 = std::min(row0 + height - 1, static_cast<int>(std::ceil(sr + reach)));
    for (int r = r0; r <= r1; ++r) {
      float* line = light_.data() + static_cast<std::size_t>(r - row0) * width;
      const double ddy = (r - sr) * (r - sr);
      for (int c = c0; c <= c1; ++c) {
        const double weight = view.colour ? colourWeight(siteColour(r, c), star)
                                          : colourWeight(SiteColour::Mono, star);
        const double d2 = (c - sc) * (c - sc) + ddy;
        line[c - column0] += static_cast<float>(star.flux * weight * norm * std::exp(-d2 * inv2s2));
      }
    }
  }

  const float t = static_cast<float>(exposureSeconds);
  const float background = static_cast<float>(options_.backgroundAduPerSecond);
  const float bias = static_cast<float>(options_.biasAdu);
  const float readVariance = static_cast<float>(options_.readNoiseAdu * options_.readNoiseAdu);
  const float darkFactor =
      static_cast<float>(std::exp2((temperatureC - 20.0) / options_.darkDoublingC));
  const float darkBase = static_cast<float>(options_.darkAduPerSecondAt20C) * darkFactor;
  const float halfW = 0.5f * static_cast<float>(view.sensorWidth);
  const float halfH = 0.5f * static_cast<float>(view.sensorHeight);
  const float vignetteScale =
      static_cast<float>(options_.vignetting) / (halfW * halfW + halfH * halfH);
  const bool withNoise = options_.noise;
  const std::uint64_t frameSeed = splitmix(options_.seed ^ (frameNumber * 0x9E37ull));
  for (int r = 0; r < height; ++r) {
    const int row = row0 + r;
    const float dyc = static_cast<float>(row) + 0.5f - halfH;
    const float* line = light_.data() + static_cast<std::size_t>(r) * width;
    std::uint16_t* dst = out + static_cast<std::size_t>(r) * width;
    const std::uint64_t rowSeed = splitmix(frameSeed + static_cast<std::uint64_t>(row));
    for (int c = 0; c < width; ++c) {
      const int column = column0 + c;
      const float dxc = static_cast<float>(column) + 0.5f - halfW;
      const float vignette = 1.0f - vignetteScale * (dxc * dxc + dyc * dyc);
      float dark = darkBase;
      if (isHotPixel(column, row)) dark = static_cast<float>(darkRate(column, row, temperatureC));
      const float mean = (background + line[c]) * t * vignette + dark * t;
      const float noise =
          withNoise ? std::sqrt(mean + readVariance) *
                          normalFrom(splitmix(rowSeed ^ (static_cast<std::uint64_t>(column) << 20)))
                    : 0.0f;
      const float value = bias + mean + noise;
      dst[c] = static_cast<std::uint16_t>(std::clamp(value, 0.0f, 65535.0f));
    }
  }
}

SkyPoint Sky::pointing() const {
  const SkyPoint mount = mount_ ? mount_().pointing : SkyPoint{};
  return {mount.x + offset_.x, mount.y + offset_.y};
}

void Sky::setPointing(double x, double y) {
  const SkyPoint mount = mount_ ? mount_().pointing : SkyPoint{};
  offset_ = {x - mount.x, y - mount.y};
}

double Sky::focuser() const {
  return (mount_ ? mount_().focuser : 0.0) + focuserOffset_;
}

void Sky::setFocuser(double position) {
  focuserOffset_ = position - (mount_ ? mount_().focuser : 0.0);
}

SkyView mainSensorView(const Sky& sky) {
  SkyView view;
  const SkyPoint pointing = sky.pointing();
  view.originX = pointing.x;
  view.originY = pointing.y;
  return view;
}

}  // namespace nvk::sim
