#include <optional>
#include <string>

#include "base/parse_int.h"
#include "camera/camera.h"
#include "cli/cli.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli camera firmware | temperature | cool SETPOINT|off [--wait SECONDS] | "
    "filter N\n";

// Connects as the camera interface command does on first use: camera discovery, filter-wheel
// discovery unless a USB wheel is open, then the firmware version.
bool connect(CliSession& session) {
  app::Program& program = session.program();
  camera::Camera& camera = program.camera();
  if (!camera.connected()) {
    camera.connect();
    if (!program.devices.usbFilterWheelPresent) camera.connectFilterWheel();
    if (!camera.connected()) {
      session.err() << camera::kNoCameraOnUsbText << '\n';
      return false;
    }
    camera.readFirmware();
  }
  return true;
}

int cool(CliSession& session, CommandArgs args) {
  app::Program& program = session.program();
  camera::CoolerState& cooler = program.devices.cooler;
  std::optional<int> waitSeconds = 0;
  if (args.size() == 3 && args[1] == "--wait") waitSeconds = base::parseInt(args[2]);
  if ((args.size() != 1 && args.size() != 3) || !waitSeconds || *waitSeconds < 0) {
    session.err() << kUsage;
    return 2;
  }
  if (args[0] == "off") {
    cooler.on = false;
  } else {
    const auto setPoint = base::parseInt(args[0]);
    if (!setPoint || *setPoint < -40 || *setPoint > 35) {
      session.err() << "the set-point must be a whole number of degrees from -40 to 35\n";
      return 2;
    }
    cooler.setPointC = static_cast<std::int16_t>(*setPoint);
    cooler.on = true;
  }
  if (!connect(session)) return 1;
  if (!cooler.available) {
    session.err() << "this camera's firmware has no cooler control\n";
    return 1;
  }
  program.camera().applyCooler();
  if (*waitSeconds > 0) {
    program.clock().waitMs(static_cast<std::uint32_t>(*waitSeconds) * 1000u);
    program.camera().applyCooler();
  }
  if (cooler.on)
    session.out() << "cooler on, set-point " << cooler.setPointC << " C, ";
  else
    session.out() << "cooler off, ";
  session.out() << "temperature " << cooler.temperatureC << " C\n";
  return 0;
}

}  // namespace

int runCameraCommand(CliSession& session, CommandArgs args) {
  if (args.empty()) {
    session.err() << kUsage;
    return 2;
  }
  app::Program& program = session.program();
  const std::string& what = args[0];
  if (what == "cool") return cool(session, args.subspan(1));
  if (args.size() > 2 || (what != "filter" && args.size() != 1)) {
    session.err() << kUsage;
    return 2;
  }
  if (what == "firmware") {
    if (!connect(session)) return 1;
    const auto& fw = program.devices.firmware;
    session.out() << "firmware " << fw.major << '.' << fw.minor << ", cooler control "
                  << (program.devices.cooler.available ? "available" : "not available") << '\n';
    return 0;
  }
  if (what == "temperature") {
    if (!connect(session)) return 1;
    session.out() << "temperature " << program.camera().readTemperature() << " C\n";
    return 0;
  }
  if (what == "filter") {
    const auto n = args.size() == 2 ? base::parseInt(args[1]) : std::nullopt;
    if (!n) {
      session.err() << kUsage;
      return 2;
    }
    if (!connect(session)) return 1;
    if (*n < 1 || *n > program.settings.filterCount) {
      session.err() << "the filter must be a number from 1 to " << program.settings.filterCount
                    << '\n';
      return 2;
    }
    program.camera().selectFilter(*n);
    session.out() << "filter " << *n
                  << (program.devices.usbFilterWheelPresent
                          ? " on the USB filter wheel\n"
                          : " through the camera's serial port\n");
    return 0;
  }
  session.err() << kUsage;
  return 2;
}

}  // namespace nvk::cli
