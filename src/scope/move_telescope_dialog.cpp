#include "scope/move_telescope_dialog.h"

#include "base/messages.h"
#include "base/parse_int.h"
#include "scope/lx200_mount.h"
#include "scope/mount_commands.h"
#include "scope/mount_factory.h"
#include "scope/program.h"

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
  return base::parseInt(text, {.blanks = true, .plusSign = true}).value_or(0);
}

void TMTDialog::goToObject() {
  const int messier = dialogInteger(messierText);
  const int cngc = dialogInteger(cngcText);
  if (inRange(messier, 1, kMaxMessier)) {
    chosenMount(program_).goTo(CatalogueObject{CatalogueKind::Messier, messier});
  } else if (inRange(cngc, 1, kMaxCngc)) {
    chosenMount(program_).goTo(CatalogueObject{CatalogueKind::Cngc, cngc});
  } else {
    program_.ui().showMessage(kMessageTitle, "Object out of range - try again");
  }
}

void TMTDialog::goToPlanet(const Planet& planet) {
  chosenMount(program_).goTo(CatalogueObject{CatalogueKind::Star, planet.number});
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
  chosenMount(program_).goTo(SkyCoordinates{hours, minutes, degrees, arcminutes});
}

void TMTDialog::pressArrow(Arrow arrow) {
  if (const auto direction = directionOfLetter(arrowLetter(program_, arrow)))
    chosenMount(program_).startMove(*direction, rate());
}

void TMTDialog::releaseArrow() {
  chosenMount(program_).stopMove();
}

void TMTDialog::pressFocus(bool up) {
  chosenMount(program_).startFocus(up ? FocusDirection::In : FocusDirection::Out, focusSpeed());
}

void TMTDialog::releaseFocus() {
  chosenMount(program_).stopFocus();
}

void TMTDialog::setRate(Rate rate) {
  program_.telescope.rateCommand = lx200RateCommand(rate);
}

TMTDialog::Rate TMTDialog::rate() const {
  return program_.telescope.moveRate();
}

void TMTDialog::setFocusSpeed(FocusSpeed speed) {
  program_.telescope.focusSpeedCommand = lx200FocusSpeedCommand(speed);
}

TMTDialog::FocusSpeed TMTDialog::focusSpeed() const {
  return program_.telescope.focusSpeed();
}

const std::string& TMTDialog::infoLine(int line) const {
  return chosenMount(program_).infoLines().at(static_cast<std::size_t>(line));
}

void TMTDialog::help() const {
  base::ShowMessage(program_.ui(), base::Message::CallerText, kHelpText);
}

void TCBDialog::pressArrow(Arrow arrow) {
  // Auto-repeat of a held arrow would only set the same lines again.
  if (held_) return;
  program_.clock().waitMs(kBeforeSocketPressMs);
  if (const auto direction = directionOfLetter(arrowLetter(program_, arrow)))
    mount_.startMove(*direction, MoveRate::Guide);
  held_ = true;
}

void TCBDialog::releaseArrow() {
  mount_.stopMove();
  held_ = false;
}

void TelescopeControl(Program& program) {
  if (ConnectTelescope(program, true) != ConnectResult::Connected) return;
  Mount& mount = chosenMount(program);
  if (mount.goToAvailable()) {
    TMTDialog dialog(program);
    program.ui().runDialog(dialog);
  } else {
    TCBDialog dialog(program, mount);
    program.ui().runDialog(dialog);
  }
}

}  // namespace nvk::scope
