#include "platform/pty_mount.h"

#include <functional>

#include "sim/sky_mount.h"

namespace nvk::platform {
namespace {

// The camera's commands, with a hook run before each serial transfer.
class CameraLinkWithHook final : public scope::CameraLink {
 public:
  CameraLinkWithHook(core::Program& program, std::function<void()> beforeSerial)
      : link_(program), beforeSerial_(std::move(beforeSerial)) {}

  void sendSerial(int portIndex, std::span<const std::uint8_t> bytes) override {
    beforeSerial_();
    link_.sendSerial(portIndex, bytes);
  }
  std::vector<std::uint8_t> readSerial(int portIndex, int count) override {
    beforeSerial_();
    return link_.readSerial(portIndex, count);
  }
  void setGuideOutputs(std::uint8_t bits) override { link_.setGuideOutputs(bits); }
  bool connectCamera() override { return link_.connectCamera(); }

 private:
  scope::CameraCommandLink link_;
  std::function<void()> beforeSerial_;
};

}  // namespace

PtyMount::PtyMount(core::Program& program) : program_(program) {
  cameraLink_ = std::make_unique<scope::CameraCommandLink>(program);
  program.telescope.cameraLink = cameraLink_.get();
  serial_ = std::make_unique<LibSerialPort>(program.comPorts);
  pcPort_ = serial_.get();
  program.telescope.pcPort = pcPort_;
}

PtyMount::PtyMount(core::Program& program, port::Clock& clock, sim::SimulatedDevices* devices,
                   sim::MountOptions options)
    : program_(program),
      mount_(std::make_unique<sim::SimulatedMount>(clock, options)),
      devices_(devices) {
  if (devices_ != nullptr) {
    // The mount sits on the camera serial port that the telescope setting names, and moves
    // to the port that telescope commands go to when the connection step (which reads the
    // settings file, after the mount was attached) picked another.
    cameraPort_ = program.settings.telescopePortIndex;
    devices_->camera().attachSerialPort(cameraPort_, mount_.get());
    devices_->camera().attachGuideOutputs(mount_.get());
    // The simulated sky follows the mount: a slew or a guide pulse moves the next frame.
    sim::followMount(devices_->sky(), *mount_);
    cameraLink_ = std::make_unique<CameraLinkWithHook>(program, [this] {
      const int wanted = program_.telescope.portIndex;
      if (wanted == cameraPort_) return;
      devices_->camera().attachSerialPort(cameraPort_, nullptr);
      cameraPort_ = wanted;
      devices_->camera().attachSerialPort(cameraPort_, mount_.get());
    });
  } else {
    cameraLink_ = std::make_unique<sim::MountCameraLink>(
        *mount_, [&program] { return static_cast<int>(program.settings.telescopePortIndex); });
  }
  program.telescope.cameraLink = cameraLink_.get();
  pty_ = PtyPair::open();
  if (!pty_) return;
  sim::SimulatedMount& mount = *mount_;
  server_ = std::make_unique<PtyDeviceServer>(
      *pty_, [&mount](std::span<const std::uint8_t> bytes) { mount.receive(bytes); },
      [&mount](std::size_t n) { return mount.transmit(n); });
  // Every COM number leads to the mount: the settings file and the COM port map stay as the
  // user keeps them for the real mount.
  const std::string path = pty_->slavePath();
  serial_ = std::make_unique<LibSerialPort>([path](int) { return path; });
  PtyDeviceServer& server = *server_;
  serviced_ = std::make_unique<ServicedSerialPort>(*serial_, [&server] { server.service(); });
  pcPort_ = serviced_.get();
  program.telescope.pcPort = pcPort_;
}

PtyMount::~PtyMount() {
  auto& telescope = program_.telescope;
  if (telescope.pcPort == pcPort_) {
    telescope.pcPort = nullptr;
    telescope.pcPortOpen = false;
  }
  if (cameraLink_ && telescope.cameraLink == cameraLink_.get()) telescope.cameraLink = nullptr;
  if (devices_ != nullptr) {
    devices_->camera().attachSerialPort(cameraPort_, nullptr);
    devices_->camera().attachGuideOutputs(nullptr);
    sim::detachMount(devices_->sky());
  }
}

}  // namespace nvk::platform
