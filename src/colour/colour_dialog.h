#pragma once

#include <array>
#include <string>
#include <string_view>

#include "colour/colour_state.h"
#include "port/dialog_controls.h"
#include "port/ui.h"
#include "settings/settings.h"

namespace nvk::colour {

// "SYNTHESIZE COLOUR IMAGE": every check box and radio button changes its setting at once;
// "Create Image" takes the three numbers and closes only when all three are valid.
class TColourDialog final : public port::DialogModel {
 public:
  static constexpr int kCreateImage = 1;
  static constexpr int kCancel = 2;
  static constexpr int kHelp = 9;
  static constexpr int kHighPassLowPower = 2601;
  static constexpr int kUnsharpMask = 2602;
  static constexpr int kRemoveBackground = 2603;
  static constexpr int kDaylightImage = 2604;
  static constexpr int kLightPollution = 2605;
  static constexpr int kColourSmoothing = 2606;
  static constexpr int kApplyAntiAlias = 2607;
  static constexpr int kIrFilterUsed = 2608;
  static constexpr int kNoAutoStretch = 2611;
  static constexpr int kWeakStretch = 2612;
  static constexpr int kStrongStretch = 2613;
  static constexpr int kUserStretch = 2614;
  static constexpr int kUserPowerEdit = 2631;
  static constexpr int kDiameterEdit = 2632;
  static constexpr int kPowerEdit = 2633;

  struct Control {
    int id;
    std::string_view label;
  };
  // The check boxes and the radio buttons in the order they are laid out, with their labels.
  static const std::array<Control, 8>& checkBoxes();
  static const std::array<Control, 4>& stretchButtons();
  // The explanatory texts down the left-hand side, top to bottom, and the note at the bottom.
  static const std::array<std::string_view, 8>& explanations();
  static constexpr std::string_view kNote =
      "Nb: You can only convert to colour if the values of all three selection boxes are valid";
  static constexpr std::string_view kHelpText =
      "Select Light Pollution correction for most astro shots\n\nIf you want instantaneous "
      "colour images select the anti-alias and one of the stretch values. You can also select "
      "a high pass or Unsharp mask filter.\n\nFor more control apply all image processing "
      "later.";

  // Opening the dialog fills the three edits with the stored numbers.
  TColourDialog(settings::Settings& settings, ColourState& colour, port::Ui& ui);

  std::string_view dialogId() const override { return "TColourDialog"; }
  std::string title() const override { return "SYNTHESIZE COLOUR IMAGE"; }

  bool isChecked(int checkBoxId) const;
  // A click on a check box.
  void toggle(int checkBoxId);
  // The marked radio button, and a click on one (it clears the other three).
  int checkedStretch() const;
  void selectStretch(int radioId);

  // The edit fields as typed.
  std::string userPowerText;
  std::string diameterText;
  std::string powerText;

  // "Create Image": stores every valid number and rewrites the three edits from the stored
  // values. True when all three were valid and the dialog closes; otherwise a beep.
  bool createImage();
  // "Help": the message box about the choices.
  void help() const;

 private:
  void showStoredNumbers();

  settings::Settings& settings_;
  port::Ui& ui_;
  port::CheckBoxes boxes_;
};

}  // namespace nvk::colour
