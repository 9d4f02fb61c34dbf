#include "process/undo.h"

#include <algorithm>

namespace nvk::process {

image::Plane undoPlane(Program& program) {
  return program.planes.WorkPlane5;
}

void takeUndoCopy(Program& program) {
  const std::size_t samples = program.geometry.pixelCount;
  std::copy_n(program.planes.RawImage.begin(), samples, undoPlane(program).begin());
  program.processing.undo = {true, program.state.colourConverted, samples};
}

bool UndoLastFilter(Program& program) {
  image::UndoRecord& undo = program.processing.undo;
  if (!undo.available) return false;
  std::copy_n(undoPlane(program).begin(), undo.samples, program.planes.RawImage.begin());
  program.state.colourConverted = undo.colourConverted;
  undo.available = false;
  program.history.undoLast();
  program.ui().requestRedraw();
  return true;
}

}  // namespace nvk::process
