#include "scope/ao_unit_factory.h"

#include "scope/program.h"
#include "scope/pulse_ao_unit.h"
#include "scope/serial_ao_unit.h"

namespace nvk::scope {

std::unique_ptr<AoUnit> makeAoUnit(Program& program) {
  if (program.settings.aoPulseMode) return std::make_unique<PulseAoUnit>(program);
  return std::make_unique<SerialAoUnit>(program);
}

AoUnit& chosenAoUnit(Program& program) {
  auto& g = program.guiding;
  if (g.aoUnit == nullptr || g.aoUnitPulseMode != program.settings.aoPulseMode) {
    g.aoUnit = makeAoUnit(program);
    g.aoUnitPulseMode = program.settings.aoPulseMode;
  }
  return *g.aoUnit;
}

}  // namespace nvk::scope
