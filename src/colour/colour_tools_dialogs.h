#pragma once

#include <array>
#include <string>
#include <string_view>

#include "colour/colour_tools_state.h"
#include "port/ui.h"

namespace nvk::colour {

// "Colour Starting Balance": for red, green and blue a start value (default 0, may be
// negative), a minimum (default 0) and a maximum (default 255), and the "Saturation Factor"
// (default 1; 2 recommended). The edits show the stored values when the dialog opens; OK takes
// them when all are valid and otherwise beeps, keeps the dialog open and shows the stored
// values again.
class TBalanceDialog final : public port::DialogModel {
 public:
  static constexpr std::array<std::string_view, 3> kChannelLabels{"Red", "Green", "Blue"};
  static constexpr std::string_view kStartLabel = "Start";
  static constexpr std::string_view kMinimumLabel = "Minimum";
  static constexpr std::string_view kMaximumLabel = "Maximum";
  static constexpr std::string_view kSaturationLabel = "Saturation Factor";
  static constexpr std::string_view kSaturationNote = "(1 = unchanged, 2 recommended)";
  static constexpr std::string_view kHelpText =
      "Start raises (or, negative, lowers) a colour against the others: a negative start "
      "removes a cast of that colour.\n\nMinimum and Maximum are the levels (0-255) of the "
      "colour that become black and full white.\n\nThe Saturation Factor strengthens the "
      "colours (2 is a good start for astronomical images); 1 leaves them as they are.";

  // `starts`: the six start values (the dialog's red, green, blue, then those applied since the
  // last synthesis).
  TBalanceDialog(ColourBalance& balance, std::array<int, 6>& starts, port::Ui& ui);

  std::string_view dialogId() const override { return "TBalanceDialog"; }
  std::string title() const override { return "Colour Starting Balance"; }

  // The edits as typed, per channel red, green, blue.
  std::array<std::string, 3> startText;
  std::array<std::string, 3> minimumText;
  std::array<std::string, 3> maximumText;
  std::string saturationText;

  // The start values applied since the last colour synthesis, shown beside the edits.
  std::string appliedText() const;

  // "OK": true (values stored, the dialog closes) when every edit is valid.
  bool ok();
  // "Reset": the edits show the defaults (nothing is stored until OK).
  void reset();
  void help() const;

 private:
  void showStored();
  ColourBalance& balance_;
  std::array<int, 6>& starts_;
  port::Ui& ui_;
};

// "Adjust Chromatism": how far the red and the blue planes move against green, in pixels
// (tenths honoured, -20..20; x to the right, y down).
class TChromatismDialog final : public port::DialogModel {
 public:
  static constexpr std::string_view kExplanation =
      "Move the red and blue images against the green one to remove colour fringes at star "
      "edges (pixels, tenths allowed; + moves right / down)";

  TChromatismDialog(ChromatismShift& shift, port::Ui& ui);

  std::string_view dialogId() const override { return "TChromatismDialog"; }
  std::string title() const override { return "Adjust Chromatism"; }

  std::string redXText, redYText, blueXText, blueYText;
  // "OK": true when all four are numbers within the limit; otherwise a beep.
  bool ok();

 private:
  void showStored();
  ChromatismShift& shift_;
  port::Ui& ui_;
};

}  // namespace nvk::colour
