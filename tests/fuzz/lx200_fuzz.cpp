// LX200 traffic both ways. The program's mount commands read the mount's replies from the input
// (on the PC port or through a camera serial port):
//   byte 0   the command; byte 1 the route and how the mount answers (bit 0 short, bit 1
//            failing, bit 2 the PC route); byte 2 a number for it; the rest is the reply.
// The simulated mount then takes the whole input as the bytes on its line and answers.
#include "device_replies.h"
#include "fuzz_support.h"
#include "scope/mount.h"
#include "scope/mount_factory.h"
#include "sim/mount.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  auto& program = f.program;
  static nvk::fuzz::Replies replies;
  static nvk::fuzz::ReplyingSerial serial(replies);
  nvk::fuzz::InputBytes in({data, size});
  const int command = in.next() % 6;
  const std::uint8_t shape = in.next();
  const int number = in.next();
  replies.shortAnswers = shape & 1;
  replies.failures = shape & 2;
  replies.reply.assign(in.rest().begin(), in.rest().end());
  program.telescope.pcPort = &serial;
  program.telescope.cameraLink = &serial;
  program.settings.serialRoute = shape & 4 ? 3 : 1;
  program.settings.guideOutputMode = nvk::settings::GuideOutputMode::Lx200;

  using namespace nvk::scope;
  Mount& drive = chosenMount(program);
  const Direction directions[] = {Direction::East, Direction::West, Direction::North,
                                  Direction::South};
  switch (command) {
    case 0:
      drive.goTo(CatalogueObject{CatalogueKind::Messier, number});
      break;
    case 1:
      drive.goTo(CatalogueObject{number & 1 ? CatalogueKind::Star : CatalogueKind::Cngc, number});
      break;
    case 2:
      drive.goTo(SkyCoordinates{number % 24, number % 60, number - 128, number % 60});
      break;
    case 3:
      drive.guidePulse(directions[number % 4], number * 10);
      break;
    case 4:
      drive.startMove(directions[number % 4], MoveRate::Centre);
      drive.stopMove();
      break;
    case 5:
      drive.startFocus(number & 1 ? FocusDirection::In : FocusDirection::Out, FocusSpeed::Slow);
      drive.stopFocus();
      break;
  }
  program.telescope.pcPort = nullptr;
  program.telescope.cameraLink = nullptr;
  program.telescope.pcPortOpen = false;

  nvk::sim::SimulatedMount mount(f.clock);
  mount.receive({data, size});
  f.clock.advanceMs(1000);
  mount.transmit(4096);
  mount.pointing();
  return 0;
}
