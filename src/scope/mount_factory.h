#pragma once

#include <memory>

#include "scope/mount.h"
#include "settings/settings.h"

namespace nvk::scope {

class Program;

// The mount the settings choose: the only place that reads the telescope drive of the
// settings (GuideOutputMode). The LX200 mount for "Meade LX200", on the serial route that
// SerialRoute names; the guide-output mount for "Autoguider Socket". With no drive chosen,
// guiding, training and Telescope Control are off (telescopeDriveChosen), and what still
// reaches a mount keeps the program's ways: the Move Telescope dialog, the focuser buttons
// and the CLI speak LX200, and a timed pulse holds a guide-output line.
// A new mount protocol is one more realisation of Mount and one more choice here.
std::unique_ptr<Mount> makeMount(Program& program);

// The program's mount: made by makeMount on first use, and again whenever the settings have
// come to choose another drive since (the defaults dialog, a settings file loaded).
Mount& chosenMount(Program& program);

// True when the settings choose a telescope drive for guiding and Telescope Control.
bool telescopeDriveChosen(const settings::Settings& settings);

// The line speed of what the settings put on the PC port: the autoguider socket box runs at
// 300 baud, an LX200 (and the AO unit) at 9600.
int pcPortBaud(const settings::Settings& settings);

}  // namespace nvk::scope
