#pragma once

#include "process/program.h"

namespace nvk::process {

// The plane that holds the undo frame (plane 5, the last working plane).
image::Plane undoPlane(Program& program);

// Copies the main frame into the undo frame together with the colour-converted flag. Every
// processing operation calls this before it changes RawImage.
void takeUndoCopy(Program& program);

// "Undo Last Filter" (command 9): restores the main frame and the colour-converted flag saved by
// the last operation, empties the last used history slot and redraws. A second undo, or an undo
// before any operation, does nothing. Returns whether a frame was restored.
bool UndoLastFilter(Program& program);

}  // namespace nvk::process
