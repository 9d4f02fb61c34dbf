#pragma once

#include <array>

namespace nvk::colour {

// The colour tools' state that lives for the run and is not stored in the settings file.
struct ColourState {
  // "Daylight Image?" of the synthesis dialog: daylight images need less red.
  bool daylightImage = false;
  // "Light Pollution Correction": shown and toggled by the synthesis dialog; no step reads it.
  bool lightPollutionCorrection = false;
  // The site of the 2 x 2 matrix "Create Mono Image from Raw" keeps, 1..4.
  int singleFilterSite = 1;
  // The colour balance's start values (red, green, blue as the dialog shows them, then as last
  // applied). Every colour synthesis sets them back to 0.
  std::array<int, 6> balanceStart{};
};

}  // namespace nvk::colour
