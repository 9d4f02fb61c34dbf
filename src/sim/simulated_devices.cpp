#include "sim/simulated_devices.h"

#include "base/transfer_worker.h"
#include "camera/discovery.h"
#include "camera/usb_ids.h"

namespace nvk::sim {
namespace {

// libusb's code for a device that is no longer there.
constexpr int kNoDeviceCode = -4;

// A readout command of the main sensor (commands 2 and 3 for head index 0): its frame is
// rendered when the channel reads it.
bool isMainReadout(std::span<const std::uint8_t> block) {
  return block.size() >= 8 && block[0] == 0x40 && (block[1] == 2 || block[1] == 3) &&
         block[4] == 0 && block[5] == 0;
}

// The exposure the camera times itself in a readout command (command 2), in milliseconds.
std::uint32_t cameraTimedMs(std::span<const std::uint8_t> block) {
  if (block.size() < 22 || block[1] != 2) return 0;
  return static_cast<std::uint32_t>(block[18] | (block[19] << 8) | (block[20] << 16) |
                                    (block[21] << 24));
}

class CameraChannel final : public port::CameraTransport {
 public:
  CameraChannel(SimulatedDevices& devices, int number)
      : devices_(devices),
        head_(devices.camera()),
        log_(devices.log()),
        clock_(devices.clock()),
        number_(number),
        plugCount_(devices.plugCount()) {}

  port::TransferResult write(std::span<const std::uint8_t> block) override {
    log_.add({TransferRecord::Device::Camera, TransferRecord::Direction::Write, clock_.nowMs(),
              std::vector<std::uint8_t>(block.begin(), block.end())});
    if (vanished()) return {false, 0, kNoDeviceCode};
    pendingReadout_.clear();
    // A command and its reply go the same way.
    downloadTime_ = devices_.downloadTime();
    if (downloadTime_ && isMainReadout(block)) {
      // The frame is made on the worker when it is read, as the camera exposes and sends it
      // while the host waits for the reply.
      pendingReadout_.assign(block.begin(), block.end());
      return {true, block.size(), 0};
    }
    return head_.write(block);
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    if (downloadTime_) {
      startRead(buffer);
      return finishRead();
    }
    // The camera may go while it exposes (inside the write of a camera-timed readout): the
    // read that follows finds it gone.
    const auto result =
        vanished() ? port::TransferResult{false, 0, kNoDeviceCode} : head_.read(buffer);
    logRead(buffer.size(), result.bytes);
    return result;
  }
  int handleNumber() const override { return number_; }

  // With the download time, the reply is made on the worker with the head's time held at the
  // start of the read, and it is there once the clock has passed the camera's exposure and the
  // transfer of its bytes: so a virtual clock runs the same way however fast the worker is.
  void startRead(std::span<std::uint8_t> buffer) override {
    if (!downloadTime_) {
      port::CameraTransport::startRead(buffer);
      return;
    }
    asked_ = buffer.size();
    const std::uint32_t start = clock_.nowMs();
    readyMs_ = start + cameraTimedMs(pendingReadout_) + downloadMs(buffer.size());
    working_ = !vanished();
    if (!working_) return;
    worker_.start([this, start, buffer, block = std::move(pendingReadout_)] {
      return head_.exchangeAt(start, block, buffer).result;
    });
    pendingReadout_.clear();
  }
  bool readDone() override {
    return !downloadTime_ || !working_ || port::msReached(clock_.nowMs(), readyMs_);
  }
  port::TransferResult finishRead() override {
    if (!downloadTime_) return port::CameraTransport::finishRead();
    port::TransferResult result{false, 0, kNoDeviceCode};
    if (working_) {
      clock_.waitUntilMs(readyMs_);
      result = worker_.wait();
      working_ = false;
      // Unplugged while the frame was on its way.
      if (vanished()) result = {false, 0, kNoDeviceCode};
    }
    logRead(asked_, result.bytes);
    return result;
  }
  void cancelRead() override {
    if (!downloadTime_ || !working_) return;
    worker_.wait();
    working_ = false;
    logRead(asked_, 0);
  }

 private:
  bool vanished() const { return !devices_.cameraPlugged() || devices_.plugCount() != plugCount_; }
  void logRead(std::size_t asked, std::size_t moved) {
    log_.add({TransferRecord::Device::Camera,
              TransferRecord::Direction::Read,
              clock_.nowMs(),
              {},
              asked,
              moved});
  }

  SimulatedDevices& devices_;
  SimulatedCameraHead& head_;
  TransportLog& log_;
  port::Clock& clock_;
  int number_;
  int plugCount_;
  bool downloadTime_ = false;
  std::vector<std::uint8_t> pendingReadout_;
  std::size_t asked_ = 0;
  std::uint32_t readyMs_ = 0;
  bool working_ = false;
  // Last member: it waits for a read still running before the rest goes.
  base::TransferWorker worker_;
};

class WheelChannel final : public port::FilterWheelTransport {
 public:
  WheelChannel(SimulatedFilterWheel& wheel, TransportLog& log, port::Clock& clock)
      : wheel_(wheel), log_(log), clock_(clock) {}

  port::TransferResult write(std::span<const std::uint8_t> report) override {
    log_.add({TransferRecord::Device::FilterWheel, TransferRecord::Direction::Write, clock_.nowMs(),
              std::vector<std::uint8_t>(report.begin(), report.end())});
    return wheel_.write(report);
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    const auto result = wheel_.read(buffer);
    log_.add({TransferRecord::Device::FilterWheel,
              TransferRecord::Direction::Read,
              clock_.nowMs(),
              {},
              buffer.size(),
              result.bytes});
    return result;
  }

 private:
  SimulatedFilterWheel& wheel_;
  TransportLog& log_;
  port::Clock& clock_;
};

std::u16string wide(const char* text) {
  std::u16string s;
  while (*text)
    s.push_back(static_cast<char16_t>(*text++));
  return s;
}

std::vector<std::vector<std::uint8_t>> writesOf(const std::vector<TransferRecord>& records,
                                                TransferRecord::Device device) {
  std::vector<std::vector<std::uint8_t>> writes;
  for (const auto& r : records) {
    if (r.device == device && r.direction == TransferRecord::Direction::Write) {
      writes.push_back(r.bytes);
    }
  }
  return writes;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> TransportLog::cameraWrites() const {
  return writesOf(records_, TransferRecord::Device::Camera);
}

std::vector<std::vector<std::uint8_t>> TransportLog::wheelWrites() const {
  return writesOf(records_, TransferRecord::Device::FilterWheel);
}

std::string SimulatedDevices::cameraPath() {
  return "sim:vid_" + camera::idText(camera::kCameraVendorId) + "&pid_" +
         camera::idText(camera::kCameraProductId) + "#camera";
}

std::string SimulatedDevices::wheelPath() {
  return "sim:vid_" + camera::idText(camera::kFilterWheelVendorId) + "&pid_" +
         camera::idText(camera::kFilterWheelProductId) + "#wheel";
}

SimulatedDevices::SimulatedDevices(port::Clock& clock, SimulationOptions options)
    : clock_(clock),
      options_(options),
      sky_(options.sky),
      camera_(sky_, clock, options.camera),
      wheel_(options.filterPositions),
      downloadTime_(options.downloadTime) {}

SimulatedDevices::~SimulatedDevices() = default;

std::optional<std::vector<port::PresentInterface>> SimulatedDevices::presentInterfaces(
    port::InterfaceClass cls) {
  std::vector<port::PresentInterface> list;
  if (cls == port::InterfaceClass::CameraDriver && options_.cameraPresent && cameraPlugged_) {
    list.push_back({cameraPath(), camera::kCameraVendorId, camera::kCameraProductId,
                    wide("NVK (simulated)"), wide("K7LQ camera head (simulated)")});
  }
  if (cls == port::InterfaceClass::Hid && options_.filterWheelPresent) {
    list.push_back({wheelPath(), camera::kFilterWheelVendorId, camera::kFilterWheelProductId,
                    wide("NVK (simulated)"), wide("K7LQ filter wheel (simulated)")});
  }
  return list;
}

std::unique_ptr<port::CameraTransport> SimulatedDevices::openCamera(const std::string& path) {
  if (!options_.cameraPresent || !cameraPlugged_ || path != cameraPath()) return nullptr;
  return std::make_unique<CameraChannel>(*this, ++openCount_);
}

void SimulatedDevices::setCameraPlugged(bool plugged) {
  if (plugged && !cameraPlugged_.load()) ++plugCount_;
  cameraPlugged_.store(plugged);
}

std::unique_ptr<port::FilterWheelTransport> SimulatedDevices::openFilterWheel(
    const std::string& path) {
  if (!options_.filterWheelPresent || path != wheelPath()) return nullptr;
  return std::make_unique<WheelChannel>(wheel_, log_, clock_);
}

}  // namespace nvk::sim
