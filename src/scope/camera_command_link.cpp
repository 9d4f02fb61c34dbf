#include "scope/camera_command_link.h"

#include "scope/program.h"

namespace nvk::scope {

void CameraCommandLink::sendSerial(int portIndex, std::span<const std::uint8_t> bytes) {
  camera::Camera& camera = program_.camera();
  if (!camera.connected()) return;
  camera.writeSerial(portIndex, bytes);
}

std::vector<std::uint8_t> CameraCommandLink::readSerial(int portIndex, int count) {
  camera::Camera& camera = program_.camera();
  if (!camera.connected()) return {};
  const auto bytes = camera.readSerial(portIndex, count);
  return {bytes.begin(), bytes.end()};
}

void CameraCommandLink::setGuideOutputs(std::uint8_t bits) {
  camera::Camera& camera = program_.camera();
  if (camera.connected()) camera.setGuideOutputs(bits);
}

bool CameraCommandLink::connectCamera() {
  camera::Camera& camera = program_.camera();
  if (!camera.connected()) camera.connect();
  if (!camera.connected()) return false;
  camera.readFirmware();
  return true;
}

}  // namespace nvk::scope
