#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "port/indi_client.h"
#include "port/serial_port.h"
#include "scope/camera_link.h"
#include "scope/mount.h"

namespace nvk::scope {

// The telescope's run-time state: the mount the settings chose, the rate and focus speed the
// Move Telescope dialog chose, the held-arrow flags, the two "Info from Scope" lines, the serial
// link's buffers and the two routes to the mount. Kept by the program for the whole run.
struct TelescopeState {
  static constexpr std::size_t kReplyBufferBytes = 50;
  static constexpr std::size_t kInfoLineChars = 100;

  // The mount (chosenMount in mount_factory.h makes it) and the drive it was made for.
  std::unique_ptr<Mount> mount;
  std::string mountChoice;
  // Makes the client an INDI mount talks through (the rig sets it; none: no INDI mount).
  std::function<std::unique_ptr<port::IndiClient>()> makeIndiClient;

  // The chosen rate and focus speed, kept as their LX200 commands: "#:RS#" Slew, "#:RM#" Find,
  // "#:RC#" Centre, "#:RG#" Guide; "#:FF#" Fast, "#:FS#" Slow.
  std::string rateCommand = "#:RS#";
  std::string focusSpeedCommand = "#:FS#";
  // The rate and the speed those commands name (an unknown rate counts as Guide).
  MoveRate moveRate() const {
    switch (rateCommand.at(3)) {
      case 'S':
        return MoveRate::Slew;
      case 'M':
        return MoveRate::Find;
      case 'C':
        return MoveRate::Centre;
      default:
        return MoveRate::Guide;
    }
  }
  FocusSpeed focusSpeed() const {
    return focusSpeedCommand.at(3) == 'F' ? FocusSpeed::Fast : FocusSpeed::Slow;
  }
  // Set while a move or focus arrow is held, so that auto-repeat sends the start only once.
  bool moving = false;
  bool focusing = false;
  // [0] the object information from the scope, [1] the scope's reply to a slew.
  InfoLines infoLines;
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
