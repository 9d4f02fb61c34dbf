#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "port/clock.h"
#include "port/device_enumerator.h"
#include "port/serial_port.h"
#include "sim/camera_head.h"

namespace nvk::sim {

// The codes a failing transfer reports, as libusb and hidapi give them.
inline constexpr int kTransferIoError = -1;
inline constexpr int kTransferNoDevice = -4;
inline constexpr int kTransferTimedOut = -7;
// How long a transfer waits for an answer that never comes.
inline constexpr std::uint32_t kTransferTimeOutMs = 3000;
inline constexpr std::uint32_t kWheelTimeOutMs = 1000;

// What goes wrong on the camera channel.
enum class CameraFault {
  None,
  TimeOut,        // a read waits its whole time-out and gets nothing
  ShortRead,      // a read ends early with half the bytes and no error
  ErrorMidFrame,  // a read breaks off with an error after half the bytes
  Gone,           // the camera is unplugged: not listed, not opened, every transfer fails
};

// What goes wrong on the PC serial port.
enum class SerialFault {
  None,
  Vanished,      // the adapter is pulled: every call fails
  Garbage,       // the line delivers noise instead of the device's answers
  NoTerminator,  // the answers arrive without their closing '#'
};

// The simulated devices behind a switchboard of faults, for the program's discovery: channels
// opened through it pass every transfer to the device underneath unless a fault is set. A
// camera fault strikes at the (readsToSpare + 1)st read of at least `fromBytes` bytes from when
// it was set (so that it can fall on a frame rather than on a cooler reply), then hits every such
// read until cleared; a camera gone fails every transfer from then on. A camera that has been
// gone stays dead on the channels opened before: the program has to discover it again, as it
// must after a real cable was pulled and put back.
class FaultyDevices final : public port::DeviceEnumerator {
 public:
  FaultyDevices(port::DeviceEnumerator& devices, port::Clock& clock);
  ~FaultyDevices() override;

  void setCameraFault(CameraFault fault, int readsToSpare = 0, std::size_t fromBytes = 0);
  CameraFault cameraFault() const;
  // The camera is unplugged now.
  bool cameraGone() const;
  // The wheel takes its requests and never answers.
  void setWheelSilent(bool silent);

  std::optional<std::vector<port::PresentInterface>> presentInterfaces(
      port::InterfaceClass cls) override;
  std::unique_ptr<port::CameraTransport> openCamera(const std::string& devicePath) override;
  std::unique_ptr<port::FilterWheelTransport> openFilterWheel(
      const std::string& devicePath) override;
  port::OsVersion osVersion() override { return devices_.osVersion(); }

  struct State;

 private:
  port::DeviceEnumerator& devices_;
  std::shared_ptr<State> state_;
};

// A PC serial port with a simulated device (the mount or the AO unit) on its line, and a fault
// that can be set on it. Opening it (reset) fails while it has vanished.
class FaultySerialPort final : public port::SerialPort {
 public:
  explicit FaultySerialPort(SerialPortDevice& device) : device_(device) {}

  void setFault(SerialFault fault) { fault_ = fault; }
  bool open() const { return open_; }

  int reset(int comIndex, int rxQueueBytes, int txQueueBytes) override;
  int setBaud(int) override { return status(); }
  int set8N1() override { return status(); }
  int setDtr(bool) override { return status(); }
  int setRts(bool) override { return status(); }
  int putByte(std::uint8_t byte) override;
  int putBytes(std::span<const std::uint8_t> bytes) override;
  int getBytes(std::span<std::uint8_t> buffer) override;
  int clearReceive() override;
  int done() override;

 private:
  int status() const;

  SerialPortDevice& device_;
  SerialFault fault_ = SerialFault::None;
  bool open_ = false;
  std::uint8_t noise_ = 0x5A;
};

}  // namespace nvk::sim
