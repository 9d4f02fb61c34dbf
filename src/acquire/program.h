#pragma once

#include <memory>

#include "acquire/acquire_settings.h"
#include "acquire/exposure_guiding.h"
#include "scope/program.h"

namespace nvk::acquire {

// The program as the exposure runs and the camera dialogs see it (see settings::Program).
class Program : public scope::Program {
 public:
  Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths);

  // The exposure run's settings (the camera control dialog edits them).
  AcquireSettings acquisition;
  // Guiding with the guide head during an exposure.
  std::unique_ptr<ExposureGuiding> exposureGuiding;
};

}  // namespace nvk::acquire
