#include "scope/camera_command_link.h"

#include "camera/discovery.h"
#include "camera/protocol.h"
#include "scope/program.h"

namespace nvk::scope {

void CameraCommandLink::sendSerial(int portIndex, std::span<const std::uint8_t> bytes) {
  if (!program_.devices.cameraConnected) return;
  camera::WriteSerial(program_, portIndex, bytes);
}

std::vector<std::uint8_t> CameraCommandLink::readSerial(int portIndex, int count) {
  if (!program_.devices.cameraConnected) return {};
  const auto bytes = camera::ReadSerial(program_, portIndex, count);
  return {bytes.begin(), bytes.end()};
}

void CameraCommandLink::setGuideOutputs(std::uint8_t bits) {
  if (program_.devices.cameraConnected) camera::SetGuideOutputs(program_, bits);
}

bool CameraCommandLink::connectCamera() {
  if (!program_.devices.cameraConnected) camera::OpenCamera(program_);
  if (!program_.devices.cameraConnected) return false;
  camera::ReadFirmwareVersion(program_);
  return true;
}

}  // namespace nvk::scope
