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

// An LX200 mount on the program's PC serial port (the route through the PC's own port), for as
// long as this lives.
class Lx200OnPcPort {
 public:
  Lx200OnPcPort(app::Program& program, port::SerialPort& port) : program_(program) {
    program.telescope.pcPort = &port;
    program.settings.serialRoute = 3;
    program.settings.guideOutputMode = settings::GuideOutputMode::Lx200;
  }
  ~Lx200OnPcPort() { program_.telescope.pcPort = nullptr; }
  Lx200OnPcPort(const Lx200OnPcPort&) = delete;
  Lx200OnPcPort& operator=(const Lx200OnPcPort&) = delete;

 private:
  app::Program& program_;
};

}  // namespace nvk::test
