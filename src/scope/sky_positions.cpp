#include "scope/sky_positions.h"

#include <erfa.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace nvk::scope {
namespace {

// "HH MM.M sDD MM", J2000.
constexpr std::array<std::string_view, 110> kMessier{
    "05 34.5 +22 01", "21 33.5 -00 49", "13 42.2 +28 23", "16 23.6 -26 32", "15 18.6 +02 05",
    "17 40.1 -32 13", "17 53.9 -34 49", "18 03.8 -24 23", "17 19.2 -18 31", "16 57.1 -04 06",
    "18 51.1 -06 16", "16 47.2 -01 57", "16 41.7 +36 28", "17 37.6 -03 15", "21 30.0 +12 10",
    "18 18.8 -13 47", "18 20.8 -16 11", "18 19.9 -17 08", "17 02.6 -26 16", "18 02.6 -23 02",
    "18 04.6 -22 30", "18 36.4 -23 54", "17 56.8 -19 01", "18 16.9 -18 29", "18 31.6 -19 15",
    "18 45.2 -09 24", "19 59.6 +22 43", "18 24.5 -24 52", "20 23.9 +38 32", "21 40.4 -23 11",
    "00 42.7 +41 16", "00 42.7 +40 52", "01 33.9 +30 39", "02 42.0 +42 47", "06 08.9 +24 20",
    "05 36.1 +34 08", "05 52.4 +32 33", "05 28.4 +35 50", "21 32.2 +48 26", "12 22.4 +58 05",
    "06 46.0 -20 44", "05 35.4 -05 27", "05 35.6 -05 16", "08 40.1 +19 59", "03 47.0 +24 07",
    "07 41.8 -14 49", "07 36.6 -14 30", "08 13.8 -05 48", "12 29.8 +08 00", "07 03.2 -08 20",
    "13 29.9 +47 12", "23 24.2 +61 35", "13 12.9 +18 10", "18 55.1 -30 29", "19 40.0 -30 58",
    "19 16.6 +30 11", "18 53.6 +33 02", "12 37.7 +11 49", "12 42.0 +11 39", "12 43.7 +11 33",
    "12 21.9 +04 28", "17 01.2 -30 07", "13 15.8 +42 02", "12 56.7 +21 41", "11 18.9 +13 05",
    "11 20.2 +12 59", "08 50.4 +11 49", "12 39.5 -26 45", "18 31.4 -32 21", "18 43.2 -32 18",
    "19 53.8 +18 47", "20 53.5 -12 32", "20 59.0 -12 38", "01 36.7 +15 47", "20 06.1 -21 55",
    "01 42.4 +51 34", "02 42.7 -00 01", "05 46.7 +00 03", "05 24.5 -24 33", "16 17.0 -22 59",
    "09 55.6 +69 04", "09 55.8 +69 41", "13 37.0 -29 52", "12 25.1 +12 53", "12 25.4 +18 11",
    "12 26.2 +12 57", "12 30.8 +12 23", "12 32.0 +14 25", "12 35.7 +12 33", "12 36.8 +13 10",
    "12 35.4 +14 30", "17 17.1 +43 08", "07 44.6 -23 52", "12 50.9 +41 07", "10 44.0 +11 42",
    "10 46.8 +11 49", "11 14.8 +55 01", "12 13.8 +14 54", "12 18.8 +14 25", "12 22.9 +15 49",
    "14 03.2 +54 21", "15 06.5 +55 46", "01 33.2 +60 42", "12 40.0 -11 37", "10 47.8 +12 35",
    "12 19.0 +47 18", "16 32.5 -13 03", "11 11.5 +55 40", "11 57.6 +53 23", "00 40.4 +41 41"};

constexpr double kPi = 3.141592653589793238462643;
constexpr double kHoursPerRadian = 12.0 / kPi;
constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr double kSecondsPerDay = 86'400.0;
constexpr double kUnixEpochJd = 2'440'587.5;
// Light crosses one astronomical unit in this many days.
constexpr double kLightDaysPerAu = 499.004784 / kSecondsPerDay;

EquatorialPosition parsePosition(std::string_view text) {
  int raH = 0, decD = 0, decM = 0;
  double raM = 0.0;
  char sign = '+';
  std::sscanf(std::string(text).c_str(), "%d %lf %c%d %d", &raH, &raM, &sign, &decD, &decM);
  const double dec = decD + decM / 60.0;
  return {raH + raM / 60.0, sign == '-' ? -dec : dec};
}

// The Julian date of a UTC instant as the two parts ERFA takes; terrestrial time differs from
// UTC by about a minute, which moves the frame by far less than a mount can point.
struct JulianDate {
  double day;
  double fraction;
};
JulianDate julianDate(std::int64_t unixSeconds) {
  const auto days = static_cast<double>(unixSeconds / 86'400);
  const auto rest = static_cast<double>(unixSeconds % 86'400) / kSecondsPerDay;
  return {kUnixEpochJd + days, rest};
}

EquatorialPosition fromVector(double v[3]) {
  double ra = 0.0, dec = 0.0;
  eraC2s(v, &ra, &dec);
  return {eraAnp(ra) * kHoursPerRadian, dec / kRadiansPerDegree};
}

// Rotates a J2000 direction into the true equator and equinox of the date.
EquatorialPosition toDate(double j2000[3], std::int64_t unixSeconds) {
  const JulianDate jd = julianDate(unixSeconds);
  double matrix[3][3];
  eraPnm06a(jd.day, jd.fraction, matrix);
  double ofDate[3];
  eraRxp(matrix, j2000, ofDate);
  return fromVector(ofDate);
}

}  // namespace

std::optional<EquatorialPosition> messierJ2000(int number) {
  if (number < 1 || number > static_cast<int>(kMessier.size())) return std::nullopt;
  return parsePosition(kMessier[static_cast<std::size_t>(number - 1)]);
}

EquatorialPosition precessToDate(const EquatorialPosition& j2000, std::int64_t unixSeconds) {
  double v[3];
  eraS2c(j2000.raHours / kHoursPerRadian, j2000.decDegrees * kRadiansPerDegree, v);
  return toDate(v, unixSeconds);
}

std::optional<EquatorialPosition> planetOfDate(int number, std::int64_t unixSeconds) {
  const int planet = number - 900;
  if (planet < 1 || planet > 8 || planet == 3) return std::nullopt;
  const JulianDate jd = julianDate(unixSeconds);
  double earthHelio[2][3], earthBary[2][3];
  eraEpv00(jd.day, jd.fraction, earthHelio, earthBary);
  // The planet where it was when the light now arriving left it: two passes settle the
  // light time well below a second of arc.
  double lightDays = 0.0;
  double seen[3] = {0.0, 0.0, 0.0};
  for (int pass = 0; pass < 2; ++pass) {
    double planetHelio[2][3];
    if (eraPlan94(jd.day, jd.fraction - lightDays, planet, planetHelio) > 1) return std::nullopt;
    for (int i = 0; i < 3; ++i)
      seen[i] = planetHelio[0][i] - earthHelio[0][i];
    lightDays = eraPm(seen) * kLightDaysPerAu;
  }
  return toDate(seen, unixSeconds);
}

double separationArcmin(const EquatorialPosition& a, const EquatorialPosition& b) {
  const double radians = eraSeps(a.raHours / kHoursPerRadian, a.decDegrees * kRadiansPerDegree,
                                 b.raHours / kHoursPerRadian, b.decDegrees * kRadiansPerDegree);
  return radians / kRadiansPerDegree * 60.0;
}

std::string positionText(const EquatorialPosition& position) {
  const long raSeconds = std::lround(position.raHours * 3600.0) % (24L * 3600);
  const long decSeconds = std::lround(std::fabs(position.decDegrees) * 3600.0);
  char text[64];
  std::snprintf(text, sizeof text, "RA %02ldh%02ldm%02lds DEC %c%02ldd%02ld'%02ld\"",
                raSeconds / 3600, raSeconds / 60 % 60, raSeconds % 60,
                position.decDegrees < 0 ? '-' : '+', decSeconds / 3600, decSeconds / 60 % 60,
                decSeconds % 60);
  return text;
}

}  // namespace nvk::scope
