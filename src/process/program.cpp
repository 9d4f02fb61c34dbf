#include "process/program.h"

#include "process/measure_merge.h"

namespace nvk::process {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : camera::Program(clock, ui, std::move(paths)) {
  // A merge in progress ends before Open replaces the image: an image it kept aside is put
  // back first, and its picks no longer act on the opened file.
  beforeOpen = [this] {
    if (measure.active == MeasureTool::Merging) cancelMerging(*this);
  };
}

}  // namespace nvk::process
