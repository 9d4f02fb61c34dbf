#include "scope/move_telescope_dialog.h"

#include <charconv>

#include "base/messages.h"
#include "scope/mount_commands.h"
#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

constexpr std::uint32_t kBeforeSocketPressMs = 1;

constexpr std::string_view kInvalidCoordinates =
    "Invalid Co-ordinates set.\n\nRange is R.A. 0hr 00min, to 23hr 59mins\n        Dec  -89deg "
    "00min, to +89deg 59mins";
constexpr std::string_view kHelpText =
    "Enter a Messier or CNGC number and press the GoTo Object button.\n\nIf you enter both "
    "numbers the Messier will be favoured. To use CGNC numbers ensure the Messier number is 0";

bool inRange(int value, int low, int high) {
  return value >= low && value <= high;
}

}  // namespace

char arrowLetter(const Program& program, Arrow arrow) {
  const auto& letters = program.settings.directionLetters;
  switch (arrow) {
    case Arrow::Left:
      return letters.west;
    case Arrow::Right:
      return letters.east;
    case Arrow::Up:
      return letters.north;
    case Arrow::Down:
      return letters.south;
  }
  return letters.north;
}

int dialogInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

void TMTDialog::goToObject() {
  const int messier = dialogInteger(messierText);
  const int cngc = dialogInteger(cngcText);
  if (inRange(messier, 1, kMaxMessier)) {
    GoToCatalogueObject(program_, CatalogueKind::Messier, messier);
  } else if (inRange(cngc, 1, kMaxCngc)) {
    GoToCatalogueObject(program_, CatalogueKind::Cngc, cngc);
  } else {
    program_.ui().showMessage(kMessageTitle, "Object out of range - try again");
  }
}

void TMTDialog::goToPlanet(const Planet& planet) {
  GoToCatalogueObject(program_, CatalogueKind::Star, planet.number);
}

void TMTDialog::goToCoordinates() {
  const int hours = dialogInteger(raHoursText);
  const int minutes = dialogInteger(raMinutesText);
  const int degrees = dialogInteger(decDegreesText);
  const int arcminutes = dialogInteger(decMinutesText);
  if (!inRange(hours, 0, 23) || !inRange(minutes, 0, 59) || !inRange(degrees, -89, 89) ||
      !inRange(arcminutes, 0, 59)) {
    base::ShowMessage(program_.ui(), base::Message::CallerText, kInvalidCoordinates);
    return;
  }
  GoToCoordinates(program_, hours, minutes, degrees, arcminutes);
}

void TMTDialog::pressArrow(Arrow arrow) {
  StartMove(program_, arrowLetter(program_, arrow));
}

void TMTDialog::releaseArrow() {
  StopMove(program_);
}

void TMTDialog::pressFocus(bool up) {
  StartFocus(program_, up ? '+' : '-');
}

void TMTDialog::releaseFocus() {
  StopFocus(program_);
}

void TMTDialog::setRate(Rate rate) {
  static constexpr std::array<std::string_view, 4> kCommands{"#:RS#", "#:RM#", "#:RC#", "#:RG#"};
  program_.telescope.rateCommand = kCommands[static_cast<std::size_t>(rate)];
}

TMTDialog::Rate TMTDialog::rate() const {
  switch (program_.telescope.rateCommand.at(3)) {
    case 'S':
      return Rate::Slew;
    case 'M':
      return Rate::Find;
    case 'C':
      return Rate::Centre;
    default:
      return Rate::Guide;
  }
}

void TMTDialog::setFocusSpeed(FocusSpeed speed) {
  program_.telescope.focusSpeedCommand = speed == FocusSpeed::Fast ? "#:FF#" : "#:FS#";
}

TMTDialog::FocusSpeed TMTDialog::focusSpeed() const {
  return program_.telescope.focusSpeedCommand.at(3) == 'F' ? FocusSpeed::Fast : FocusSpeed::Slow;
}

const std::string& TMTDialog::infoLine(int line) const {
  return program_.telescope.infoLines.at(static_cast<std::size_t>(line));
}

void TMTDialog::help() const {
  base::ShowMessage(program_.ui(), base::Message::CallerText, kHelpText);
}

void TCBDialog::pressArrow(Arrow arrow) {
  // Auto-repeat of a held arrow would only set the same lines again.
  if (held_) return;
  program_.clock().waitMs(kBeforeSocketPressMs);
  SetGuideSocket(program_, guideSocketBit(arrowLetter(program_, arrow)));
  held_ = true;
}

void TCBDialog::releaseArrow() {
  SetGuideSocket(program_, 0);
  held_ = false;
}

void TelescopeControl(Program& program) {
  if (ConnectTelescope(program, true) != ConnectResult::Connected) return;
  if (program.settings.guideOutputMode == settings::GuideOutputMode::AutoguiderSocket) {
    TCBDialog dialog(program);
    program.ui().runDialog(dialog);
  } else {
    TMTDialog dialog(program);
    program.ui().runDialog(dialog);
  }
}

}  // namespace nvk::scope
