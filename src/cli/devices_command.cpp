#include <cstdio>

#include "cli/cli.h"

namespace nvk::cli {

// `devices`: runs camera discovery and filter-wheel discovery as the camera interface command
// does, and prints what they found.
int runDevicesCommand(CliSession& session, CommandArgs args) {
  if (!args.empty()) {
    session.err() << "usage: nvk-k7lq-cli devices\n";
    return 2;
  }
  app::Program& program = session.program();
  camera::CameraDevices& devices = program.devices;
  const int cameraInterfaces = program.camera().connect();
  const std::string cameraProductId = devices.productIdText;  // before the wheel's paths
  if (!devices.usbFilterWheelPresent) program.camera().connectFilterWheel();

  std::ostream& out = session.out();
  out << "camera driver interfaces: " << (cameraInterfaces ? "present" : "none") << '\n';
  for (int i = 0; i < camera::kDeviceTableSize; ++i) {
    const camera::DeviceTableEntry& e = devices.deviceTable[static_cast<std::size_t>(i)];
    if (e.vendorId == 0) continue;
    char line[64];
    std::snprintf(line, sizeof line, "  %2d  vid %04x  pid %04x  ", i, e.vendorId, e.productId);
    out << line << e.manufacturer << "  " << e.product << '\n';
  }
  if (program.camera().connected()) {
    out << "camera: connected, NVKIO = " << devices.camera->handleNumber()
        << ", PID = " << cameraProductId << ", operating system " << devices.osVersion.major << '.'
        << devices.osVersion.minor << (devices.legacyOs ? " (legacy)" : "") << '\n';
  } else {
    out << "camera: not found\n";
  }
  if (devices.usbFilterWheelPresent) {
    out << "filter wheel: on USB, filter count " << program.settings.filterCount << '\n';
  } else {
    out << "filter wheel: not found on USB\n";
  }
  return 0;
}

}  // namespace nvk::cli
