#include "sim/faulty_devices.h"

#include <algorithm>

namespace nvk::sim {

// libserialport's code for a call that failed in the system.
constexpr int kSerialFailed = -2;

struct FaultyDevices::State {
  port::Clock& clock;
  CameraFault fault = CameraFault::None;
  bool striking = false;  // the fault has struck (after the reads it spared)
  int readsToSpare = 0;
  std::size_t fromBytes = 0;
  // Counts the times the camera went away; a channel opened in an earlier life stays dead.
  int cameraLife = 0;
  bool wheelSilent = false;
};

namespace {

using State = FaultyDevices::State;

class FaultyCameraChannel final : public port::CameraTransport {
 public:
  FaultyCameraChannel(std::unique_ptr<port::CameraTransport> channel, std::shared_ptr<State> state)
      : channel_(std::move(channel)), state_(std::move(state)), life_(state_->cameraLife) {}

  port::TransferResult write(std::span<const std::uint8_t> block) override {
    if (dead()) return {false, 0, kTransferNoDevice};
    return channel_->write(block);
  }

  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    State& s = *state_;
    if (!s.striking && s.fault != CameraFault::None && buffer.size() >= s.fromBytes &&
        s.readsToSpare-- == 0) {
      s.striking = true;
      if (s.fault == CameraFault::Gone) ++s.cameraLife;
    }
    if (dead()) return {false, 0, kTransferNoDevice};
    if (!s.striking || buffer.size() < s.fromBytes) return channel_->read(buffer);
    if (s.fault == CameraFault::TimeOut) {
      state_->clock.waitMs(kTransferTimeOutMs);
      return {false, 0, kTransferTimedOut};
    }
    const port::TransferResult whole = channel_->read(buffer);
    const std::size_t half = whole.bytes / 2;
    if (state_->fault == CameraFault::ShortRead) return {true, half, 0};
    return {false, half, kTransferIoError};
  }

  int handleNumber() const override { return channel_->handleNumber(); }

 private:
  bool dead() const {
    return (state_->fault == CameraFault::Gone && state_->striking) || life_ != state_->cameraLife;
  }

  std::unique_ptr<port::CameraTransport> channel_;
  std::shared_ptr<State> state_;
  int life_;
};

class FaultyWheelChannel final : public port::FilterWheelTransport {
 public:
  FaultyWheelChannel(std::unique_ptr<port::FilterWheelTransport> channel,
                     std::shared_ptr<State> state)
      : channel_(std::move(channel)), state_(std::move(state)) {}

  port::TransferResult write(std::span<const std::uint8_t> report) override {
    if (state_->wheelSilent) return {true, report.size(), 0};
    return channel_->write(report);
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    if (!state_->wheelSilent) return channel_->read(buffer);
    state_->clock.waitMs(kWheelTimeOutMs);
    return {false, 0, kTransferTimedOut};
  }

 private:
  std::unique_ptr<port::FilterWheelTransport> channel_;
  std::shared_ptr<State> state_;
};

}  // namespace

FaultyDevices::FaultyDevices(port::DeviceEnumerator& devices, port::Clock& clock)
    : devices_(devices), state_(std::make_shared<State>(State{clock})) {}

FaultyDevices::~FaultyDevices() = default;

void FaultyDevices::setCameraFault(CameraFault fault, int readsToSpare, std::size_t fromBytes) {
  State& s = *state_;
  s.fault = fault;
  s.readsToSpare = readsToSpare;
  s.fromBytes = fromBytes;
  s.striking = fault != CameraFault::None && readsToSpare == 0 && fromBytes == 0;
  if (s.striking && fault == CameraFault::Gone) ++s.cameraLife;
}

bool FaultyDevices::cameraGone() const {
  return state_->fault == CameraFault::Gone && state_->striking;
}

CameraFault FaultyDevices::cameraFault() const {
  return state_->fault;
}

void FaultyDevices::setWheelSilent(bool silent) {
  state_->wheelSilent = silent;
}

std::optional<std::vector<port::PresentInterface>> FaultyDevices::presentInterfaces(
    port::InterfaceClass cls) {
  if (cls == port::InterfaceClass::CameraDriver && cameraGone()) {
    return std::vector<port::PresentInterface>{};
  }
  return devices_.presentInterfaces(cls);
}

std::unique_ptr<port::CameraTransport> FaultyDevices::openCamera(const std::string& devicePath) {
  if (cameraGone()) return nullptr;
  auto channel = devices_.openCamera(devicePath);
  if (!channel) return nullptr;
  return std::make_unique<FaultyCameraChannel>(std::move(channel), state_);
}

std::unique_ptr<port::FilterWheelTransport> FaultyDevices::openFilterWheel(
    const std::string& devicePath) {
  auto channel = devices_.openFilterWheel(devicePath);
  if (!channel) return nullptr;
  return std::make_unique<FaultyWheelChannel>(std::move(channel), state_);
}

int FaultySerialPort::status() const {
  return fault_ == SerialFault::Vanished ? kSerialFailed : 0;
}

int FaultySerialPort::reset(int, int, int) {
  open_ = fault_ != SerialFault::Vanished;
  return status();
}

int FaultySerialPort::putByte(std::uint8_t byte) {
  return putBytes(std::span<const std::uint8_t>(&byte, 1));
}

int FaultySerialPort::putBytes(std::span<const std::uint8_t> bytes) {
  if (fault_ == SerialFault::Vanished || !open_) return kSerialFailed;
  device_.receive(bytes);
  return static_cast<int>(bytes.size());
}

int FaultySerialPort::getBytes(std::span<std::uint8_t> buffer) {
  if (fault_ == SerialFault::Vanished || !open_) return kSerialFailed;
  std::vector<std::uint8_t> said = device_.transmit(buffer.size());
  if (fault_ == SerialFault::NoTerminator) std::erase(said, std::uint8_t{'#'});
  if (fault_ == SerialFault::Garbage) {
    // Noise at the wrong speed reads as bytes with the top bit set.
    for (auto& byte : said) {
      noise_ = static_cast<std::uint8_t>(noise_ * 37 + 11);
      byte = static_cast<std::uint8_t>(noise_ | 0x80);
    }
  }
  std::copy(said.begin(), said.end(), buffer.begin());
  return static_cast<int>(said.size());
}

int FaultySerialPort::clearReceive() {
  if (fault_ == SerialFault::Vanished || !open_) return kSerialFailed;
  device_.transmit(4096);
  return 0;
}

int FaultySerialPort::done() {
  open_ = false;
  return 0;
}

}  // namespace nvk::sim
