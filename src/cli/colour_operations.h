#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "core/program.h"

namespace nvk::cli {

// The colour operations of `process`, each run as its menu command runs without its dialog:
//   synth           colour synthesis with the settings' choices (stretches, filters, anti-alias)
//   synth:daylight  the same with "Daylight Image?" on for this run
//   antialias       the anti-alias filter
//   colourundo      Undo Last Colour Filter
//   mono:N          the single-filter image of matrix site N (1..4)
// An operation returns false when the program refused it (its message has been shown).
using ColourOperation = std::function<bool(core::Program&)>;
std::optional<ColourOperation> parseColourOperation(std::string_view op);

inline constexpr std::string_view kColourOperationsUsage =
    "      synth synth:daylight antialias colourundo mono:N (N = 1..4)\n";

}  // namespace nvk::cli
