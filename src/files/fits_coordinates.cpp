#include "files/fits_coordinates.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace nvk::files {
namespace {

constexpr long long kRaHundredthsPerDay = 24LL * 3600 * 100;

// A whole field: digits only.
bool isWhole(std::string_view field) {
  return !field.empty() && field.find_first_not_of("0123456789") == std::string_view::npos;
}

// "A B C" or "A:B:C", the C optional: two whole fields (the first may carry a sign, given apart
// so that "-00 30" keeps it) and a real one of digits and at most one point.
struct Fields {
  bool negative = false;
  int first = 0;
  int second = 0;
  double third = 0.0;
};

std::optional<Fields> splitFields(std::string_view text) {
  std::vector<std::string> fields;
  std::string field;
  for (const char c : std::string(text) + ' ') {
    if (c == ' ' || c == ':') {
      if (!field.empty()) fields.push_back(std::move(field));
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  if (fields.size() < 2 || fields.size() > 3) return std::nullopt;
  Fields parsed;
  std::string_view first = fields[0];
  if (first.starts_with('+') || first.starts_with('-')) {
    parsed.negative = first.front() == '-';
    first.remove_prefix(1);
  }
  const std::string third = fields.size() == 3 ? fields[2] : "0";
  const auto point = third.find('.');
  const bool realThird = isWhole(std::string_view(third).substr(0, point)) &&
                         (point == std::string::npos || isWhole(third.substr(point + 1)));
  // Three digits at most keep the whole fields far from an int's limits.
  if (!isWhole(first) || !isWhole(fields[1]) || !realThird || first.size() > 3 ||
      fields[1].size() > 2) {
    return std::nullopt;
  }
  parsed.first = std::atoi(std::string(first).c_str());
  parsed.second = std::atoi(fields[1].c_str());
  parsed.third = std::strtod(third.c_str(), nullptr);
  if (parsed.second > 59 || parsed.third >= 60.0) return std::nullopt;
  return parsed;
}

}  // namespace

std::string objectRaText(double raHours) {
  if (!std::isfinite(raHours)) return {};
  // Rounded to the hundredth of a second first, so that 23:59:59.996 becomes 00:00:00.00
  // rather than a 60th second.
  long long hundredths = std::llround(std::fmod(raHours, 24.0) * 3600.0 * 100.0);
  hundredths = ((hundredths % kRaHundredthsPerDay) + kRaHundredthsPerDay) % kRaHundredthsPerDay;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld %02lld %02lld.%02lld", hundredths / 360'000,
                hundredths / 6'000 % 60, hundredths / 100 % 60, hundredths % 100);
  return text;
}

std::string objectDecText(double decDegrees) {
  if (!std::isfinite(decDegrees) || std::fabs(decDegrees) > 90.0) return {};
  const long long tenths = std::llround(std::fabs(decDegrees) * 3600.0 * 10.0);
  // A value that rounds to zero is the equator, written north.
  const char sign = decDegrees < 0.0 && tenths > 0 ? '-' : '+';
  char text[32];
  std::snprintf(text, sizeof text, "%c%02lld %02lld %02lld.%01lld", sign, tenths / 36'000,
                tenths / 600 % 60, tenths / 10 % 60, tenths % 10);
  return text;
}

std::optional<double> parseObjectRa(std::string_view text) {
  const auto fields = splitFields(text);
  if (!fields || fields->negative || fields->first > 23) return std::nullopt;
  return fields->first + fields->second / 60.0 + fields->third / 3600.0;
}

std::optional<double> parseObjectDec(std::string_view text) {
  const auto fields = splitFields(text);
  if (!fields || fields->first > 90) return std::nullopt;
  const double degrees = fields->first + fields->second / 60.0 + fields->third / 3600.0;
  if (degrees > 90.0) return std::nullopt;
  return fields->negative ? -degrees : degrees;
}

}  // namespace nvk::files
