#pragma once

#include <memory>
#include <optional>

#include "scope/indi_mount.h"
#include "scope/mount.h"
#include "settings/settings.h"

namespace nvk::scope {

class Program;

// The mount the settings choose: the only place that reads the telescope drive of the
// settings (GuideOutputMode). The LX200 mount for "Meade LX200", on the serial route that
// SerialRoute names; the guide-output mount for "Autoguider Socket"; the INDI mount when the
// preferences choose it (it wins over the settings file's drive, which is kept as it is). With no
// drive chosen, guiding, training and Telescope Control are off (telescopeDriveChosen), and what
// still reaches a mount keeps the program's ways: the Move Telescope dialog, the focuser buttons
// and the CLI speak LX200, and a timed pulse holds a guide-output line.
// A new mount protocol is one more realisation of Mount and one more choice here.
std::unique_ptr<Mount> makeMount(Program& program);

// The program's mount: made by makeMount on first use, and again whenever the settings have
// come to choose another drive since (the defaults dialog, a settings file loaded).
Mount& chosenMount(Program& program);

// True when the settings, or the preferences (the INDI mount), choose a telescope drive for
// guiding and Telescope Control.
bool telescopeDriveChosen(const Program& program);

// The INDI mount's server and devices when the preferences choose it ("INDI" in Set Program
// Defaults, indi.enabled) and the rig can make an INDI client; else nullopt.
std::optional<IndiAddress> chosenIndiAddress(const Program& program);

// The line speed of what the settings put on the PC port: the autoguider socket box runs at
// 300 baud, an LX200 (and the AO unit) at 9600.
int pcPortBaud(const settings::Settings& settings);

}  // namespace nvk::scope
