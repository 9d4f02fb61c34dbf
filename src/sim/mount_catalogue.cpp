#include "sim/mount_catalogue.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "scope/sky_positions.h"

namespace nvk::sim {
namespace {

struct PlanetEntry {
  int number;
  std::string_view name;
  std::string_view position;
};
// Where the planets stand on the simulated night.
constexpr std::array<PlanetEntry, 8> kPlanets{{{901, "Mercury", "17 02.0 -23 10"},
                                               {902, "Venus", "16 05.0 -19 40"},
                                               {904, "Mars", "07 52.0 +24 05"},
                                               {905, "Jupiter", "04 45.0 +21 30"},
                                               {906, "Saturn", "23 10.0 -07 00"},
                                               {907, "Uranus", "03 30.0 +18 30"},
                                               {908, "Neptune", "23 55.0 -02 10"},
                                               {909, "Pluto", "20 15.0 -22 50"}}};

constexpr int kStarListSize = 999;
constexpr int kCngcSize = 7815;

SkyPosition parsePosition(std::string_view text) {
  int raH = 0, decD = 0, decM = 0;
  double raM = 0.0;
  char sign = '+';
  std::sscanf(std::string(text).c_str(), "%d %lf %c%d %d", &raH, &raM, &sign, &decD, &decM);
  const double dec = decD + decM / 60.0;
  return {raH + raM / 60.0, sign == '-' ? -dec : dec};
}

// A position that depends only on `number`, spread evenly over the sphere.
SkyPosition derivedPosition(char catalogue, int number) {
  std::uint64_t h = static_cast<std::uint64_t>(number) * 0x9E3779B97F4A7C15ull +
                    static_cast<std::uint64_t>(catalogue);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 27;
  const double u = static_cast<double>(h & 0xFFFFFF) / 0x1000000;
  const double v = static_cast<double>((h >> 24) & 0xFFFFFF) / 0x1000000;
  return {24.0 * u, std::asin(2.0 * v - 1.0) * 180.0 / M_PI};
}

}  // namespace

std::string positionText(const SkyPosition& position) {
  // Tenths of a minute of R.A. and whole minutes of Dec., rounded.
  const long raTenths = std::lround(position.raHours * 600.0) % (24 * 600);
  const long decMinutes = std::lround(std::fabs(position.decDegrees) * 60.0);
  char text[64];
  std::snprintf(text, sizeof text, "RA %02ld:%02ld.%ld DEC %c%02ld*%02ld", raTenths / 600,
                raTenths / 10 % 60, raTenths % 10, position.decDegrees < 0 ? '-' : '+',
                decMinutes / 60, decMinutes % 60);
  return text;
}

std::optional<CatalogueObject> lookUpObject(char catalogue, int number) {
  if (catalogue == 'm') {
    const auto j2000 = scope::messierJ2000(number);
    if (!j2000) return std::nullopt;
    const SkyPosition position{j2000->raHours, j2000->decDegrees};
    return CatalogueObject{position, "M" + std::to_string(number) + " " + positionText(position)};
  }
  if (catalogue == 's' && number >= 1 && number <= kStarListSize) {
    for (const auto& planet : kPlanets) {
      if (planet.number != number) continue;
      const SkyPosition position = parsePosition(planet.position);
      return CatalogueObject{position, std::string(planet.name) + " " + positionText(position)};
    }
    const SkyPosition position = derivedPosition(catalogue, number);
    return CatalogueObject{position,
                           "STAR " + std::to_string(number) + " " + positionText(position)};
  }
  if (catalogue == 'c' && number >= 1 && number <= kCngcSize) {
    const SkyPosition position = derivedPosition(catalogue, number);
    return CatalogueObject{position, "NGC" + std::to_string(number) + " " + positionText(position)};
  }
  return std::nullopt;
}

}  // namespace nvk::sim
