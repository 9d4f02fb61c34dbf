#include "sim/mount_camera_link.h"

namespace nvk::sim {

void MountCameraLink::sendSerial(int portIndex, std::span<const std::uint8_t> bytes) {
  if (portIndex == portIndex_()) mount_.receive(bytes);
}

std::vector<std::uint8_t> MountCameraLink::readSerial(int portIndex, int count) {
  std::vector<std::uint8_t> bytes;
  if (portIndex == portIndex_()) bytes = mount_.transmit(static_cast<std::size_t>(count));
  bytes.resize(static_cast<std::size_t>(count), 0);
  return bytes;
}

}  // namespace nvk::sim
