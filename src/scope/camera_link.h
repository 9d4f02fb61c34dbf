#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace nvk::scope {

// What the telescope code needs of the camera: its two serial ports (commands 10 and 11), its
// guide-output lines (command 9) and, for Telescope Control, a camera to talk to at all. The
// camera protocol realises it; the simulator and the tests have their own.
class CameraLink {
 public:
  virtual ~CameraLink() = default;

  // Writes `bytes` to camera serial port `portIndex`.
  virtual void sendSerial(int portIndex, std::span<const std::uint8_t> bytes) = 0;
  // Reads `count` bytes from camera serial port `portIndex`; a short or failed transfer gives
  // fewer bytes.
  virtual std::vector<std::uint8_t> readSerial(int portIndex, int count) = 0;
  // Sets the guide-output lines (west 1, south 2, north 4, east 8; 0 releases all).
  virtual void setGuideOutputs(std::uint8_t bits) = 0;
  // Makes sure a camera is attached (running discovery when none is) and reads its parameters.
  // False when there is still no camera.
  virtual bool connectCamera() = 0;
};

}  // namespace nvk::scope
