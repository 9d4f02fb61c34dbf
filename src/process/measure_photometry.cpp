#include "process/measure_photometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "base/messages.h"

namespace nvk::process {
namespace {

constexpr double kFwhmPerSigma = 2.3548200450309493;     // 2 sqrt(2 ln 2)
constexpr double kMagnitudePerSnr = 1.0857362047581294;  // 2.5 / ln 10
constexpr int kEdgeSubsamples = 8;  // per side, for the share of an edge pixel inside the circle
// Below this signal-to-noise ratio the aperture holds nothing told apart from the sky's own
// scatter: an empty patch of sky measures a flux of either sign about zero.
constexpr double kMinDetectionSnr = 3.0;

struct View {
  std::span<const std::uint16_t> image;
  int width;
  int height;
  int at(int x, int y) const {
    return image[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)];
  }
};

struct SkyEstimate {
  double level = 0.0;
  double sigma = 0.0;
  int pixels = 0;
};

// Mean and standard deviation of the annulus samples after clipping at 3 sigma about the median
// until the kept set no longer changes.
SkyEstimate estimateSky(const View& v, double cx, double cy, const PhotometryApertures& r) {
  std::vector<int> values;
  const double inner2 = double(r.skyInner) * r.skyInner;
  const double outer2 = double(r.skyOuter) * r.skyOuter;
  const int x0 = std::max(0, int(std::floor(cx - r.skyOuter)));
  const int x1 = std::min(v.width - 1, int(std::ceil(cx + r.skyOuter)));
  const int y0 = std::max(0, int(std::floor(cy - r.skyOuter)));
  const int y1 = std::min(v.height - 1, int(std::ceil(cy + r.skyOuter)));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d2 >= inner2 && d2 < outer2) values.push_back(v.at(x, y));
    }
  }
  SkyEstimate sky;
  if (values.empty()) return sky;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median =
      n % 2 ? values[n / 2] : 0.5 * (double(values[n / 2 - 1]) + double(values[n / 2]));
  double centre = median;
  std::size_t lo = 0, hi = n;
  double mean = 0.0, sigma = 0.0;
  for (int pass = 0; pass < 10; ++pass) {
    double sum = 0.0, sum2 = 0.0;
    for (std::size_t i = lo; i < hi; ++i) {
      sum += values[i];
      sum2 += double(values[i]) * values[i];
    }
    const double count = double(hi - lo);
    mean = sum / count;
    sigma = std::sqrt(std::max(0.0, sum2 / count - mean * mean));
    if (pass == 0)
      centre = median;  // clip about the median first: stars pull the mean up
    else
      centre = mean;
    const double low = centre - 3.0 * sigma;
    const double high = centre + 3.0 * sigma;
    std::size_t newLo = std::lower_bound(values.begin(), values.end(), low) - values.begin();
    std::size_t newHi = std::upper_bound(values.begin(), values.end(), high) - values.begin();
    if (newHi <= newLo || (newLo == lo && newHi == hi)) break;
    lo = newLo;
    hi = newHi;
  }
  sky.level = mean;
  sky.sigma = sigma;
  sky.pixels = int(hi - lo);
  return sky;
}

// The share of pixel (x, y) (a unit square about its centre) inside the circle of radius r
// about (cx, cy).
double shareInside(int x, int y, double cx, double cy, double r) {
  const double dx = std::abs(x - cx);
  const double dy = std::abs(y - cy);
  const double farX = dx + 0.5, farY = dy + 0.5;
  if (farX * farX + farY * farY <= r * r) return 1.0;
  const double nearX = std::max(0.0, dx - 0.5), nearY = std::max(0.0, dy - 0.5);
  if (nearX * nearX + nearY * nearY >= r * r) return 0.0;
  int inside = 0;
  for (int j = 0; j < kEdgeSubsamples; ++j) {
    for (int i = 0; i < kEdgeSubsamples; ++i) {
      const double sx = x - 0.5 + (i + 0.5) / kEdgeSubsamples - cx;
      const double sy = y - 0.5 + (j + 0.5) / kEdgeSubsamples - cy;
      if (sx * sx + sy * sy < r * r) ++inside;
    }
  }
  return double(inside) / (kEdgeSubsamples * kEdgeSubsamples);
}

bool apertureInside(const View& v, double cx, double cy, int r) {
  return cx - r - 1 >= 0 && cy - r - 1 >= 0 && cx + r + 1 <= v.width - 1 &&
         cy + r + 1 <= v.height - 1;
}

}  // namespace

PhotometryResult measureStar(std::span<const std::uint16_t> image, int width, int height, int pickX,
                             int pickY, const PhotometryOptions& options) {
  PhotometryResult result;
  const PhotometryApertures& radii = options.radii;
  result.radii = radii;
  result.pickX = pickX;
  result.pickY = pickY;
  if (pickX < 0 || pickY < 0 || pickX >= width || pickY >= height) return result;
  const View v{image, width, height};
  const int r1 = radii.aperture;
  if (!apertureInside(v, pickX, pickY, r1)) {
    result.status = PhotometryStatus::TooCloseToEdge;
    return result;
  }

  // 1. The brightest sample near the pick.
  int bestX = pickX, bestY = pickY, best = -1;
  for (int y = pickY - r1; y <= pickY + r1; ++y) {
    for (int x = pickX - r1; x <= pickX + r1; ++x) {
      if ((x - pickX) * (x - pickX) + (y - pickY) * (y - pickY) > r1 * r1) continue;
      if (v.at(x, y) > best) {
        best = v.at(x, y);
        bestX = x;
        bestY = y;
      }
    }
  }
  double cx = bestX, cy = bestY;
  if (!apertureInside(v, cx, cy, r1)) {
    result.status = PhotometryStatus::TooCloseToEdge;
    return result;
  }

  // 2, 3. Background, then the weighted centroid, then the background about the centroid.
  SkyEstimate sky = estimateSky(v, cx, cy, radii);
  if (sky.pixels < PhotometryResult::kMinSkyPixels) {
    result.status = PhotometryStatus::NoSky;
    return result;
  }
  for (int iteration = 0; iteration < 50; ++iteration) {
    double sw = 0.0, sx = 0.0, sy = 0.0;
    const int ix = int(std::lround(cx)), iy = int(std::lround(cy));
    for (int y = iy - r1; y <= iy + r1; ++y) {
      for (int x = ix - r1; x <= ix + r1; ++x) {
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > double(r1) * r1) continue;
        const double w = v.at(x, y) - sky.level;
        if (w <= 0.0) continue;
        sw += w;
        sx += w * x;
        sy += w * y;
      }
    }
    if (sw <= 0.0) {
      result.status = PhotometryStatus::NoStar;
      return result;
    }
    const double nx = sx / sw, ny = sy / sw;
    if (!apertureInside(v, nx, ny, r1)) {
      result.status = PhotometryStatus::TooCloseToEdge;
      return result;
    }
    const double moved = std::hypot(nx - cx, ny - cy);
    cx = nx;
    cy = ny;
    if (moved < 0.001) break;
  }
  sky = estimateSky(v, cx, cy, radii);
  if (sky.pixels < PhotometryResult::kMinSkyPixels) {
    result.status = PhotometryStatus::NoSky;
    return result;
  }

  // 4, 5. Flux over the aperture, the peak and the profile fit.
  const int ix = int(std::lround(cx)), iy = int(std::lround(cy));
  double flux = 0.0, area = 0.0;
  int peak = 0;
  for (int y = iy - r1 - 1; y <= iy + r1 + 1; ++y) {
    for (int x = ix - r1 - 1; x <= ix + r1 + 1; ++x) {
      const double share = shareInside(x, y, cx, cy, r1);
      if (share <= 0.0) continue;
      flux += share * (v.at(x, y) - sky.level);
      area += share;
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= double(r1) * r1)
        peak = std::max(peak, v.at(x, y));
    }
  }
  const double peakAboveSky = peak - sky.level;
  double s0 = 0, s1 = 0, s2 = 0, t0 = 0, t1 = 0;  // weighted sums for the line ln I = a + b r^2
  int fitted = 0;
  for (int y = iy - r1; y <= iy + r1; ++y) {
    for (int x = ix - r1; x <= ix + r1; ++x) {
      const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (r2 > double(r1) * r1) continue;
      const double counts = v.at(x, y) - sky.level;
      if (counts <= peakAboveSky / 20.0 || counts <= 0.0) continue;
      const double w = counts * counts;
      const double l = std::log(counts);
      s0 += w;
      s1 += w * r2;
      s2 += w * r2 * r2;
      t0 += w * l;
      t1 += w * r2 * l;
      ++fitted;
    }
  }
  double fwhm = 0.0;
  const double det = s0 * s2 - s1 * s1;
  if (fitted >= 3 && det > 0.0) {
    const double slope = (s0 * t1 - s1 * t0) / det;
    if (slope < 0.0) fwhm = kFwhmPerSigma * std::sqrt(-1.0 / (2.0 * slope));
  }

  // 6, 7. Signal to noise and magnitude.
  const double gain = options.gain > 0.0 ? options.gain : 1.0;
  const double skyVariance = sky.sigma * sky.sigma;
  const double noise2 = std::max(0.0, flux) / gain + area * skyVariance * (1.0 + area / sky.pixels);
  const double snr = noise2 > 0.0 ? flux / std::sqrt(noise2) : 0.0;
  if (flux <= 0.0 || snr < kMinDetectionSnr) {
    result.status = PhotometryStatus::NoStar;
    return result;
  }

  result.status = PhotometryStatus::Measured;
  result.x = cx;
  result.y = cy;
  result.sky = sky.level;
  result.skySigma = sky.sigma;
  result.skyPixels = sky.pixels;
  result.apertureArea = area;
  result.flux = flux;
  result.peak = peak;
  result.peakAboveSky = peakAboveSky;
  result.fwhm = fwhm;
  result.snr = snr;
  result.saturationLevel = options.saturationLevel;
  if (peak >= options.saturationLevel) {
    result.saturated = true;
    return result;
  }
  const double rate = options.exposureSeconds > 0.0 ? flux / options.exposureSeconds : flux;
  result.magnitude = options.zeroPoint - 2.5 * std::log10(rate);
  result.magnitudeError = kMagnitudePerSnr / snr;
  return result;
}

std::string formatPhotometry(const PhotometryResult& r) {
  if (!r.measured()) return photometryRefusalText(r.status) + "\n";
  char text[640];
  std::snprintf(text, sizeof text,
                "Centroid x     = %.2f\n"
                "Centroid y     = %.2f\n"
                "Apertures      = %d / %d / %d pixels\n"
                "Sky per pixel  = %.1f (sigma %.1f, %d pixels)\n"
                "Flux           = %.0f counts over %.1f pixels\n"
                "Peak           = %d (%.0f above sky)\n"
                "FWHM           = %.2f pixels\n"
                "SNR            = %.1f\n",
                r.x, r.y, r.radii.aperture, r.radii.skyInner, r.radii.skyOuter, r.sky, r.skySigma,
                r.skyPixels, r.flux, r.apertureArea, r.peak, r.peakAboveSky, r.fwhm, r.snr);
  char magnitude[160];
  if (r.saturated) {
    std::snprintf(magnitude, sizeof magnitude,
                  "Magnitude      = none: the star is saturated (peak %d, the camera clips at "
                  "%d)\n",
                  r.peak, r.saturationLevel);
  } else {
    std::snprintf(magnitude, sizeof magnitude, "Magnitude      = %.3f +/- %.3f\n",
                  r.magnitude.value_or(0.0), r.magnitudeError);
  }
  return std::string(text) + magnitude;
}

std::string photometryListHeading() {
  return "  #        x        y        flux    fwhm      snr     mag";
}

std::string photometryListLine(int number, const PhotometryResult& r) {
  char text[160];
  if (!r.measured()) {
    std::snprintf(text, sizeof text, "%3d  %7d  %7d  %s", number, r.pickX, r.pickY,
                  photometryRefusalText(r.status).c_str());
  } else if (r.saturated) {
    std::snprintf(text, sizeof text, "%3d  %7.2f  %7.2f  %10.0f  %6.2f  %7.1f  saturated", number,
                  r.x, r.y, r.flux, r.fwhm, r.snr);
  } else {
    std::snprintf(text, sizeof text, "%3d  %7.2f  %7.2f  %10.0f  %6.2f  %7.1f  %6.3f", number, r.x,
                  r.y, r.flux, r.fwhm, r.snr, r.magnitude.value_or(0.0));
  }
  return text;
}

std::string photometryRefusalText(PhotometryStatus status) {
  switch (status) {
    case PhotometryStatus::Measured:
      return {};
    case PhotometryStatus::OutsideImage:
      return std::string(base::messageText(base::Message::OutsideImageArea));
    case PhotometryStatus::TooCloseToEdge:
      return "Sorry, the star is too close to the edge of the image for these apertures";
    case PhotometryStatus::NoSky:
      return "Sorry, too little of the sky annulus lies inside the image";
    case PhotometryStatus::NoStar:
      return "Sorry, no star above the sky background here";
  }
  return {};
}

}  // namespace nvk::process
