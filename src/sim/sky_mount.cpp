#include "sim/sky_mount.h"

#include <cmath>
#include <memory>

#include "sim/camera_head.h"

namespace nvk::sim {
namespace {

constexpr double kArcsecPerHour = 54'000.0;
constexpr double kArcsecPerDegree = 3'600.0;
constexpr double kRadiansPerDegree = M_PI / 180.0;

}  // namespace

SkyPoint skyPixelOf(const SkyPosition& position, const SkyPosition& trackingOrigin,
                    double arcsecPerPixel) {
  double raOffsetHours = position.raHours - trackingOrigin.raHours;
  if (raOffsetHours > 12.0) raOffsetHours -= 24.0;
  if (raOffsetHours < -12.0) raOffsetHours += 24.0;
  const double eastArcsec =
      kArcsecPerHour *
      (trackingOrigin.raHours * std::cos(trackingOrigin.decDegrees * kRadiansPerDegree) +
       raOffsetHours * std::cos(position.decDegrees * kRadiansPerDegree));
  const double northArcsec = kArcsecPerDegree * position.decDegrees;
  return {-eastArcsec / arcsecPerPixel, -northArcsec / arcsecPerPixel};
}

void followMount(Sky& sky, SimulatedMount& mount) {
  sky.attachMount({});
  sky.setPointing(0.0, 0.0);
  sky.setFocuser(0.0);
  const double scale = sky.options().arcsecPerPixel;
  sky.attachMount([&mount, scale] {
    // Pointing first: bringing the mount up to the present may land a GoTo and move the origin.
    const SkyPosition pointing = mount.pointing();
    const SkyPoint centre = skyPixelOf(pointing, mount.trackingOrigin(), scale);
    // The pointing names the sky under pixel (0, 0), half a sensor up and left of the centre.
    return MountReading{{centre.x - SimulatedCameraHead::kSensorColumns / 2.0,
                         centre.y - SimulatedCameraHead::kSensorRows / 2.0},
                        mount.focuserPosition()};
  });
}

void followReportedPointing(Sky& sky, SimulatedMount& errors,
                            std::function<std::optional<SkyPosition>()> reported) {
  sky.attachMount({});
  sky.setPointing(0.0, 0.0);
  sky.setFocuser(0.0);
  const double scale = sky.options().arcsecPerPixel;
  const SkyPosition errorsStart = errors.pointing();
  struct Last {
    std::optional<SkyPosition> origin;
    SkyPosition position;
  };
  auto last = std::make_shared<Last>();
  sky.attachMount([&errors, scale, errorsStart, last, reported = std::move(reported)] {
    if (const auto now = reported()) {
      last->position = *now;
      if (!last->origin) last->origin = *now;
    }
    const SkyPosition drifted = errors.pointing();
    const SkyPosition pointing{
        last->position.raHours + drifted.raHours - errorsStart.raHours,
        last->position.decDegrees + drifted.decDegrees - errorsStart.decDegrees};
    const SkyPoint centre = skyPixelOf(pointing, last->origin.value_or(pointing), scale);
    return MountReading{{centre.x - SimulatedCameraHead::kSensorColumns / 2.0,
                         centre.y - SimulatedCameraHead::kSensorRows / 2.0},
                        errors.focuserPosition()};
  });
}

void detachMount(Sky& sky) {
  const SkyPoint here = sky.pointing();
  const double focuser = sky.focuser();
  sky.attachMount({});
  sky.setPointing(here.x, here.y);
  sky.setFocuser(focuser);
}

}  // namespace nvk::sim
