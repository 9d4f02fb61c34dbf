#pragma once

#include <memory>

#include "app/program.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"
#include "support/temp_dir.h"

namespace nvk::test {

// A program on a virtual clock and a scripted Ui, with a temporary data root.
struct ProgramFixture {
  TempDir root;
  port::VirtualClock clock;
  port::ScriptedUi ui{&clock};
  app::Program program{clock, ui, base::ProgramPaths(root.path())};
};

}  // namespace nvk::test
