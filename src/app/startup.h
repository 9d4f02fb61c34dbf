#pragma once

#include "app/program.h"

namespace nvk::app {

// Reads the settings file at start-up. A missing file shows message 1 and leaves the defaults;
// a file that cannot be read shows the load message, one that cannot be rewritten the save
// message.
void loadStartupSettings(Program& program);

}  // namespace nvk::app
