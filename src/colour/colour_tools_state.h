#pragma once

#include <array>

namespace nvk::colour {

// The colour balance of the "Colour Starting Balance" dialog, per channel in the dialog's order
// red, green, blue. Levels are display values 0..255 (a sample is the value times 257).
struct ColourBalance {
  static constexpr int kRed = 0;
  static constexpr int kGreen = 1;
  static constexpr int kBlue = 2;
  static constexpr int kStartLimit = 255;  // a start lies in -255..255
  static constexpr double kMaxSaturation = 10.0;

  // Added to the channel before its minimum..maximum window is stretched: raises or lowers the
  // channel against the others (a negative start removes a cast of that colour).
  std::array<int, 3> start{0, 0, 0};
  // The channel's levels that become black and full white.
  std::array<int, 3> minimum{0, 0, 0};
  std::array<int, 3> maximum{255, 255, 255};
  // 1 keeps the colours; above 1 moves every channel away from the pixel's grey, below 1
  // towards it (2 is the usual choice for astronomical images).
  double saturation = 1.0;

  // Every start in -255..255, 0 <= minimum < maximum <= 255, 0 <= saturation <= 10.
  bool valid() const;
  bool operator==(const ColourBalance&) const = default;
};

// The shift of the red and blue planes against green that "Adjust Chromatism" applies, in
// pixels (tenths are honoured): a positive x moves the plane right, a positive y down.
struct ChromatismShift {
  static constexpr double kLimit = 20.0;
  double redX = 0.0;
  double redY = 0.0;
  double blueX = 0.0;
  double blueY = 0.0;
  bool valid() const;
  bool operator==(const ChromatismShift&) const = default;
};

// The colour tools' state for the run (not stored in the settings file).
struct ColourToolsState {
  // The dialog's values. Its start values live with the six start values of the colour state
  // (the three the dialog shows, then the three applied since the last colour synthesis), which
  // every synthesis sets back to 0; `balance.start` is copied from there when the dialog opens.
  ColourBalance balance;
  ChromatismShift chromatism;
  // "Colour Overload Smoothing": a pixel with a channel at or above this level is overloaded.
  int overloadLevel = 64000;
  // "Low Pass Colour Filter": the radius of the square the colour is averaged over.
  int lowPassRadius = 2;
};

}  // namespace nvk::colour
