#pragma once

#include <cstdint>

#include "colour/program.h"
#include "image/bayer_pattern.h"

namespace nvk::colour {

// A colour value is multiplied by the numerator and divided (truncating) by the denominator.
struct ColourFactor {
  int numerator;
  int denominator;
  bool operator==(const ColourFactor&) const = default;
};
struct ColourFactors {
  ColourFactor red;
  ColourFactor green;
  ColourFactor blue;
  bool operator==(const ColourFactors&) const = default;
};

// The factors of one synthesis: an IR filter and daylight both change the red factor only.
ColourFactors colourFactors(bool irFilterUsed, bool daylightImage);

// The matrix phase at the first window of the pass, and the site it makes of a window centre:
// the same phases give the Bayer pattern a saved raw frame declares.
using image::MatrixPhase;
using image::startPhase;

// The planes a synthesis pass reads and writes, `width` x `height` samples each, row-major.
// `raw` is read only; the other four receive the results at the window centres.
struct SynthesisFrames {
  const std::uint16_t* raw;
  std::uint16_t* red;
  std::uint16_t* green;
  std::uint16_t* blue;
  std::uint16_t* luminance;
  int width;
  int height;
};

// A labelled frame (the first row's samples 4 and 5 add up to 34) keeps its label band: the
// pass starts at window row 12 instead of 2.
int firstWindowRow(const std::uint16_t* raw);
// The window rows run from the first up to this row (exclusive). The window whose top row is
// `height` - 4 would read a row past the frame, so the last window row is `height` - 5 and the
// centre rows written are first + 2 .. height - 3.
constexpr int windowRowEnd(int height) {
  return height - 4;
}

// Computes the window rows [rowBegin, rowEnd) of the pass that starts at window row `firstRow`
// with `phase`. A window's top-left sample is (row a, column i), its centre (a + 2, i + 2),
// for i = 2 .. width - 3; a window reaching past the end of a row reads on into the next one,
// as the frame is one row-major block, and the windows that would read beyond the end of the
// frame are left out. Rows of one call may be computed on several threads at once.
// `allowVector` false keeps to the plain loop (the tests compare the two).
void synthesizeWindowRows(const SynthesisFrames& frames, const ColourFactors& factors,
                          MatrixPhase phase, int firstRow, int rowBegin, int rowEnd,
                          bool allowVector = true);

// Steps 5 to 10 of synthesis with the choices in the settings and the colour state: undo copy,
// the pass with its progress dialog, the colour-converted flag, the luminance into the main
// frame, the automatic processing and the redraw. The caller has checked the flag.
void synthesizeColour(Program& program);

// "Synthesize Colour Image" (command 8115): refuses a colour-converted image, reloads the
// settings, shows the "SYNTHESIZE COLOUR IMAGE" dialog, saves the settings and synthesises.
void SynthesizeColourImage(Program& program);

}  // namespace nvk::colour
