#pragma once

#include "colour/program.h"
#include "scope/guide_log.h"
#include "scope/guiding_state.h"
#include "scope/telescope_state.h"

namespace nvk::scope {

// The program as the mount, guiding and AO code sees it (see settings::Program).
class Program : public colour::Program {
 public:
  using colour::Program::Program;

  // The mount: its serial routes, the Move Telescope state and the info lines.
  TelescopeState telescope;
  // Guide star, guiding loops, trained guide-head values and the AO unit.
  GuidingState guiding;
  // The night's guide log, which guiding and training append to.
  GuideLog guideLog{*this};
};

}  // namespace nvk::scope
