#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace nvk::process {

// The three radii of aperture photometry, in image pixels: the star's aperture (R1) and the
// inner (R2) and outer (R3) edges of the sky annulus around it.
struct PhotometryApertures {
  static constexpr int kMaxRadius = 100;
  int aperture = 6;
  int skyInner = 10;
  int skyOuter = 16;

  // 1 <= R1 < R2 < R3 <= 100: the annulus must lie wholly outside the aperture.
  bool valid() const {
    return aperture >= 1 && aperture < skyInner && skyInner < skyOuter && skyOuter <= kMaxRadius;
  }
  bool operator==(const PhotometryApertures&) const = default;
};

// What turns counts into the figures an observer compares between stars and frames.
struct PhotometryOptions {
  PhotometryApertures radii;
  // Electrons per count: the Poisson noise of the star is flux / gain (in counts squared).
  double gain = 1.0;
  // The exposure in seconds; when positive the magnitude is of counts per second.
  double exposureSeconds = 0.0;
  // The instrumental zero point: the magnitude of a star of one count (per second).
  double zeroPoint = 25.0;
  // The sample at which the camera's converter, and every step of the program after it, clips:
  // a star whose peak reaches it has lost light at its core, so it gets no magnitude. 65534 and
  // up counts as clipped, as in the colour rendering.
  static constexpr int kCameraSaturation = 65534;
  int saturationLevel = kCameraSaturation;
};

enum class PhotometryStatus {
  Measured,
  OutsideImage,    // the pick lies outside the image
  TooCloseToEdge,  // the aperture leaves the image
  NoSky,           // fewer than kMinSkyPixels of the annulus lie in the image
  NoStar,          // nothing inside the aperture stands out from the sky (SNR below 3)
};

struct PhotometryResult {
  static constexpr int kMinSkyPixels = 8;

  PhotometryStatus status = PhotometryStatus::OutsideImage;
  PhotometryApertures radii;
  int pickX = 0;
  int pickY = 0;
  double x = 0.0;  // the star's centroid
  double y = 0.0;
  double sky = 0.0;           // background per pixel
  double skySigma = 0.0;      // the scatter of one background pixel
  int skyPixels = 0;          // annulus pixels the background was taken from
  double apertureArea = 0.0;  // pixels inside the aperture, partial pixels by their share
  double flux = 0.0;          // counts above the background inside the aperture
  int peak = 0;               // the highest sample inside the aperture
  double peakAboveSky = 0.0;
  double fwhm = 0.0;  // full width at half maximum in pixels; 0 when it could not be fitted
  double snr = 0.0;
  std::optional<double> magnitude;  // none when nothing was measured or the star is saturated
  double magnitudeError = 0.0;
  // The peak reached the saturation level: position, sky and flux are given, the magnitude is
  // not (the flux is only a lower limit).
  bool saturated = false;
  int saturationLevel = PhotometryOptions::kCameraSaturation;

  bool measured() const { return status == PhotometryStatus::Measured; }
};

// Aperture photometry of the star nearest the pick (pickX, pickY) on an image of width x height
// samples. The method, step by step:
//  1. The brightest sample within R1 of the pick is taken as the star's first position.
//  2. The background there is the mean of the annulus R2 <= r < R3 (pixel centres) after
//     iterated 3-sigma clipping about the median, which drops neighbouring stars and hot
//     pixels; its standard deviation is the per-pixel noise.
//  3. The centroid is the mean position weighted by the counts above the background within R1,
//     iterated until it moves less than 0.001 pixel; the background is then measured again
//     around it.
//  4. The flux is the sum of the counts above the background over the circle of radius R1,
//     each edge pixel weighted by the share of its area inside the circle.
//  5. The FWHM comes from a least-squares fit of ln(counts above background) = a - r^2 / 2s^2
//     to the aperture's pixels above a twentieth of the peak, weighted by the counts squared
//     (the log's variance falls with the square of the signal); FWHM = 2 sqrt(2 ln 2) s.
//  6. The signal-to-noise ratio follows the CCD equation: noise^2 = flux / gain +
//     area * sky sigma^2 * (1 + area / sky pixels).
//     A flux that is not positive or an SNR below 3 is no star: the pick is refused.
//  7. The instrumental magnitude is zeroPoint - 2.5 log10(flux / exposure), its error
//     1.0857 / SNR; none when the peak is at or above the saturation level (`saturated`).
PhotometryResult measureStar(std::span<const std::uint16_t> image, int width, int height, int pickX,
                             int pickY, const PhotometryOptions& options);

// The measurement as the results window and the command-line tool print it, one quantity a line.
std::string formatPhotometry(const PhotometryResult& result);
// One line of the list of measurements: number, position, flux, FWHM, SNR and magnitude.
std::string photometryListLine(int number, const PhotometryResult& result);
// The heading of that list.
std::string photometryListHeading();
// Why a pick could not be measured, for the message box.
std::string photometryRefusalText(PhotometryStatus status);

}  // namespace nvk::process
