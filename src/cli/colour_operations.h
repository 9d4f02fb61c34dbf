#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/program.h"

namespace nvk::cli {

// The colour operations of `process`, each run as its menu command runs without its dialog:
//   synth           colour synthesis with the settings' choices (stretches, filters, anti-alias)
//   synth:daylight  the same with "Daylight Image?" on for this run
//   antialias       the anti-alias filter
//   colourundo      Undo Last Colour Filter
//   mono:N          the single-filter image of matrix site N (1..4)
//   balance:R:G:B[:SAT[:RMIN:RMAX:GMIN:GMAX:BMIN:BMAX]]
//                   Set Colour Balance with these start values, saturation factor and levels
//   chromatism:RX:RY:BX:BY
//                   Adjust Chromatism: the red and blue planes moved by these pixels
//   overload[:LEVEL]  Colour Overload Smoothing (overloaded at LEVEL, default 64000)
//   lowpasscolour[:R] Low Pass Colour Filter over the square of radius R (1..10, default 2)
//   balancehist     Balance Colour Histogram
// An operation returns false when the program refused it (its message has been shown).
// The fields of an operation, split at its colons ("balance:1:2" gives "balance", "1", "2").
std::vector<std::string_view> operationFields(std::string_view op);

using ColourOperation = std::function<bool(app::Program&)>;
std::optional<ColourOperation> parseColourOperation(std::string_view op);

inline constexpr std::string_view kColourOperationsUsage =
    "      synth synth:daylight antialias colourundo mono:N (N = 1..4)\n"
    "      balance:R:G:B[:SAT[:RMIN:RMAX:GMIN:GMAX:BMIN:BMAX]] chromatism:RX:RY:BX:BY\n"
    "      overload[:LEVEL] lowpasscolour[:R] balancehist\n";

}  // namespace nvk::cli
