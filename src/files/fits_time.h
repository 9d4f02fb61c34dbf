#pragma once

#include <cstdint>
#include <string>

namespace nvk::files {

// A calendar date and time of day, local or Universal.
struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const CivilTime&) const = default;
};

// The machine's local time at `wallSeconds` (seconds since 1970 UTC).
CivilTime localTimeOf(std::int64_t wallSeconds);
// Universal Time at `wallSeconds`, without asking the machine.
CivilTime universalTimeOf(std::int64_t wallSeconds);
// `time` moved by whole hours across days, months and years: UT = local time + utOffsetHours.
CivilTime addHours(const CivilTime& time, int hours);

// "HH:MM:SS" and "YYYY-MM-DD", as TIME-OBS and DATE-OBS of a quick save.
std::string timeObsText(const CivilTime& time);
std::string dateObsText(const CivilTime& time);
// "20YY-MM-DD": the date Save FITS offers when DATE-OBS is shorter than 10 characters.
std::string todayDateObsText(const CivilTime& localToday);

// The next quick-save number: 1 after 65529, else one more.
std::uint16_t nextAutosaveCounter(std::uint16_t counter);

}  // namespace nvk::files
