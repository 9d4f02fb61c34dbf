// AO unit traffic both ways. The program's AO commands read the unit's replies from the input:
//   byte 0   the action; byte 1 the route and how the unit answers (bit 0 short, bit 1 failing,
//            bit 2 the PC route, bit 3 pulse mode); bytes 2..3 steps or a guide error; the rest
//            is the reply.
// The simulated unit then takes the whole input as the bytes on its line and answers.
#include "device_replies.h"
#include "fuzz_support.h"
#include "scope/ao_unit.h"
#include "scope/ao_unit_factory.h"
#include "sim/ao_unit.h"
#include "sim/camera_head.h"
#include "sim/sky.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  auto& program = f.program;
  static nvk::fuzz::Replies replies;
  static nvk::fuzz::ReplyingSerial serial(replies);
  nvk::fuzz::InputBytes in({data, size});
  const int action = in.next() % 5;
  const std::uint8_t shape = in.next();
  const auto a = static_cast<std::int8_t>(in.next());
  const auto b = static_cast<std::int8_t>(in.next());
  replies.shortAnswers = shape & 1;
  replies.failures = shape & 2;
  replies.reply.assign(in.rest().begin(), in.rest().end());
  program.telescope.pcPort = &serial;
  program.telescope.cameraLink = &serial;
  program.settings.serialRoute = shape & 4 ? 3 : 1;
  program.settings.aoPulseMode = shape & 8;

  const nvk::scope::Direction directions[] = {
      nvk::scope::Direction::East, nvk::scope::Direction::West, nvk::scope::Direction::North,
      nvk::scope::Direction::South};
  auto& programUnit = nvk::scope::chosenAoUnit(program);
  switch (action) {
    case 0: {
      const auto command = nvk::scope::aoCommand('H', 'x', 0);
      programUnit.send(command);
      break;
    }
    case 1:
      programUnit.step(directions[static_cast<std::uint8_t>(a) % 4], b);
      break;
    case 2:
      nvk::scope::AoGuideStep(program, {a * 100, b * 100});
      break;
    case 3:
      programUnit.manualMove(directions[static_cast<std::uint8_t>(a) % 4]);
      break;
    case 4:
      programUnit.centre();
      programUnit.returnToCentre();
      break;
  }
  program.telescope.pcPort = nullptr;
  program.telescope.cameraLink = nullptr;
  program.telescope.pcPortOpen = false;

  static nvk::sim::Sky sky;
  static nvk::sim::SimulatedCameraHead head(sky, f.clock);
  nvk::sim::SimulatedAoUnit unit(f.clock, head, 1.0, [](char, int) {});
  unit.receive({data, size});
  unit.transmit(4096);
  unit.upDown();
  unit.leftRight();
  return 0;
}
