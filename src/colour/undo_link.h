#pragma once

#include "core/program.h"

namespace nvk::colour {

// The undo copy of the main frame (with the colour-converted flag) that "Undo Last Filter"
// restores, taken before synthesis and the single-filter image change RawImage.
void takeUndoCopy(core::Program& program);

// The automatic stretch, high pass and unsharp mask that run after a synthesis, with the
// settings' choices.
void runAutomaticProcessing(core::Program& program);

}  // namespace nvk::colour
