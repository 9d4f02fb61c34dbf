#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace nvk::sim {

// Colours of the sensor's 2 x 2 filter cells by (row parity, column parity): even rows
// blue, green; odd rows green, red.
enum class SiteColour { Red, Green, Blue, Mono };
SiteColour siteColour(int row, int column);

// The physics of the simulated sky and sensor.
struct SkyOptions {
  std::uint64_t seed = 20260;
  double starsPerTile = 12.0;        // stars per 256 x 256 sky pixels
  double brightestFlux = 400'000.0;  // whole-star signal per second of the brightest stars
  double faintestFlux = 1'500.0;
  double biasAdu = 120.0;
  double backgroundAduPerSecond = 30.0;
  double readNoiseAdu = 6.0;
  double darkAduPerSecondAt20C = 6.0;  // dark current doubles every `darkDoublingC`
  double darkDoublingC = 6.0;
  double hotPixelFraction = 1.0 / 5000.0;
  double hotPixelMinAduPerSecond = 200.0;  // at 20 C, like the dark current
  double hotPixelMaxAduPerSecond = 3000.0;
  double vignetting = 0.3;       // fraction of light lost in the corners
  double focusedSigma = 1.3;     // star sigma in sensor pixels at best focus
  double bestFocus = 0.0;        // focuser position of best focus
  double defocusPerStep = 0.02;  // sigma growth per focuser step away from best focus
  bool noise = true;             // shot and read noise (off for exact tests of the model)
  // The image scale: arcsec of sky per sky pixel, and a sky pixel is one main-sensor pixel.
  double arcsecPerPixel = 1.5;
};

// Where a sensor looks: sky position of the centre of pixel (0, 0), the direction of its
// columns (rotation in radians), sky pixels per sensor pixel, and an extra shift in sensor
// pixels (the AO unit's tilt).
struct SkyView {
  double originX = 0.0;
  double originY = 0.0;
  double angle = 0.0;
  double scale = 1.0;
  double shiftX = 0.0;
  double shiftY = 0.0;
  bool colour = true;  // the main sensor has colour cells, the guide head none
  // Size of the whole sensor, for vignetting.
  int sensorWidth = 3032;
  int sensorHeight = 2016;
};

// A place on the sky, in sky pixels.
struct SkyPoint {
  double x = 0.0;
  double y = 0.0;
};

// What a mount attached to the sky says: where the main sensor's pixel (0, 0) looks, and the
// position of its focuser.
struct MountReading {
  SkyPoint pointing;
  double focuser = 0.0;
};

struct Star {
  double x;  // sky pixels
  double y;
  double flux;  // signal per second, summed over the star
  double red;   // colour weights (green is 1)
  double blue;
};

// One deterministic sky seen by every simulated device: a seeded star field (generated tile by
// tile, so it goes on wherever the mount points), background, Gaussian stars whose width
// follows the focuser, read noise, dark current growing with exposure and temperature, fixed
// hot pixels and vignetting.
class Sky {
 public:
  explicit Sky(SkyOptions options = {}) : options_(options) {}

  const SkyOptions& options() const { return options_; }

  // The main sensor's pointing: sky position of its pixel (0, 0). Every sensor reads it as it
  // renders, so an attached mount moves the next frame of each.
  SkyPoint pointing() const;
  double pointingX() const { return pointing().x; }
  double pointingY() const { return pointing().y; }
  // Puts pixel (0, 0) at (x, y) now; an attached mount moves it on from there.
  void setPointing(double x, double y);
  void movePointing(double dx, double dy) {
    offset_.x += dx;
    offset_.y += dy;
  }
  // The focuser position; stars widen away from best focus. With a mount attached, its
  // focuser's position plus what setFocuser() added.
  double focuser() const;
  void setFocuser(double position);
  // Lets a mount drive the pointing and the focuser: `mount` is asked whenever they are read
  // (followMount() in sim/sky_mount.h attaches the simulated mount). An empty function detaches
  // it; the offsets that setPointing(), movePointing() and setFocuser() made stay.
  void attachMount(std::function<MountReading()> mount) { mount_ = std::move(mount); }
  double starSigma() const;

  // Stars whose sky position lies in [x0, x1) x [y0, y1).
  std::vector<Star> starsIn(double x0, double y0, double x1, double y1) const;

  // Renders the region [column0, column0 + width) x [row0, row0 + height) of a sensor looking
  // through `view` for `exposureSeconds` at `temperatureC`, noise drawn for frame `frameNumber`.
  // `out` holds width x height samples, rows one after the other.
  void render(const SkyView& view, int column0, int row0, int width, int height,
              double exposureSeconds, double temperatureC, std::uint64_t frameNumber,
              std::uint16_t* out) const;

  // The dark current (ADU per second) of the sensor pixel at (column, row) at `temperatureC`.
  double darkRate(int column, int row, double temperatureC) const;
  bool isHotPixel(int column, int row) const;

 private:
  SkyOptions options_;
  std::function<MountReading()> mount_;
  // Added to what the mount says (without a mount, the whole pointing and focuser position).
  SkyPoint offset_;
  double focuserOffset_ = 0.0;
  mutable std::vector<float> light_;  // working buffer of render()
};

// The view of the main sensor for the sky's pointing.
SkyView mainSensorView(const Sky& sky);

}  // namespace nvk::sim
