#include "colour/colour_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace nvk::colour {
namespace {

// Three planes of a small image, owned by the test.
struct Rgb {
  int width, height;
  std::vector<std::uint16_t> r, g, b;
  Rgb(int w, int h, std::uint16_t value = 0)
      : width(w), height(h), r(std::size_t(w * h), value), g(r), b(r) {}
  RgbPlanes planes() { return {r, g, b, width, height}; }
  std::size_t at(int x, int y) const { return std::size_t(y * width + x); }
  bool operator==(const Rgb&) const = default;
};

Rgb randomRgb(int w, int h, unsigned seed) {
  Rgb img(w, h);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> sample(0, 65535);
  const std::uint16_t boundary[] = {0, 1, 65534, 65535};
  for (std::size_t i = 0; i < img.r.size(); ++i) {
    img.r[i] = i % 11 == 0 ? boundary[i % 4] : std::uint16_t(sample(rng));
    img.g[i] = i % 13 == 0 ? boundary[(i + 1) % 4] : std::uint16_t(sample(rng));
    img.b[i] = i % 7 == 0 ? boundary[(i + 2) % 4] : std::uint16_t(sample(rng));
  }
  return img;
}

// ---- Colour balance ----

// The mapping of one channel, sample by sample, boundary values included.
TEST(ColourBalance, ChannelMapping) {
  const struct {
    int start, minimum, maximum;
    std::uint16_t in, out;
  } cases[] = {
      {0, 0, 255, 0, 0},          {0, 0, 255, 65535, 65535}, {0, 0, 255, 12345, 12345},
      {-10, 0, 255, 2570, 0},     {-10, 0, 255, 2571, 1},    {-10, 0, 255, 65535, 62965},
      {10, 0, 255, 65534, 65535}, {10, 0, 255, 1, 2571},     {0, 10, 255, 2570, 0},
      {0, 10, 255, 65535, 65535}, {0, 0, 127, 32639, 65535}, {0, 0, 127, 32638, 65532},
      {0, 10, 20, 5140, 65535},   {0, 10, 20, 3855, 32767},  {-255, 0, 255, 65535, 0},
  };
  for (const auto& c : cases) {
    Rgb img(1, 1);
    img.g[0] = c.in;
    ColourBalance balance;
    balance.start[ColourBalance::kGreen] = c.start;
    balance.minimum[ColourBalance::kGreen] = c.minimum;
    balance.maximum[ColourBalance::kGreen] = c.maximum;
    applyColourBalance(img.planes(), balance);
    EXPECT_EQ(img.g[0], c.out) << c.start << " " << c.minimum << " " << c.maximum << " " << c.in;
  }
}

// A grey sky with a red cast of 20 levels and a blue deficit of 8: the starts -20 and +8
// remove it exactly.
TEST(ColourBalance, RemovesAKnownCast) {
  Rgb img(40, 30);
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> grey(3000, 50000);
  for (std::size_t i = 0; i < img.r.size(); ++i) {
    const int v = grey(rng);
    img.g[i] = std::uint16_t(v);
    img.r[i] = std::uint16_t(v + 20 * 257);
    img.b[i] = std::uint16_t(v - 8 * 257);
  }
  ColourBalance balance;
  balance.start = {-20, 0, 8};
  applyColourBalance(img.planes(), balance);
  EXPECT_EQ(img.r, img.g);
  EXPECT_EQ(img.b, img.g);
}

TEST(ColourBalance, SaturationMovesAwayFromGrey) {
  Rgb img(3, 1);
  img.r = {1000, 30000, 65000};
  img.g = {1000, 20000, 60000};
  img.b = {1000, 10000, 55000};
  ColourBalance balance;
  balance.saturation = 2.0;
  applyColourBalance(img.planes(), balance);
  EXPECT_EQ(img.r, (std::vector<std::uint16_t>{1000, 40000, 65535}));
  EXPECT_EQ(img.g, (std::vector<std::uint16_t>{1000, 20000, 60000}));
  EXPECT_EQ(img.b, (std::vector<std::uint16_t>{1000, 0, 50000}));
}

TEST(ColourBalance, Validity) {
  ColourBalance b;
  EXPECT_TRUE(b.valid());
  const auto with = [](auto change) {
    ColourBalance x;
    change(x);
    return x.valid();
  };
  EXPECT_TRUE(with([](ColourBalance& x) { x.start[0] = -255; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.start[0] = -256; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.start[2] = 256; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.minimum[1] = 255; }));
  EXPECT_TRUE(with([](ColourBalance& x) { x.minimum[1] = 254; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.maximum[1] = 256; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.minimum[0] = -1; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.saturation = 10.5; }));
  EXPECT_FALSE(with([](ColourBalance& x) { x.saturation = -0.1; }));
  EXPECT_TRUE(with([](ColourBalance& x) { x.saturation = 0.0; }));
}

// ---- Chromatism ----

// The plain bilinear definition with edge samples repeated.
std::vector<std::uint16_t> referenceShift(const std::vector<std::uint16_t>& p, int w, int h,
                                          double sx, double sy) {
  std::vector<std::uint16_t> out(p.size());
  const long ix256 = std::lround(sx * 256), iy256 = std::lround(sy * 256);
  const auto at = [&](long x, long y) -> std::uint64_t {
    x = std::clamp(x, 0L, long(w - 1));
    y = std::clamp(y, 0L, long(h - 1));
    return p[std::size_t(y * w + x)];
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const long u = x * 256L - ix256, v = y * 256L - iy256;
      const long px = u >= 0 ? u / 256 : -((-u + 255) / 256);
      const long py = v >= 0 ? v / 256 : -((-v + 255) / 256);
      const std::uint64_t fx = std::uint64_t(u - px * 256), fy = std::uint64_t(v - py * 256);
      const std::uint64_t value = at(px, py) * (256 - fx) * (256 - fy) +
                                  at(px + 1, py) * fx * (256 - fy) +
                                  at(px, py + 1) * (256 - fx) * fy + at(px + 1, py + 1) * fx * fy;
      out[std::size_t(y * w + x)] = std::uint16_t((value + 32768) >> 16);
    }
  return out;
}

TEST(Chromatism, MatchesThePlainDefinitionOnRandomFrames) {
  const int w = 29, h = 19;
  std::vector<std::uint16_t> scratch(std::size_t(w * h));
  const ChromatismShift shifts[] = {{1, -2, 0, 0},
                                    {0.5, 0.5, -0.3, 1.7},
                                    {-3.25, 0.1, 2, 2},
                                    {20, -20, -20, 20},
                                    {0.004, 0, 0, -0.996}};
  for (const auto& s : shifts) {
    Rgb img = randomRgb(w, h, 9);
    const Rgb before = img;
    applyChromatism(img.planes(), s, scratch);
    EXPECT_EQ(img.r, referenceShift(before.r, w, h, s.redX, s.redY));
    EXPECT_EQ(img.b, referenceShift(before.b, w, h, s.blueX, s.blueY));
    EXPECT_EQ(img.g, before.g);
  }
}

// A star whose red image sits 1.5 pixels right of its green image: shifting red by -1.5 lays
// the two on one another.
TEST(Chromatism, RemovesAColourFringe) {
  const int w = 40, h = 30;
  Rgb img(w, h);
  const auto star = [&](double cx, double cy, int x, int y) {
    return std::uint16_t(500 + 40000 * std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / 8));
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      img.g[img.at(x, y)] = star(20, 15, x, y);
      img.b[img.at(x, y)] = star(20, 15, x, y);
      img.r[img.at(x, y)] = star(21.5, 15, x, y);
    }
  const auto centroidX = [&](const std::vector<std::uint16_t>& p) {
    double s = 0, sx = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        s += p[img.at(x, y)] - 500.0;
        sx += (p[img.at(x, y)] - 500.0) * x;
      }
    return sx / s;
  };
  std::vector<std::uint16_t> scratch(std::size_t(w * h));
  applyChromatism(img.planes(), {-1.5, 0, 0, 0}, scratch);
  EXPECT_NEAR(centroidX(img.r), centroidX(img.g), 0.02);
}

// ---- Colour overload smoothing ----

TEST(OverloadSmoothing, WhitensOverloadedCoresAndHalvesTheColourAroundThem) {
  Rgb img(7, 5);
  for (std::size_t i = 0; i < img.r.size(); ++i) {
    img.r[i] = 30000;
    img.g[i] = 20000;
    img.b[i] = 10000;
  }
  img.r[img.at(3, 2)] = 65535;  // red clipped: a magenta-pink core
  img.g[img.at(3, 2)] = 50000;
  img.b[img.at(3, 2)] = 60000;
  const Rgb before = img;
  std::vector<std::uint16_t> mask(35);
  applyOverloadSmoothing(img.planes(), 64000, mask);
  EXPECT_EQ(img.r[img.at(3, 2)], 65535);
  EXPECT_EQ(img.g[img.at(3, 2)], 65535);
  EXPECT_EQ(img.b[img.at(3, 2)], 65535);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      if (x == 3 && y == 2) continue;
      const std::size_t i = img.at(x, y);
      if (std::abs(x - 3) <= 1 && std::abs(y - 2) <= 1) {
        EXPECT_EQ(img.r[i], 25000);  // halfway to the grey 20000
        EXPECT_EQ(img.g[i], 20000);
        EXPECT_EQ(img.b[i], 15000);
      } else {
        EXPECT_EQ(img.r[i], before.r[i]);
        EXPECT_EQ(img.b[i], before.b[i]);
      }
    }
  // Nothing reaches the level: nothing changes.
  Rgb calm = randomRgb(9, 9, 4);
  for (auto* p : {&calm.r, &calm.g, &calm.b})
    for (auto& v : *p)
      v = std::uint16_t(v / 2);
  const Rgb calmBefore = calm;
  std::vector<std::uint16_t> mask2(81);
  applyOverloadSmoothing(calm.planes(), 64000, mask2);
  EXPECT_EQ(calm, calmBefore);
}

// ---- Low pass colour filter ----

// The plain definition: every window summed afresh.
Rgb referenceLowPass(const Rgb& in, int radius) {
  Rgb out = in;
  const auto floorDiv = [](long long a, long long b) {
    long long q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) --q;
    return q;
  };
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      long long sr = 0, sb = 0, count = 0;
      for (int v = std::max(0, y - radius); v <= std::min(in.height - 1, y + radius); ++v)
        for (int u = std::max(0, x - radius); u <= std::min(in.width - 1, x + radius); ++u) {
          const std::size_t j = in.at(u, v);
          const long long s = (long long)in.r[j] + in.g[j] + in.b[j];
          sr += 3LL * in.r[j] - s;
          sb += 3LL * in.b[j] - s;
          ++count;
        }
      const std::size_t i = in.at(x, y);
      const long long s = (long long)in.r[i] + in.g[i] + in.b[i];
      const long long r = floorDiv(s + floorDiv(2 * sr + count, 2 * count), 3);
      const long long b = floorDiv(s + floorDiv(2 * sb + count, 2 * count), 3);
      out.r[i] = std::uint16_t(std::clamp(r, 0LL, 65535LL));
      out.b[i] = std::uint16_t(std::clamp(b, 0LL, 65535LL));
      out.g[i] = std::uint16_t(std::clamp(s - r - b, 0LL, 65535LL));
    }
  return out;
}

TEST(LowPassColour, MatchesThePlainDefinitionOnRandomFrames) {
  for (const int radius : {1, 2, 3, 6}) {
    for (const auto& [w, h] : {std::pair{23, 17}, std::pair{5, 4}, std::pair{1, 9}}) {
      Rgb img = randomRgb(w, h, unsigned(radius * 100 + w));
      const Rgb expected = referenceLowPass(img, radius);
      std::vector<std::uint16_t> c0(img.r.size()), c1(c0), c2(c0);
      applyLowPassColour(img.planes(), radius, {c0, c1, c2});
      EXPECT_EQ(img, expected) << radius << " " << w << "x" << h;
    }
  }
}

// ---- Balance colour histogram ----

// Red and blue carry the green sky with a different gain and offset: after the balance they
// match green.
TEST(HistogramBalance, AlignsBackgroundAndSpread) {
  Rgb img(64, 48);
  std::mt19937 rng(6);
  std::normal_distribution<double> sky(8000, 300);
  for (std::size_t i = 0; i < img.g.size(); ++i) {
    const int g = int(sky(rng)) + (i % 97 == 0 ? 20000 : 0);  // a few stars
    img.g[i] = std::uint16_t(g);
    img.r[i] = std::uint16_t(g * 5 / 4 + 3000);
    img.b[i] = std::uint16_t(g / 2 + 200);
  }
  applyHistogramBalance(img.planes());
  const PlaneLevels green = planeLevels(img.g), red = planeLevels(img.r), blue = planeLevels(img.b);
  EXPECT_NEAR(red.background, green.background, 2);
  EXPECT_NEAR(blue.background, green.background, 2);
  EXPECT_NEAR(red.spread, green.spread, 4);
  EXPECT_NEAR(blue.spread, green.spread, 4);
  // Each sky sample maps back to its green one, within the truncations of the test's own
  // scaling and the whole-sample percentiles; the stars far from the sky within 0.5 %.
  for (std::size_t i = 0; i < img.g.size(); ++i) {
    const double tolerance = i % 97 == 0 ? 0.005 * img.g[i] : 4.01;
    ASSERT_NEAR(img.r[i], img.g[i], tolerance) << i;
    ASSERT_NEAR(img.b[i], img.g[i], tolerance) << i;
  }
}

}  // namespace
}  // namespace nvk::colour
