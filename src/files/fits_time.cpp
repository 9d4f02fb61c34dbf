#include "files/fits_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace nvk::files {
namespace {

CivilTime civilTimeAt(std::chrono::sys_seconds at) {
  using namespace std::chrono;
  const auto day = floor<days>(at);
  const year_month_day ymd{day};
  const hh_mm_ss clock{at - day};
  return {static_cast<int>(ymd.year()),
          static_cast<int>(unsigned(ymd.month())),
          static_cast<int>(unsigned(ymd.day())),
          static_cast<int>(clock.hours().count()),
          static_cast<int>(clock.minutes().count()),
          static_cast<int>(clock.seconds().count())};
}

}  // namespace

CivilTime localTimeOf(std::int64_t wallSeconds) {
  const std::time_t t = static_cast<std::time_t>(wallSeconds);
  const std::tm* local = std::localtime(&t);
  if (local == nullptr) return {};
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
          local->tm_hour,        local->tm_min,     local->tm_sec};
}

CivilTime utcTimeOf(std::int64_t wallSeconds) {
  return civilTimeAt(std::chrono::sys_seconds{std::chrono::seconds{wallSeconds}});
}

CivilTime addHours(const CivilTime& time, int hours) {
  using namespace std::chrono;
  const sys_days date = year_month_day{year{time.year}, month{static_cast<unsigned>(time.month)},
                                       day{static_cast<unsigned>(time.day)}};
  const sys_seconds moved =
      date + seconds{time.hour * 3600 + time.minute * 60 + time.second} + std::chrono::hours{hours};
  return civilTimeAt(moved);
}

std::string timeObsText(const CivilTime& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return text;
}

std::string dateObsText(const CivilTime& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year, time.month, time.day);
  return text;
}

std::string isoDateTimeText(const CivilTime& time) {
  return dateObsText(time) + "T" + timeObsText(time);
}

std::string todayDateObsText(const CivilTime& localToday) {
  char text[16];
  std::snprintf(text, sizeof text, "20%02d-%02d-%02d", localToday.year % 100, localToday.month,
                localToday.day);
  return text;
}

std::uint16_t nextAutosaveCounter(std::uint16_t counter) {
  return counter > 65529 ? 1 : static_cast<std::uint16_t>(counter + 1);
}

}  // namespace nvk::files
