#pragma once

#include <memory>

#include "scope/ao_unit.h"

namespace nvk::scope {

class Program;

// The AO unit the settings' AO mode chooses: the pulse-mode unit on the guide outputs with
// "AO Pulse Mode", else the unit taking commands on the AO's serial route. A new way of driving
// an AO unit is one more realisation of AoUnit and one more choice here.
std::unique_ptr<AoUnit> makeAoUnit(Program& program);

// The program's AO unit: made by makeAoUnit on first use, and again whenever the AO mode has
// changed since (the guider dialog's mode button, a settings file loaded).
AoUnit& chosenAoUnit(Program& program);

}  // namespace nvk::scope
