#pragma once

#include <array>
#include <string>
#include <string_view>

#include "port/ui.h"
#include "scope/mount.h"

namespace nvk::scope {

class Program;

// The arrows of the Move Telescope dialogs.
enum class Arrow { Left, Right, Up, Down };

// The direction letter an arrow sends: left west, right east, up north, down south, each as
// DirectionLetters has it (so "Swap e/w direction" turns the right arrow west).
char arrowLetter(const Program& program, Arrow arrow);

// The value of a dialog's number edit: a signed whole number; anything else counts as 0.
int dialogInteger(std::string_view text);

struct Planet {
  std::string_view name;
  int number;  // in the mount's star list
};
inline constexpr std::array<Planet, 8> kPlanets{{{"Mercury", 901},
                                                 {"Venus", 902},
                                                 {"Mars", 904},
                                                 {"Jupiter", 905},
                                                 {"Saturn", 906},
                                                 {"Uranus", 907},
                                                 {"Neptune", 908},
                                                 {"Pluto", 909}}};

// "NVK_K7LQ_USB Move Telescope": GoTo by catalogue number, planet or coordinates, held arrows
// that move the mount and the focuser, the slew and focus speeds, and the two lines of
// information from the scope.
class TMTDialog final : public port::DialogModel {
 public:
  using Rate = MoveRate;
  using FocusSpeed = scope::FocusSpeed;

  static constexpr std::string_view kMessageTitle = "NVK_K7LQ - Control Telescope";
  static constexpr int kMaxMessier = 110;
  static constexpr int kMaxCngc = 7815;

  explicit TMTDialog(Program& program) : program_(program) {}

  std::string_view dialogId() const override { return "TMTDialog"; }
  std::string title() const override { return "NVK_K7LQ_USB Move Telescope"; }

  // The edits, as typed.
  std::string messierText = "0";
  std::string cngcText = "0";
  std::string raHoursText = "0";
  std::string raMinutesText = "0";
  std::string decDegreesText = "0";
  std::string decMinutesText = "0";

  // "GoTo Object": a Messier number 1..110 wins, else a CNGC number 1..7815.
  void goToObject();
  void goToPlanet(const Planet& planet);
  // "Go To ": the R.A. and Dec. edits.
  void goToCoordinates();

  // An arrow pressed (auto-repeat presses again) and released.
  void pressArrow(Arrow arrow);
  void releaseArrow();
  // The focus arrows: up moves "+", down "-".
  void pressFocus(bool up);
  void releaseFocus();

  void setRate(Rate rate);
  Rate rate() const;  // the radio shown
  void setFocusSpeed(FocusSpeed speed);
  FocusSpeed focusSpeed() const;

  // The two "Info from Scope" lines.
  const std::string& infoLine(int line) const;

  void help() const;

 private:
  Program& program_;
};

// "Move Telescope": four arrows that move a mount without GoTo (the autoguider socket's lines)
// while pressed.
class TCBDialog final : public port::DialogModel {
 public:
  TCBDialog(Program& program, Mount& mount) : program_(program), mount_(mount) {}

  std::string_view dialogId() const override { return "TCBDialog"; }
  std::string title() const override { return "Move Telescope"; }

  void pressArrow(Arrow arrow);
  void releaseArrow();

 private:
  Program& program_;
  Mount& mount_;
  bool held_ = false;
};

// Telescope Control (command 24): connects, then opens "NVK_K7LQ_USB Move Telescope" when the
// mount offers GoTo and "Move Telescope" (the autoguider socket) otherwise.
void TelescopeControl(Program& program);

}  // namespace nvk::scope
