#include "scope/mount_commands.h"

#include <cstdio>
#include <string>

#include "base/messages.h"
#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

// LX200 timed move: the guide-rate command gets this long before the move starts, and the
// mount this long after the quit.
constexpr std::uint32_t kRateLeadMs = 20;
constexpr std::uint32_t kAfterQuitMs = 4;
// Socket timed move: the lines rest before and after a pulse.
constexpr std::uint32_t kBeforePulseMs = 10;
constexpr std::uint32_t kAfterPulseMs = 300;
// GoTo: the scope gets this long to look up the object and to answer the slew request.
constexpr std::uint32_t kObjectInfoMs = 200;
constexpr std::uint32_t kSlewReplyMs = 500;
// Bytes of the catalogue selection "#:LM 0031#".
constexpr std::size_t kCatalogueCommandBytes = 10;
// Coordinate commands go without their closing '#': the '#' that opens the next command ends
// them at the mount.
constexpr std::size_t kRaCommandBytes = 12;
constexpr std::size_t kDecCommandBytes = 11;

bool isDirectionLetter(char letter) {
  return letter == 'e' || letter == 'w' || letter == 'n' || letter == 's';
}

std::string moveCommand(char letter) {
  return std::string("#:M") + letter + '#';
}
std::string quitCommand(char letter) {
  return std::string("#:Q") + letter + '#';
}

void send(Program& program, std::string_view command) {
  SendSerial(program, program.telescope.portIndex, command);
}

bool pcRoute(const Program& program) {
  return usesPcRoute(program.settings.serialRoute);
}

// The scope's answer to "#:MS#": '0' when the slew started, otherwise its reason as text.
void readSlewReply(Program& program) {
  auto& telescope = program.telescope;
  const int port = telescope.portIndex;
  if (pcRoute(program)) {
    ReadSerialReply(program, port, kReplyTextBytes);
  } else {
    ReadSerialReply(program, port, 1);
    if (telescope.replyBuffer[0] != '0') ReadSerialReply(program, port, kReplyTextBytes);
  }
  telescope.infoLines[1] = telescope.replyBuffer[0] == '0' ? std::string() : ReplyToText(telescope);
}

// Asks for the selected object's text and reads the answer with everything before it.
std::string readObjectInfo(Program& program) {
  send(program, "#:LI#");
  program.clock().waitMs(kObjectInfoMs);
  ReadSerialReply(program, program.telescope.portIndex, kReplyTextBytes);
  return ReplyToText(program.telescope);
}

// Starts the slew and gives the mount time to answer before its reply is read.
void slew(Program& program) {
  program.ui().beep();
  send(program, "#:MS#");
  program.clock().waitMs(kSlewReplyMs);
  readSlewReply(program);
}

}  // namespace

std::uint8_t guideSocketBit(char letter) {
  switch (letter) {
    case 'w':
      return kSocketWest;
    case 's':
      return kSocketSouth;
    case 'n':
      return kSocketNorth;
    case 'e':
      return kSocketEast;
    default:
      return 0;
  }
}

void TimedMove(Program& program, char letter, int durationMs) {
  if (program.settings.guideOutputMode == settings::GuideOutputMode::Lx200) {
    TimedMoveLx200(program, letter, durationMs);
  } else {
    TimedMoveSocket(program, letter, durationMs);
  }
}

void TimedMoveLx200(Program& program, char letter, int durationMs) {
  if (!isDirectionLetter(letter)) return;
  auto& clock = program.clock();
  const auto duration = static_cast<std::uint32_t>(durationMs > 0 ? durationMs : 0);
  const std::uint32_t t0 = clock.nowMs() + kRateLeadMs;
  send(program, "#:RG#");
  clock.waitUntilMs(t0);
  const std::uint32_t t1 = clock.nowMs();
  send(program, moveCommand(letter));
  clock.waitUntilMs(t1 + duration);
  send(program, quitCommand(letter));
  clock.waitMs(kAfterQuitMs);
}

void TimedMoveSocket(Program& program, char letter, int durationMs) {
  const std::uint8_t bit = guideSocketBit(letter);
  if (bit == 0) return;
  auto& clock = program.clock();
  const auto duration = static_cast<std::uint32_t>(durationMs > 0 ? durationMs : 0);
  clock.waitMs(kBeforePulseMs);
  const std::uint32_t t1 = clock.nowMs();
  SetGuideSocket(program, bit);
  clock.waitUntilMs(t1 + duration);
  SetGuideSocket(program, 0);
  clock.waitMs(kAfterPulseMs);
}

void GoToCatalogueObject(Program& program, CatalogueKind kind, int number) {
  auto& telescope = program.telescope;
  telescope.infoLines[0].clear();
  const char* prefix = kind == CatalogueKind::Messier ? "#:LM "
                       : kind == CatalogueKind::Star  ? "#:LS "
                                                      : "#:LC ";
  char select[32];
  std::snprintf(select, sizeof select, "%s%04d#", prefix, number);
  SendSerial(program, telescope.portIndex, select, kCatalogueCommandBytes);

  telescope.infoLines[0].clear();
  telescope.infoLines[0] = readObjectInfo(program);
  slew(program);
}

void GoToCoordinates(Program& program, int hours, int minutes, int degrees, int arcminutes) {
  auto& telescope = program.telescope;
  telescope.infoLines[0].clear();
  char ra[32];
  std::snprintf(ra, sizeof ra, "#:Sr %02d:%02d.0#", hours, minutes);
  SendSerial(program, telescope.portIndex, ra, kRaCommandBytes);
  char dec[32];
  // The sign comes from the degrees field, so -0 degrees 30 minutes goes north of the equator.
  std::snprintf(dec, sizeof dec, "#:Sd %c%02d*%02d#", degrees < 0 ? '-' : '+',
                degrees < 0 ? -degrees : degrees, arcminutes);
  SendSerial(program, telescope.portIndex, dec, kDecCommandBytes);
  // The mount answers each coordinate ('1' when taken) and "#:LI#" (the object selected before,
  // which the coordinates replace); those answers are read and dropped here so that what is read
  // after the slew is the answer to "#:MS#" alone, and a refusal can be told from a slew.
  readObjectInfo(program);
  slew(program);
}

void StartMove(Program& program, char letter) {
  auto& telescope = program.telescope;
  if (telescope.moving) return;
  send(program, telescope.rateCommand);
  send(program, moveCommand(letter));
  telescope.moving = true;
}

void StopMove(Program& program) {
  auto& telescope = program.telescope;
  if (!telescope.moving) return;
  for (const char letter : {'n', 's', 'e', 'w'})
    send(program, quitCommand(letter));
  telescope.moving = false;
}

void StartFocus(Program& program, char direction) {
  auto& telescope = program.telescope;
  if (telescope.focusing) return;
  send(program, telescope.focusSpeedCommand);
  send(program, direction == '+' ? "#:F+#" : "#:F-#");
  telescope.focusing = true;
}

void StopFocus(Program& program) {
  auto& telescope = program.telescope;
  if (!telescope.focusing) return;
  send(program, "#:FQ#");
  telescope.focusing = false;
}

ConnectResult ConnectTelescope(Program& program, bool telescopeControl) {
  auto& telescope = program.telescope;
  if (telescope.telescopeConnected) return ConnectResult::Connected;
  if (program.loadSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowMessage(program.ui(), base::Message::UnableToLoadIni);
    program.saveSettingsFile();
  }
  if (telescopeControl &&
      (telescope.cameraLink == nullptr || !telescope.cameraLink->connectCamera())) {
    base::ShowMessage(program.ui(), base::Message::CallerText, kCameraNotFoundText);
    return ConnectResult::CameraNotFound;
  }
  telescope.portIndex = program.settings.telescopePortIndex;
  telescope.telescopeConnected = true;
  return ConnectResult::Connected;
}

}  // namespace nvk::scope
