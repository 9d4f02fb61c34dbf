#include "acquire/program.h"

#include "acquire/exposure_guider.h"

namespace nvk::acquire {

Program::Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths)
    : scope::Program(clock, ui, std::move(paths)) {
  exposureGuiding = std::make_unique<GuideHeadExposureGuiding>(*this);
}

}  // namespace nvk::acquire
