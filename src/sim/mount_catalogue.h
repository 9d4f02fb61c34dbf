#pragma once

#include <optional>
#include <string>

namespace nvk::sim {

// A sky position: right ascension in hours (0..24), declination in degrees.
struct SkyPosition {
  double raHours = 0.0;
  double decDegrees = 0.0;
};

// An object of the simulated mount's catalogues and the text its "#:LI#" answer carries.
struct CatalogueObject {
  SkyPosition position;
  std::string text;
};

// The mount's catalogues: 'm' Messier 1..110, 's' its star list (the planets are 901..909,
// other numbers are stars), 'c' CNGC 1..7815. The Messier objects sit at their J2000
// positions; the planets at fixed positions of one simulated night; stars and CNGC objects at
// positions derived from their numbers, the same every run. nullopt outside the catalogue.
std::optional<CatalogueObject> lookUpObject(char catalogue, int number);

// "RA 00:42.7 DEC +41*16": how the mount writes a position in its object texts.
std::string positionText(const SkyPosition& position);

}  // namespace nvk::sim
