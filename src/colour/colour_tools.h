#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "colour/colour_tools_state.h"
#include "colour/program.h"

namespace nvk::colour {

// The three colour planes of an image as the tools work on them, in the order red, green, blue
// (the plane pool holds them as red, blue, green).
struct RgbPlanes {
  std::span<std::uint16_t> red;
  std::span<std::uint16_t> green;
  std::span<std::uint16_t> blue;
  int width = 0;
  int height = 0;
};

// ---- The algorithms, on planes ----

// Colour balance. Each channel c goes through
//   v' = (v + start * 257 - minimum * 257) * 65535 / ((maximum - minimum) * 257)
// limited to 0..65535, so the defaults leave every sample as it is. Then, when the saturation
// factor s is not 1, each channel moves away from the pixel's grey g = (r + g + b) / 3:
//   c'' = g + (c' - g) * s, rounded and limited to 0..65535.
void applyColourBalance(const RgbPlanes& planes, const ColourBalance& balance);

// Chromatism. The red and blue planes are resampled shifted by their (x, y) amounts against the
// green plane, with bilinear weights in 1/256 pixel: a whole-pixel shift copies samples
// unchanged. Positions whose source lies outside the image take the nearest edge sample.
// `scratch` is one plane's room for the copy of the plane being shifted.
void applyChromatism(const RgbPlanes& planes, const ChromatismShift& shift,
                     std::span<std::uint16_t> scratch);

// Colour overload smoothing. A pixel is overloaded when any channel reaches `level`: its colour
// is a clipping artefact (one channel saturated before the others), so it becomes white at its
// brightest channel's level. A pixel touching an overloaded one (of its eight neighbours) keeps
// its brightness but loses half its colour: each channel goes halfway to the pixel's grey.
// `mask` is a plane's room for marking the overloaded pixels.
void applyOverloadSmoothing(const RgbPlanes& planes, int level, std::span<std::uint16_t> mask);

// Low pass colour filter. Luminance stays, colour is smoothed: with the sum S = r + g + b and
// the colour differences cr = 3r - S and cb = 3b - S, cr and cb are averaged over the square of
// side 2 radius + 1 (clipped at the image's edges, the mean rounded to nearest), and
//   r' = (S + cr') / 3, b' = (S + cb') / 3, g' = S - r' - b'
// (floor division), each limited to 0..65535. An image of uniform colour is unchanged and the
// sum r + g + b of every pixel is kept unless a channel had to be limited. `copies` are three
// planes' room for the input.
void applyLowPassColour(const RgbPlanes& planes, int radius,
                        const std::array<std::span<std::uint16_t>, 3>& copies);

// The statistics "Balance Colour Histogram" aligns: the background level (the median: the sky
// covers most of an astronomical frame) and the spread of the background, the distance between
// the 15.87th and 84.13th percentiles (twice the sigma of a normal sky).
struct PlaneLevels {
  double background = 0.0;
  double spread = 0.0;
};
PlaneLevels planeLevels(std::span<const std::uint16_t> plane);

// Balance colour histogram. The red and blue planes are mapped linearly onto the green plane's
// background and spread: c' = (c - background_c) * spread_g / spread_c + background_g, rounded
// and limited to 0..65535 (a plane without spread is only moved). Green is the reference: it
// has twice the sites of the others on the sensor and the best signal.
void applyHistogramBalance(const RgbPlanes& planes);

// ---- The commands, on the program's colour planes ----
// Each refuses with message 69 when the image is not colour converted. Otherwise it copies the
// colour planes into the colour undo triplet (so that "Undo Last Colour Filter" restores them),
// shows the progress dialog with its caption, changes the planes, appends its history line and
// redraws.

inline constexpr std::string_view kColourBalanceCaption = "COLOUR BALANCE IN PROGRESS";
inline constexpr std::string_view kChromatismCaption = "CHROMATISM ADJUSTMENT IN PROGRESS";
inline constexpr std::string_view kOverloadCaption = "COLOUR OVERLOAD SMOOTHING IN PROGRESS";
inline constexpr std::string_view kLowPassCaption = "LOW PASS COLOUR FILTER IN PROGRESS";
inline constexpr std::string_view kHistogramBalanceCaption = "COLOUR HISTOGRAM BALANCE IN PROGRESS";

inline constexpr std::string_view kColourBalanceHistory = "Colour Balance Applied";
inline constexpr std::string_view kChromatismHistory = "Chromatism Adjusted";
inline constexpr std::string_view kOverloadHistory = "Colour Overload Filter";
inline constexpr std::string_view kLowPassHistory = "Low Pass Colour Filter";
inline constexpr std::string_view kHistogramBalanceHistory = "Colour Histogram Balanced";

// The program's colour planes in red, green, blue order.
RgbPlanes colourPlanes(Program& program);
// Copies the colour planes into the colour undo triplet.
void takeColourUndoCopy(Program& program);

// "Set Colour Balance" (8116): shows "Colour Starting Balance"; OK applies it.
bool SetColourBalance(Program& program);
// The colour balance with the given values (the dialog's OK, and the command-line tool).
bool applyColourBalanceToImage(Program& program, const ColourBalance& balance);
// "Adjust Chromatism" (8119): shows "Adjust Chromatism"; OK applies the shift.
bool AdjustChromatism(Program& program);
bool applyChromatismToImage(Program& program, const ChromatismShift& shift);
// "Colour Overload Smoothing" (8128).
bool ColourOverloadSmoothing(Program& program);
// "Low Pass Colour Filter" (8129).
bool LowPassColourFilter(Program& program);
// "Balance Colour Histogram" (8130).
bool BalanceColourHistogram(Program& program);

// The six start values of the colour balance back to 0, as colour synthesis does when it has
// built new colour planes.
void resetColourBalanceStarts(Program& program);

}  // namespace nvk::colour
