#include "platform/pty_mount.h"

#include <functional>

#include "scope/serial_link.h"
#include "sim/sky_mount.h"

namespace nvk::platform {
namespace {

// The camera's commands, with a hook run before each serial transfer.
class CameraLinkWithHook final : public scope::CameraLink {
 public:
  CameraLinkWithHook(acquire::Program& program, std::function<void()> beforeSerial)
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

// The camera serial port that SerialRoute sends AO commands to; -1 on the PC route.
int aoCameraPort(const acquire::Program& program) {
  const int route = program.settings.serialRoute;
  return scope::usesPcRoute(route) ? -1 : route;
}

}  // namespace

PtyMount::PtyMount(acquire::Program& program) : program_(program) {
  cameraLink_ = std::make_unique<scope::CameraCommandLink>(program);
  program.telescope.cameraLink = cameraLink_.get();
  serial_ = std::make_unique<LibSerialPort>(program.comPorts);
  pcPort_ = serial_.get();
  program.telescope.pcPort = pcPort_;
}

PtyMount::PtyMount(acquire::Program& program, port::Clock& clock, sim::SimulatedDevices* devices,
                   sim::MountOptions options)
    : program_(program),
      mount_(std::make_unique<sim::SimulatedMount>(clock, options)),
      devices_(devices) {
  if (devices_ != nullptr) {
    ao_ = std::make_unique<sim::SimulatedAoUnit>(
        clock, devices_->camera(), kSimulatedAoStepsPerPixel,
        [this](char direction, int ms) { mount_->bump(direction, ms); });
    line_ = std::make_unique<sim::AoMountLine>(*ao_, *mount_, *mount_,
                                               [&program] { return program.settings.aoPulseMode; });
    // The mount sits on the camera serial port that the telescope setting names, and moves
    // to the port that telescope commands go to when the connection step (which reads the
    // settings file, after the mount was attached) picked another; the AO unit follows
    // SerialRoute the same way.
    plugCameraPorts(program.settings.telescopePortIndex, aoCameraPort(program));
    devices_->camera().attachGuideOutputs(line_.get());
    // The simulated sky follows the mount: a slew or a guide pulse moves the next frame.
    sim::followMount(devices_->sky(), *mount_);
    cameraLink_ = std::make_unique<CameraLinkWithHook>(program, [this] {
      const int mountPort = program_.telescope.portIndex;
      const int aoPort = aoCameraPort(program_);
      if (mountPort != cameraPort_ || aoPort != aoCameraPort_) plugCameraPorts(mountPort, aoPort);
    });
  } else {
    cameraLink_ = std::make_unique<sim::MountCameraLink>(
        *mount_, [&program] { return static_cast<int>(program.settings.telescopePortIndex); });
  }
  program.telescope.cameraLink = cameraLink_.get();
  pty_ = PtyPair::open();
  if (!pty_) return;
  // Behind the PC port: the line the AO unit shares with the mount, or the mount alone.
  sim::SerialPortDevice& device = line_ ? static_cast<sim::SerialPortDevice&>(*line_)
                                        : static_cast<sim::SerialPortDevice&>(*mount_);
  server_ = std::make_unique<PtyDeviceServer>(
      *pty_, [&device](std::span<const std::uint8_t> bytes) { device.receive(bytes); },
      [&device](std::size_t n) { return device.transmit(n); });
  // Every COM number leads to the mount: the settings file and the COM port map stay as the
  // user keeps them for the real mount.
  const std::string path = pty_->slavePath();
  serial_ = std::make_unique<LibSerialPort>([path](int) { return path; });
  PtyDeviceServer& server = *server_;
  serviced_ = std::make_unique<ServicedSerialPort>(*serial_, [&server] { server.service(); });
  pcPort_ = serviced_.get();
  program.telescope.pcPort = pcPort_;
}

void PtyMount::plugCameraPorts(int mountPort, int aoPort) {
  auto& camera = devices_->camera();
  camera.attachSerialPort(cameraPort_, nullptr);
  if (aoCameraPort_ >= 0) camera.attachSerialPort(aoCameraPort_, nullptr);
  cameraPort_ = mountPort;
  aoCameraPort_ = aoPort;
  if (aoPort == mountPort) {
    camera.attachSerialPort(mountPort, line_.get());
    return;
  }
  camera.attachSerialPort(mountPort, mount_.get());
  if (aoPort >= 0) camera.attachSerialPort(aoPort, ao_.get());
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
    if (aoCameraPort_ >= 0) devices_->camera().attachSerialPort(aoCameraPort_, nullptr);
    devices_->camera().attachGuideOutputs(nullptr);
    devices_->camera().setGuideShift(0.0, 0.0);
    sim::detachMount(devices_->sky());
  }
}

}  // namespace nvk::platform
