#include "platform/pty_mount.h"

#include "sim/sky_mount.h"

namespace nvk::platform {

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
    // On the camera serial port the telescope setting names as the mount is attached.
    cameraPort_ = program.settings.telescopePortIndex;
    devices_->camera().attachSerialPort(cameraPort_, mount_.get());
    devices_->camera().attachGuideOutputs(mount_.get());
    // The simulated sky follows the mount: a slew or a guide pulse moves the next frame.
    sim::followMount(devices_->sky(), *mount_);
    cameraLink_ = std::make_unique<scope::CameraCommandLink>(program);
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
