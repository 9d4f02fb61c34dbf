#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nvk::files {

// The sexagesimal strings of OBJCTRA and OBJCTDEC, the form Siril, ASTAP and PixInsight read:
// "HH MM SS.ss" (hours, to the hundredth of a second of time) and "+DD MM SS.s" (degrees, to the
// tenth of an arcsecond, always signed). A right ascension is taken round the clock (24 h is
// 0 h); a declination beyond the poles, or a value that is no number, has no text (empty).
std::string objectRaText(double raHours);
std::string objectDecText(double decDegrees);

// The hours and degrees of such strings; spaces or colons between the fields, the seconds
// optional, the declination's sign optional. nullopt for anything else or a field out of range.
std::optional<double> parseObjectRa(std::string_view text);
std::optional<double> parseObjectDec(std::string_view text);

}  // namespace nvk::files
