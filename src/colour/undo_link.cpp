#include "colour/undo_link.h"

#include <algorithm>

namespace nvk::colour {

// Until the processing operations' undo record is in place the copy goes to the last working
// plane, where "Undo Last Filter" will look for it.
void takeUndoCopy(core::Program& program) {
  std::copy_n(program.planes.RawImage.begin(), program.geometry.pixelCount,
              program.planes.WorkPlane5.begin());
}

void runAutomaticProcessing(core::Program&) {}

}  // namespace nvk::colour
