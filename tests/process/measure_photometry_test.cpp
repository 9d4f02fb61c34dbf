#include "process/measure_photometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "measure_test_support.h"

namespace nvk::process {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct StarCase {
  const char* name;
  test::SyntheticStar star;
  double sky;
  double noise;
  PhotometryApertures radii;
};

class GaussianStar : public ::testing::TestWithParam<StarCase> {};

// A Gaussian star of known flux gives that flux within 1 % and its FWHM within 5 %, wherever it
// sits on the pixel grid, with and without noise.
TEST_P(GaussianStar, MeasuresFluxFwhmAndCentroid) {
  const StarCase& c = GetParam();
  const auto frame = test::starFrame(kWidth, kHeight, c.sky, {c.star}, c.noise, 7);
  PhotometryOptions options;
  options.radii = c.radii;
  const auto r = measureStar(frame, kWidth, kHeight, int(c.star.x) + 2, int(c.star.y) - 1, options);
  ASSERT_EQ(r.status, PhotometryStatus::Measured);
  EXPECT_NEAR(r.flux, c.star.flux, 0.01 * c.star.flux);
  // The pixels integrate the profile, which widens it a little (sigma^2 + 1/12): the fitted
  // width still lies within 5 % of the star's own.
  const double fwhm = 2.35482 * c.star.sigma;
  EXPECT_NEAR(r.fwhm, fwhm, 0.05 * fwhm);
  EXPECT_NEAR(r.x, c.star.x, 0.05);
  EXPECT_NEAR(r.y, c.star.y, 0.05);
  EXPECT_NEAR(r.sky, c.sky, 0.5 + c.noise / 4);
  EXPECT_NEAR(r.skySigma, c.noise, 0.3 + c.noise * 0.15);
  EXPECT_NEAR(r.apertureArea, M_PI * c.radii.aperture * c.radii.aperture, 0.5);
  ASSERT_TRUE(r.magnitude.has_value());
  EXPECT_NEAR(*r.magnitude, 25.0 - 2.5 * std::log10(c.star.flux), 0.011);
  // SNR by the CCD equation with the frame's own noise.
  const double area = r.apertureArea;
  const double expectedSnr =
      c.star.flux / std::sqrt(c.star.flux + area * c.noise * c.noise * (1 + area / r.skyPixels));
  EXPECT_NEAR(r.snr, expectedSnr, 0.1 * expectedSnr);
  EXPECT_NEAR(r.magnitudeError, 1.0857 / r.snr, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Stars, GaussianStar,
    ::testing::Values(StarCase{"Centred", {80.0, 60.0, 2.0, 100000.0}, 1000, 0, {10, 14, 22}},
                      StarCase{"OffCentre", {80.37, 59.71, 2.0, 100000.0}, 1000, 0, {10, 14, 22}},
                      StarCase{"Narrow", {41.5, 30.25, 1.3, 50000.0}, 500, 0, {7, 10, 16}},
                      StarCase{"Wide", {100.8, 70.1, 3.2, 400000.0}, 2000, 0, {16, 20, 28}},
                      StarCase{"Noisy", {80.6, 60.2, 2.2, 200000.0}, 1500, 8, {11, 15, 24}},
                      StarCase{"FaintNoisy", {60.3, 50.9, 1.8, 40000.0}, 800, 4, {9, 13, 20}}),
    [](const auto& info) { return std::string(info.param.name); });

// A neighbouring star inside the sky annulus is clipped out of the background.
TEST(Photometry, NeighbourInTheAnnulusDoesNotRaiseTheSky) {
  const auto frame = test::starFrame(kWidth, kHeight, 1000,
                                     {{80.0, 60.0, 2.0, 100000.0}, {97.0, 60.0, 1.2, 80000.0}}, 3);
  PhotometryOptions options;
  options.radii = {10, 14, 22};
  const auto r = measureStar(frame, kWidth, kHeight, 80, 60, options);
  ASSERT_TRUE(r.measured());
  EXPECT_NEAR(r.sky, 1000, 1.0);
  EXPECT_NEAR(r.flux, 100000, 1000);
}

// Exposure time turns the magnitude into one of counts per second; a zero point shifts it.
TEST(Photometry, MagnitudeUsesExposureAndZeroPoint) {
  const auto frame = test::starFrame(kWidth, kHeight, 1000, {{80.0, 60.0, 2.0, 100000.0}});
  PhotometryOptions options;
  options.radii = {10, 14, 22};
  options.exposureSeconds = 10.0;
  options.zeroPoint = 20.0;
  const auto r = measureStar(frame, kWidth, kHeight, 80, 60, options);
  ASSERT_TRUE(r.magnitude.has_value());
  EXPECT_NEAR(*r.magnitude, 20.0 - 2.5 * std::log10(10000.0), 0.011);
}

// The refusals: a pick outside, an aperture over the edge, an annulus mostly outside, a flat
// frame without a star, and empty patches of a noisy sky.
TEST(Photometry, Refusals) {
  const auto frame = test::starFrame(kWidth, kHeight, 1000, {{80.0, 60.0, 2.0, 100000.0}});
  const auto flat = test::starFrame(kWidth, kHeight, 1000, {});
  // Regression: on a noisy sky an empty place was "measured" with whatever flux the noise left,
  // often negative. A star of SNR ~10 in the same noise is still measured.
  const auto noisy = test::starFrame(kWidth, kHeight, 1000, {{120.0, 60.0, 2.0, 2500.0}}, 20, 5);
  PhotometryOptions options;
  options.radii = {10, 14, 22};
  struct Case {
    const std::vector<std::uint16_t>* frame;
    int x, y;
    PhotometryApertures radii;
    PhotometryStatus status;
  };
  const Case cases[] = {
      {&frame, -1, 60, {10, 14, 22}, PhotometryStatus::OutsideImage},
      {&frame, 80, kHeight, {10, 14, 22}, PhotometryStatus::OutsideImage},
      {&frame, 5, 60, {10, 14, 22}, PhotometryStatus::TooCloseToEdge},
      {&frame, 80, 110, {10, 14, 22}, PhotometryStatus::TooCloseToEdge},
      {&flat, 80, 60, {10, 14, 22}, PhotometryStatus::NoStar},
      {&noisy, 40, 40, {10, 14, 22}, PhotometryStatus::NoStar},
      {&noisy, 60, 80, {6, 10, 16}, PhotometryStatus::NoStar},
      {&noisy, 80, 60, {3, 6, 12}, PhotometryStatus::NoStar},
      {&noisy, 30, 90, {8, 12, 20}, PhotometryStatus::NoStar},
  };
  for (const auto& c : cases) {
    options.radii = c.radii;
    const auto r = measureStar(*c.frame, kWidth, kHeight, c.x, c.y, options);
    EXPECT_EQ(r.status, c.status) << c.x << "," << c.y;
    EXPECT_FALSE(r.magnitude.has_value());
  }
  options.radii = {6, 10, 16};
  const auto faint = measureStar(noisy, kWidth, kHeight, 121, 60, options);
  ASSERT_TRUE(faint.measured());
  EXPECT_NEAR(faint.flux, 2500, 400);
  // A 12 x 12 frame leaves no room for the annulus of a radius-2 aperture at 4..8 pixels.
  const auto tiny = test::starFrame(12, 12, 100, {{6.0, 6.0, 0.8, 5000.0}});
  options.radii = {2, 30, 40};
  EXPECT_EQ(measureStar(tiny, 12, 12, 6, 6, options).status, PhotometryStatus::NoSky);
}

// A star whose peak reaches the saturation level has lost light at its core: it keeps its
// position and flux but gets no magnitude, and the report and the list say why.
TEST(Photometry, SaturatedStarGetsNoMagnitude) {
  struct Case {
    double flux;
    int saturationLevel;
    bool saturated;
  };
  // Peaks above the sky of 1000: about 4000 for 1e5 counts, clipped at 65535 for 3e6.
  const Case cases[] = {
      {1e5, PhotometryOptions::kCameraSaturation, false},
      {3e6, PhotometryOptions::kCameraSaturation, true},
      {1e5, 4000, true},
      {1e5, 6000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flux);
    const auto frame = test::starFrame(kWidth, kHeight, 1000, {{80.0, 60.0, 2.0, c.flux}});
    PhotometryOptions options;
    options.radii = {10, 14, 22};
    options.saturationLevel = c.saturationLevel;
    const auto r = measureStar(frame, kWidth, kHeight, 80, 60, options);
    ASSERT_TRUE(r.measured());
    EXPECT_NEAR(r.x, 80.0, 0.05);
    EXPECT_EQ(r.saturated, c.saturated);
    EXPECT_EQ(r.magnitude.has_value(), !c.saturated);
    const std::string report = formatPhotometry(r);
    const std::string line = photometryListLine(1, r);
    EXPECT_EQ(report.find("saturated (peak " + std::to_string(r.peak) + ", the camera clips at " +
                          std::to_string(c.saturationLevel) + ")") != std::string::npos,
              c.saturated)
        << report;
    EXPECT_EQ(line.ends_with("saturated"), c.saturated) << line;
  }
}

TEST(Photometry, ApertureRules) {
  const struct {
    PhotometryApertures radii;
    bool valid;
  } cases[] = {{{6, 10, 16}, true}, {{1, 2, 3}, true},  {{0, 2, 3}, false},  {{5, 5, 8}, false},
               {{5, 8, 8}, false},  {{5, 9, 8}, false}, {{5, 8, 100}, true}, {{5, 8, 101}, false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.radii.valid(), c.valid) << c.radii.aperture;
}

// The report itself is checked through the photometry command of the command-line tool.
TEST(Photometry, ListLineFormats) {
  const auto frame = test::starFrame(kWidth, kHeight, 1000, {{80.0, 60.0, 2.0, 100000.0}});
  PhotometryOptions options;
  options.radii = {10, 14, 22};
  const auto r = measureStar(frame, kWidth, kHeight, 80, 60, options);
  EXPECT_EQ(photometryListLine(3, r).substr(0, 24), "  3    80.00    60.00   ");
  PhotometryResult refused;
  refused.pickX = 4;
  refused.pickY = 5;
  EXPECT_EQ(photometryListLine(1, refused),
            "  1        4        5  Sorry, outside Image area - try again");
}

}  // namespace
}  // namespace nvk::process
