#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nvk::scope {

// A position on the sky: right ascension in hours (0..24), declination in degrees.
struct EquatorialPosition {
  double raHours = 0.0;
  double decDegrees = 0.0;
};

// The J2000 position of Messier object 1..110; nullopt outside the catalogue.
std::optional<EquatorialPosition> messierJ2000(int number);

// A J2000 position carried to the true equator and equinox of the date (precession and
// nutation: the "of date" frame a mount's EQUATORIAL_EOD_COORD takes), at `unixSeconds` UTC.
EquatorialPosition precessToDate(const EquatorialPosition& j2000, std::int64_t unixSeconds);

// Where planet `number` of the mount's star list (901 Mercury .. 908 Neptune, 903 being the
// Earth) stands seen from the Earth's centre at `unixSeconds` UTC, in the frame of the date
// (light time taken into account). nullopt for a number without an ephemeris here (909 Pluto).
std::optional<EquatorialPosition> planetOfDate(int number, std::int64_t unixSeconds);

// The angle between two positions, in arcminutes.
double separationArcmin(const EquatorialPosition& a, const EquatorialPosition& b);

// "RA 05h35m24s DEC -05d27'00"" to the nearest second.
std::string positionText(const EquatorialPosition& position);

}  // namespace nvk::scope
