#include "sim/simulated_devices.h"

#include "camera/discovery.h"
#include "camera/usb_ids.h"

namespace nvk::sim {
namespace {

// libusb's code for a device that is no longer there.
constexpr int kNoDeviceCode = -4;

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
    return head_.write(block);
  }
  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    // The camera may go while it exposes (inside the write of a camera-timed readout): the
    // read that follows finds it gone.
    const auto result =
        vanished() ? port::TransferResult{false, 0, kNoDeviceCode} : head_.read(buffer);
    log_.add({TransferRecord::Device::Camera,
              TransferRecord::Direction::Read,
              clock_.nowMs(),
              {},
              buffer.size(),
              result.bytes});
    return result;
  }
  int handleNumber() const override { return number_; }

 private:
  bool vanished() const { return !devices_.cameraPlugged() || devices_.plugCount() != plugCount_; }

  SimulatedDevices& devices_;
  SimulatedCameraHead& head_;
  TransportLog& log_;
  port::Clock& clock_;
  int number_;
  int plugCount_;
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
      wheel_(options.filterPositions) {}

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
