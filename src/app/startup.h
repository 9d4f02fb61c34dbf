#pragma once

#include "app/program.h"

namespace nvk::app {

// Reads the preferences file and the settings file at start-up. Bad preference values are
// shown in one message and take their defaults (the file keeps them until the program saves).
// A missing settings file shows message 1 and leaves the defaults; a settings file that cannot
// be read shows the load message, one that cannot be rewritten the save message.
// False when there was no settings file: the program's first start, where the window goes on to
// the program defaults.
bool loadStartupSettings(Program& program);

}  // namespace nvk::app
