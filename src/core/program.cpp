#include "core/program.h"

namespace nvk::core {

Program::Program(port::Clock& clock, port::Ui& ui, ProgramPaths paths)
    : clock_(clock), ui_(ui), paths_(std::move(paths)) {
  applyGeometry();
}

void Program::applyGeometry() { geometry = image::applyGeometry(state.binned, halfSizeDisplay); }

}  // namespace nvk::core
