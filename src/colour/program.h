#pragma once

#include "colour/colour_state.h"
#include "colour/colour_tools_state.h"
#include "process/program.h"

namespace nvk::colour {

// The program as the colour operations see it (see settings::Program).
class Program : public process::Program {
 public:
  using process::Program::Program;

  // Session choices of the colour tools (daylight image, single-filter site, balance starts).
  ColourState colour;
  // Colour balance, chromatism and colour filter choices.
  ColourToolsState colourTools;
};

}  // namespace nvk::colour
