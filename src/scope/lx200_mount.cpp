#include "scope/lx200_mount.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

// Timed move: the guide-rate command gets this long before the move starts, and the mount
// this long after the quit.
constexpr std::uint32_t kRateLeadMs = 20;
constexpr std::uint32_t kAfterQuitMs = 4;
// GoTo: the scope gets this long to look up the object and to answer the slew request.
constexpr std::uint32_t kObjectInfoMs = 200;
constexpr std::uint32_t kSlewReplyMs = 500;
// The scope gets this long to answer the distance bars.
constexpr std::uint32_t kDistanceReplyMs = 100;
// Bytes of the catalogue selection "#:LM 0031#".
constexpr std::size_t kCatalogueCommandBytes = 10;
// Coordinate commands go without their closing '#': the '#' that opens the next command ends
// them at the mount.
constexpr std::size_t kRaCommandBytes = 12;
constexpr std::size_t kDecCommandBytes = 11;
// The second info line when the answer to "#:MS#" is neither '0' nor a reason in text (line
// noise, or no answer at all): the slew may not have started.
constexpr std::string_view kSlewReplyNotUnderstood = "Scope's reply to the slew not understood";

std::string moveCommand(Direction direction) {
  return std::string("#:M") + static_cast<char>(direction) + '#';
}
std::string quitCommand(Direction direction) {
  return std::string("#:Q") + static_cast<char>(direction) + '#';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
int twoDigits(std::string_view text) {
  return (text[0] - '0') * 10 + (text[1] - '0');
}

// "AA?BB" at `text`'s start, '?' one of `separators`: the two whole fields.
std::optional<std::array<int, 2>> twoFields(std::string_view text, std::string_view separators) {
  if (text.size() < 5 || !isDigit(text[0]) || !isDigit(text[1]) || !isDigit(text[3]) ||
      !isDigit(text[4]) || separators.find(text[2]) == std::string_view::npos) {
    return std::nullopt;
  }
  return std::array<int, 2>{twoDigits(text), twoDigits(text.substr(3))};
}

// The seconds that follow the minutes: ":SS" in high precision, nothing in low precision.
std::optional<int> secondsField(std::string_view tail) {
  if (tail.empty()) return 0;
  if (tail.size() != 3 || tail[0] != ':' || !isDigit(tail[1]) || !isDigit(tail[2]) ||
      twoDigits(tail.substr(1)) > 59) {
    return std::nullopt;
  }
  return twoDigits(tail.substr(1));
}

}  // namespace

std::optional<double> lx200RaHours(std::string_view answer) {
  const auto fields = twoFields(answer, ":");
  if (!fields || (*fields)[0] > 23 || (*fields)[1] > 59) return std::nullopt;
  const std::string_view tail = answer.substr(5);
  double minutes = (*fields)[1];
  if (tail.size() == 2 && tail[0] == '.' && isDigit(tail[1])) {
    minutes += (tail[1] - '0') / 10.0;
  } else if (const auto seconds = secondsField(tail)) {
    minutes += *seconds / 60.0;
  } else {
    return std::nullopt;
  }
  return (*fields)[0] + minutes / 60.0;
}

std::optional<double> lx200DecDegrees(std::string_view answer) {
  if (answer.empty() || (answer[0] != '+' && answer[0] != '-')) return std::nullopt;
  const auto fields = twoFields(answer.substr(1), "*:\xDF");
  const auto seconds = secondsField(answer.substr(std::min<std::size_t>(6, answer.size())));
  if (!fields || !seconds || (*fields)[1] > 59) return std::nullopt;
  const double degrees = (*fields)[0] + (*fields)[1] / 60.0 + *seconds / 3600.0;
  if (degrees > 90.0) return std::nullopt;
  return answer[0] == '-' ? -degrees : degrees;
}

std::string_view lx200RateCommand(MoveRate rate) {
  static constexpr std::array<std::string_view, 4> kCommands{"#:RS#", "#:RM#", "#:RC#", "#:RG#"};
  return kCommands[static_cast<std::size_t>(rate)];
}

std::string_view lx200FocusSpeedCommand(FocusSpeed speed) {
  return speed == FocusSpeed::Fast ? "#:FF#" : "#:FS#";
}

bool Lx200Mount::send(std::string_view command) {
  return SendSerial(program_, program_.telescope.portIndex, command);
}

void Lx200Mount::guidePulse(Direction direction, int durationMs) {
  auto& clock = program_.clock();
  const auto duration = static_cast<std::uint32_t>(durationMs > 0 ? durationMs : 0);
  const std::uint32_t t0 = clock.nowMs() + kRateLeadMs;
  send(lx200RateCommand(MoveRate::Guide));
  clock.waitUntilMs(t0);
  const std::uint32_t t1 = clock.nowMs();
  send(moveCommand(direction));
  clock.waitUntilMs(t1 + duration);
  send(quitCommand(direction));
  clock.waitMs(kAfterQuitMs);
}

void Lx200Mount::startMove(Direction direction, MoveRate rate) {
  auto& telescope = program_.telescope;
  if (telescope.moving) return;
  send(lx200RateCommand(rate));
  send(moveCommand(direction));
  telescope.moving = true;
}

void Lx200Mount::stopMove() {
  auto& telescope = program_.telescope;
  if (!telescope.moving) return;
  for (const Direction d : {Direction::North, Direction::South, Direction::East, Direction::West})
    send(quitCommand(d));
  telescope.moving = false;
}

// The scope's answer to "#:MS#": '0' when the slew started, otherwise its reason as text.
void Lx200Mount::readSlewReply() {
  auto& telescope = program_.telescope;
  const int port = telescope.portIndex;
  // What an earlier command left in the buffer is no answer to this one.
  telescope.replyBuffer.fill(0);
  if (usesPcRoute(program_.settings.serialRoute)) {
    ReadSerialReply(program_, port, kReplyTextBytes);
  } else {
    ReadSerialReply(program_, port, 1);
    if (telescope.replyBuffer[0] != '0') ReadSerialReply(program_, port, kReplyTextBytes);
  }
  if (telescope.replyBuffer[0] == '0') {
    telescope.infoLines[1].clear();
  } else {
    const std::string reason = ReplyToText(telescope);
    telescope.infoLines[1] = reason.empty() ? std::string(kSlewReplyNotUnderstood) : reason;
  }
}

// Asks for the selected object's text and reads the answer with everything before it.
std::optional<std::string> Lx200Mount::readObjectInfo() {
  if (!send("#:LI#")) return std::nullopt;
  program_.clock().waitMs(kObjectInfoMs);
  ReadSerialReply(program_, program_.telescope.portIndex, kReplyTextBytes);
  return ReplyToText(program_.telescope);
}

// Starts the slew and gives the mount time to answer before its reply is read.
bool Lx200Mount::slew() {
  program_.ui().beep();
  if (!send("#:MS#")) return false;
  program_.clock().waitMs(kSlewReplyMs);
  readSlewReply();
  return true;
}

void Lx200Mount::goToObject(const CatalogueObject& object) {
  auto& telescope = program_.telescope;
  telescope.infoLines[0].clear();
  const char* prefix = object.kind == CatalogueKind::Messier ? "#:LM "
                       : object.kind == CatalogueKind::Star  ? "#:LS "
                                                             : "#:LC ";
  char select[32];
  std::snprintf(select, sizeof select, "%s%04d#", prefix, object.number);
  if (!SendSerial(program_, telescope.portIndex, select, kCatalogueCommandBytes)) return;
  const auto info = readObjectInfo();
  if (!info) return;
  telescope.infoLines[0] = *info;
  slew();
}

void Lx200Mount::goToCoordinates(const SkyCoordinates& position) {
  auto& telescope = program_.telescope;
  telescope.infoLines[0].clear();
  char ra[32];
  std::snprintf(ra, sizeof ra, "#:Sr %02d:%02d.0#", position.hours, position.minutes);
  if (!SendSerial(program_, telescope.portIndex, ra, kRaCommandBytes)) return;
  char dec[32];
  const int degrees = position.degrees;
  std::snprintf(dec, sizeof dec, "#:Sd %c%02d*%02d#", degrees < 0 ? '-' : '+',
                degrees < 0 ? -degrees : degrees, position.arcminutes);
  if (!SendSerial(program_, telescope.portIndex, dec, kDecCommandBytes)) return;
  // The mount answers each coordinate ('1' when taken) and "#:LI#" (the object selected before,
  // which the coordinates replace); those answers are read and dropped here so that what is read
  // after the slew is the answer to "#:MS#" alone, and a refusal can be told from a slew.
  if (readObjectInfo()) slew();
}

GoToReply Lx200Mount::goTo(const GoToTarget& target) {
  program_.telescope.infoLines[1].clear();
  if (const auto* object = std::get_if<CatalogueObject>(&target)) {
    goToObject(*object);
  } else {
    goToCoordinates(std::get<SkyCoordinates>(target));
  }
  return {MountStatus::Done, program_.telescope.infoLines[1]};
}

bool Lx200Mount::slewing() {
  auto& telescope = program_.telescope;
  const int port = telescope.portIndex;
  if (!send("#:D#")) return false;
  program_.clock().waitMs(kDistanceReplyMs);
  telescope.replyBuffer.fill(0);
  if (usesPcRoute(program_.settings.serialRoute)) {
    ReadSerialReply(program_, port, kReplyTextBytes);
    return telescope.replyBuffer[0] != '#' && telescope.replyBuffer[0] != 0;
  }
  ReadSerialReply(program_, port, 1);
  const bool bars = telescope.replyBuffer[0] != '#' && telescope.replyBuffer[0] != 0;
  // The rest of the bars and their '#' are read too, so that the next command's answer comes
  // alone.
  if (bars) ReadSerialReply(program_, port, kReplyTextBytes);
  return bars;
}

MountStatus Lx200Mount::startFocus(FocusDirection direction, FocusSpeed speed) {
  auto& telescope = program_.telescope;
  if (telescope.focusing) return MountStatus::Done;
  send(lx200FocusSpeedCommand(speed));
  send(direction == FocusDirection::In ? "#:F+#" : "#:F-#");
  telescope.focusing = true;
  return MountStatus::Done;
}

void Lx200Mount::stopFocus() {
  auto& telescope = program_.telescope;
  if (!telescope.focusing) return;
  send("#:FQ#");
  telescope.focusing = false;
}

std::optional<EquatorialPosition> Lx200Mount::reportedPosition() {
  // The port the connection step takes, or before that step the one the settings name.
  const auto& telescope = program_.telescope;
  const int port =
      telescope.telescopeConnected ? telescope.portIndex : program_.settings.telescopePortIndex;
  const auto raAnswer = askSerialQuietly(program_, port, "#:GR#");
  const auto ra = raAnswer ? lx200RaHours(*raAnswer) : std::nullopt;
  if (!ra) return std::nullopt;
  const auto decAnswer = askSerialQuietly(program_, port, "#:GD#");
  const auto dec = decAnswer ? lx200DecDegrees(*decAnswer) : std::nullopt;
  if (!dec) return std::nullopt;
  return EquatorialPosition{*ra, *dec};
}

const InfoLines& Lx200Mount::infoLines() const {
  return program_.telescope.infoLines;
}

bool Lx200Mount::focuserAvailable() const {
  const auto& telescope = program_.telescope;
  return usesPcRoute(program_.settings.serialRoute) ? telescope.pcPort != nullptr
                                                    : telescope.cameraLink != nullptr;
}

bool Lx200Mount::reachedThroughCamera(bool) const {
  return !usesPcRoute(program_.settings.serialRoute);
}

}  // namespace nvk::scope
