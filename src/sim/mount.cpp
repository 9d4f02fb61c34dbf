#include "sim/mount.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/parse_int.h"

namespace nvk::sim {
namespace {

constexpr double kArcsecPerHour = 54'000.0;  // of R.A. angle
constexpr double kArcsecPerDegree = 3'600.0;
constexpr double kFullCircleArcsec = 24 * kArcsecPerHour;
constexpr double kSiderealPerSolar = 1.00273790935;
constexpr double kDegrees = M_PI / 180.0;
// The bar of the LX200's distance display ("#:D#").
constexpr char kDistanceBar = '\x7f';

// Socket bits, as the program drives them.
constexpr std::uint8_t kWest = 1;
constexpr std::uint8_t kSouth = 2;
constexpr std::uint8_t kNorth = 4;
constexpr std::uint8_t kEast = 8;

std::uint8_t directionBit(char letter) {
  switch (letter) {
    case 'w':
      return kWest;
    case 's':
      return kSouth;
    case 'n':
      return kNorth;
    case 'e':
      return kEast;
    default:
      return 0;
  }
}

// The part of a command after its two letters, without leading spaces.
std::string argumentOf(const std::string& command) {
  std::size_t i = 2;
  while (i < command.size() && command[i] == ' ')
    ++i;
  return command.substr(i);
}

// "HH:MM.T" or "HH:MM:SS".
bool parseRa(const std::string& text, double& hours) {
  int h = 0, m = 0, s = 0, tenths = 0;
  char separator = 0;
  if (std::sscanf(text.c_str(), "%2d:%2d%c", &h, &m, &separator) != 3) return false;
  const std::string tail = text.substr(text.find(separator, 3) + 1);
  if (separator == '.' && std::sscanf(tail.c_str(), "%1d", &tenths) == 1) {
    hours = h + (m + tenths / 10.0) / 60.0;
  } else if (separator == ':' && std::sscanf(tail.c_str(), "%2d", &s) == 1) {
    hours = h + m / 60.0 + s / 3600.0;
  } else {
    return false;
  }
  return h >= 0 && h <= 23 && m >= 0 && m <= 59 && s >= 0 && s <= 59;
}

// "sDD*MM" or "sDD*MM:SS" ('*', ':' or the degree sign 0xDF between degrees and minutes).
bool parseDec(const std::string& text, double& degrees) {
  if (text.size() < 6 || (text[0] != '+' && text[0] != '-')) return false;
  int d = 0, m = 0, s = 0;
  if (std::sscanf(text.c_str() + 1, "%2d", &d) != 1) return false;
  const char separator = text[3];
  if (separator != '*' && separator != ':' && separator != '\xdf') return false;
  if (std::sscanf(text.c_str() + 4, "%2d", &m) != 1) return false;
  if (text.size() >= 9 && text[6] == ':') std::sscanf(text.c_str() + 7, "%2d", &s);
  if (d > 90 || m > 59 || s > 59) return false;
  degrees = d + m / 60.0 + s / 3600.0;
  if (text[0] == '-') degrees = -degrees;
  return degrees >= -90.0 && degrees <= 90.0;
}

double wrapArcsec(double ra) {
  ra = std::fmod(ra, kFullCircleArcsec);
  return ra < 0 ? ra + kFullCircleArcsec : ra;
}

}  // namespace

SimulatedMount::SimulatedMount(port::Clock& clock, MountOptions options)
    : clock_(clock),
      options_(options),
      lastMs_(clock.nowMs()),
      raAxis_(options.start.raHours * kArcsecPerHour),
      decAxis_(options.start.decDegrees * kArcsecPerDegree),
      decPlay_(options.decBacklashArcsec),
      target_(options.start),
      trackingOrigin_(options.start) {}

void SimulatedMount::receive(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (!inCommand_) {
      if (byte == ':') {
        inCommand_ = true;
        command_.clear();
      } else if (byte < 16) {
        guideOutputsChanged(byte);
      }
      // A '#' (or anything else) between commands only ends what came before.
      continue;
    }
    if (byte == '#') {
      inCommand_ = false;
      execute(command_);
    } else {
      command_.push_back(static_cast<char>(byte));
    }
  }
}

std::vector<std::uint8_t> SimulatedMount::transmit(std::size_t maxBytes) {
  const std::size_t n = std::min(maxBytes, reply_.size());
  std::vector<std::uint8_t> out(reply_.begin(), reply_.begin() + static_cast<long>(n));
  reply_.erase(reply_.begin(), reply_.begin() + static_cast<long>(n));
  return out;
}

void SimulatedMount::guideOutputsChanged(std::uint8_t bits) {
  advance();
  socketBits_ = bits & 0x0F;
}

void SimulatedMount::say(std::string_view text) {
  reply_.insert(reply_.end(), text.begin(), text.end());
}

double SimulatedMount::rateOfSelection() const {
  switch (rate_) {
    case 'G':
      return options_.guideRate;
    case 'C':
      return options_.centreRate;
    case 'M':
      return options_.findRate;
    default:
      return options_.slewDegreesPerSecond * kArcsecPerDegree;
  }
}

double SimulatedMount::raErrorArcsec(double seconds) const {
  const double w = 2.0 * M_PI / options_.periodicErrorPeriodSeconds;
  return options_.raDriftArcsecPerSecond * (seconds - errorOriginSeconds_) +
         options_.periodicErrorArcsec * (std::sin(w * seconds) - std::sin(w * errorOriginSeconds_));
}

double SimulatedMount::decErrorArcsec(double seconds) const {
  return options_.decDriftArcsecPerSecond * (seconds - errorOriginSeconds_);
}

void SimulatedMount::moveDecMotor(double arcsec) {
  const double play = decPlay_ + arcsec;
  if (play > options_.decBacklashArcsec) {
    decAxis_ += play - options_.decBacklashArcsec;
    decPlay_ = options_.decBacklashArcsec;
  } else if (play < 0.0) {
    decAxis_ += play;
    decPlay_ = 0.0;
  } else {
    decPlay_ = play;
  }
}

void SimulatedMount::advance() {
  const std::uint32_t now = clock_.nowMs();
  double dt = static_cast<double>(port::msElapsed(lastMs_, now)) / 1000.0;
  lastMs_ = now;
  if (dt <= 0.0) return;
  const double rate =
      focuserFast_ ? options_.focuserFastStepsPerSecond : options_.focuserSlowStepsPerSecond;
  focuser_ += focuserDirection_ * rate * dt;
  seconds_ += dt;
  if (slewing_) {
    const double arrival = slewStartSeconds_ + slewSeconds_;
    if (seconds_ < arrival) return;
    // Landed: the axes stand on the target and tracking errors start again from here.
    slewing_ = false;
    raAxis_ = wrapArcsec(slewFromRa_ + slewRaDelta_);
    decAxis_ = slewFromDec_ + slewDecDelta_;
    decPlay_ = slewDecDelta_ >= 0.0 ? options_.decBacklashArcsec : 0.0;
    errorOriginSeconds_ = arrival;
    trackingOrigin_ = {raAxis_ / kArcsecPerHour, decAxis_ / kArcsecPerDegree};
    dt = seconds_ - arrival;
  }
  double raRate = 0.0;
  double decRate = 0.0;
  const double held = rateOfSelection();
  const double guide = options_.guideRate;
  if (heldMoves_ & kEast) raRate += held;
  if (heldMoves_ & kWest) raRate -= held;
  if (heldMoves_ & kNorth) decRate += held;
  if (heldMoves_ & kSouth) decRate -= held;
  if (socketBits_ & kEast) raRate += guide;
  if (socketBits_ & kWest) raRate -= guide;
  if (socketBits_ & kNorth) decRate += guide;
  if (socketBits_ & kSouth) decRate -= guide;
  raAxis_ = wrapArcsec(raAxis_ + raRate * dt);
  moveDecMotor(decRate * dt);
}

SkyPosition SimulatedMount::pointing() {
  advance();
  double ra = 0.0;
  double dec = 0.0;
  if (slewing_) {
    const double fraction = (seconds_ - slewStartSeconds_) / slewSeconds_;
    ra = slewFromRa_ + slewRaDelta_ * fraction;
    dec = slewFromDec_ + slewDecDelta_ * fraction;
  } else {
    ra = raAxis_ + raErrorArcsec(seconds_);
    dec = decAxis_ + decErrorArcsec(seconds_);
  }
  dec = std::clamp(dec, -90.0 * kArcsecPerDegree, 90.0 * kArcsecPerDegree);
  return {wrapArcsec(ra) / kArcsecPerHour, dec / kArcsecPerDegree};
}

void SimulatedMount::bump(char direction, int ms) {
  advance();
  const double arcsec = options_.guideRate * std::max(0, ms) / 1000.0;
  switch (direction) {
    case 'T':
      raAxis_ = wrapArcsec(raAxis_ + arcsec);
      break;
    case 'W':
      raAxis_ = wrapArcsec(raAxis_ - arcsec);
      break;
    case 'N':
      moveDecMotor(arcsec);
      break;
    case 'S':
      moveDecMotor(-arcsec);
      break;
    default:
      break;
  }
}

bool SimulatedMount::slewing() {
  advance();
  return slewing_;
}

double SimulatedMount::focuserPosition() {
  advance();
  return focuser_;
}

double SimulatedMount::altitudeDegrees(const SkyPosition& position) {
  advance();
  const double siderealHours =
      options_.siderealTimeAtStartHours + seconds_ * kSiderealPerSolar / 3600.0;
  const double hourAngle = (siderealHours - position.raHours) * 15.0 * kDegrees;
  const double latitude = options_.latitudeDegrees * kDegrees;
  const double dec = position.decDegrees * kDegrees;
  const double s =
      std::sin(latitude) * std::sin(dec) + std::cos(latitude) * std::cos(dec) * std::cos(hourAngle);
  return std::asin(std::clamp(s, -1.0, 1.0)) / kDegrees;
}

void SimulatedMount::startSlew() {
  const SkyPosition from = pointing();
  double raDeltaHours = target_.raHours - from.raHours;
  // The shorter way round.
  if (raDeltaHours > 12.0) raDeltaHours -= 24.0;
  if (raDeltaHours < -12.0) raDeltaHours += 24.0;
  slewFromRa_ = from.raHours * kArcsecPerHour;
  slewFromDec_ = from.decDegrees * kArcsecPerDegree;
  slewRaDelta_ = raDeltaHours * kArcsecPerHour;
  slewDecDelta_ = (target_.decDegrees - from.decDegrees) * kArcsecPerDegree;
  const double longestDegrees =
      std::max(std::fabs(raDeltaHours) * 15.0, std::fabs(target_.decDegrees - from.decDegrees));
  slewSeconds_ = std::max(longestDegrees / options_.slewDegreesPerSecond, 1e-6);
  slewStartSeconds_ = seconds_;
  slewing_ = true;
  heldMoves_ = 0;
}

void SimulatedMount::execute(const std::string& command) {
  advance();
  commands_.push_back({clock_.nowMs(), command});
  if (command.empty()) return;
  const char kind = command[0];
  const char detail = command.size() > 1 ? command[1] : '\0';
  if (kind == 'R' && command.size() == 2 &&
      std::string_view("SMCG").find(detail) != std::string_view::npos) {
    rate_ = detail;
  } else if (kind == 'M' && detail == 'S' && command.size() == 2) {
    if (altitudeDegrees(target_) < 0.0) {
      say("1Object Below Horizon #");
    } else {
      startSlew();
      say("0");
    }
  } else if (kind == 'M' && command.size() == 2) {
    heldMoves_ |= directionBit(detail);
  } else if (kind == 'Q' && command.size() == 1) {
    heldMoves_ = 0;
    if (slewing_) {
      // Stop where the slew has got to.
      const SkyPosition here = pointing();
      slewing_ = false;
      raAxis_ = here.raHours * kArcsecPerHour;
      decAxis_ = here.decDegrees * kArcsecPerDegree;
      errorOriginSeconds_ = seconds_;
      trackingOrigin_ = here;
    }
  } else if (kind == 'Q' && command.size() == 2) {
    heldMoves_ &= static_cast<std::uint8_t>(~directionBit(detail));
  } else if (kind == 'F' && command.size() == 2) {
    if (detail == '+') focuserDirection_ = 1;
    if (detail == '-') focuserDirection_ = -1;
    if (detail == 'Q') focuserDirection_ = 0;
    if (detail == 'F') focuserFast_ = true;
    if (detail == 'S') focuserFast_ = false;
  } else if (kind == 'L' && detail == 'I') {
    say(objectText_ + "#");
  } else if (kind == 'L' && (detail == 'M' || detail == 'S' || detail == 'C')) {
    const std::string number = argumentOf(command);
    const char catalogue = detail == 'M' ? 'm' : detail == 'S' ? 's' : 'c';
    const auto object =
        number.empty()
            ? std::nullopt
            : lookUpObject(catalogue, base::parseInt(number, base::kLeadingNumber).value_or(0));
    if (object) {
      target_ = object->position;
      objectText_ = object->text;
    }
  } else if (kind == 'S' && detail == 'r') {
    double hours = 0.0;
    const bool valid = parseRa(argumentOf(command), hours);
    if (valid) target_.raHours = hours;
    say(valid ? "1" : "0");
  } else if (kind == 'S' && detail == 'd') {
    double degrees = 0.0;
    const bool valid = parseDec(argumentOf(command), degrees);
    if (valid) target_.decDegrees = degrees;
    say(valid ? "1" : "0");
  } else if (kind == 'D' && command.size() == 1) {
    // The distance bars: one for every started 10 degrees still to go while a slew runs,
    // nothing (the '#' alone) once it has arrived.
    std::string bars;
    if (slewing_) {
      const double left = 1.0 - (seconds_ - slewStartSeconds_) / slewSeconds_;
      const double degrees = left * slewSeconds_ * options_.slewDegreesPerSecond;
      bars.assign(static_cast<std::size_t>(std::clamp(degrees / 10.0 + 1.0, 1.0, 30.0)),
                  kDistanceBar);
    }
    say(bars + "#");
  } else if (kind == 'G' && (detail == 'R' || detail == 'D') && command.size() == 2) {
    const std::string text = positionText(pointing());  // "RA HH:MM.T DEC sDD*MM"
    say(detail == 'R' ? text.substr(3, 7) + "#" : text.substr(15) + "#");
  }
}

}  // namespace nvk::sim
