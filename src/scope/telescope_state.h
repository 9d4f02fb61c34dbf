#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "port/serial_port.h"
#include "scope/camera_link.h"

namespace nvk::scope {

// The telescope's run-time state: the commands the Move Telescope dialog chose, the held-arrow
// flags, the two "Info from Scope" lines, the serial link's buffers and the two routes to the
// mount. Kept by the program for the whole run.
struct TelescopeState {
  static constexpr std::size_t kReplyBufferBytes = 50;
  static constexpr std::size_t kInfoLineChars = 100;

  // "#:RS#" Slew, "#:RM#" Find, "#:RC#" Centre, "#:RG#" Guide.
  std::string rateCommand = "#:RS#";
  // "#:FF#" Fast, "#:FS#" Slow.
  std::string focusSpeedCommand = "#:FS#";
  // Set while a move or focus arrow is held, so that auto-repeat sends the start only once.
  bool moving = false;
  bool focusing = false;
  // [0] the object information from the scope, [1] the scope's reply to a slew.
  std::array<std::string, 2> infoLines;
  // Set once ConnectTelescope has run; never cleared.
  bool telescopeConnected = false;
  // The camera serial port used for telescope commands, taken from the settings on connection.
  int portIndex = 0;
  // Set when OpenPcPort succeeds; cleared when a failing call closes the port.
  bool pcPortOpen = false;
  // What the last read left; a missing reply leaves the previous contents.
  std::array<std::uint8_t, kReplyBufferBytes> replyBuffer{};

  // The routes: the PC COM port and the camera. Either may be absent.
  port::SerialPort* pcPort = nullptr;
  CameraLink* cameraLink = nullptr;
};

}  // namespace nvk::scope
