#pragma once

#include "acquire/program.h"

namespace nvk::app {

// The one object that owns all program-wide state: created once in main() (or by a test) and
// alive until exit. The layers below each see the part they know (settings::Program up to
// acquire::Program); the window, the command-line tool and the command table take this one.
class Program final : public acquire::Program {
 public:
  using acquire::Program::Program;
};

}  // namespace nvk::app
