#pragma once

#include "camera/program.h"
#include "process/measure_state.h"

namespace nvk::process {

// The program as the image processing and measuring tools see it (see settings::Program).
class Program : public camera::Program {
 public:
  Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths);

  // Photometry, row plot, merging and show-values state.
  MeasureState measure;
};

}  // namespace nvk::process
