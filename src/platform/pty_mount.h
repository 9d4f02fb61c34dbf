#pragma once

#include <memory>

#include "acquire/program.h"
#include "platform/pty_pair.h"
#include "platform/serial_libserialport.h"
#include "scope/camera_command_link.h"
#include "sim/ao_unit.h"
#include "sim/mount.h"
#include "sim/mount_camera_link.h"
#include "sim/simulated_devices.h"

namespace nvk::platform {

// The mount of a run, attached to the program's telescope routes for as long as it lives.
// Real: the PC COM port that the COM port map names, through libserialport, and the camera's
// commands. Simulated: the simulated mount on the given clock, behind a pseudo-terminal that
// every PC COM port leads to for the run (through the same libserialport realisation), and
// plugged into the simulated camera head's telescope serial port and guide outputs (reached
// through the camera's commands), with the simulated sky following its pointing and focuser
// (sim::followMount); without a simulated camera head, the camera route hands the bytes
// straight to the mount.
// With a simulated camera head the simulated AO unit comes with the mount, on every route the
// program can reach a real one by: the camera serial port that SerialRoute names ("Ser 1",
// "Ser 2"), the pseudo-terminal of the PC route (a line it shares with the mount, as do a
// camera port that both are set to and the guide outputs; sim::AoMountLine), and in AO pulse
// mode the guide outputs or the PC port's socket bytes.
class PtyMount {
 public:
  explicit PtyMount(acquire::Program& program);
  PtyMount(acquire::Program& program, port::Clock& clock, sim::SimulatedDevices* devices,
           sim::MountOptions options = {});
  ~PtyMount();
  PtyMount(const PtyMount&) = delete;
  PtyMount& operator=(const PtyMount&) = delete;

  // The simulated mount; nullptr for the real one.
  sim::SimulatedMount* mount() { return mount_.get(); }
  // The simulated AO unit; nullptr for the real mount or without a simulated camera head.
  sim::SimulatedAoUnit* ao() { return ao_.get(); }
  // AO steps per guide pixel of the simulated AO unit.
  static constexpr double kSimulatedAoStepsPerPixel = 5.0;
  // False when no pseudo-terminal could be had (the PC route then has no port).
  bool pcPortReady() const { return pcPort_ != nullptr; }

 private:
  // Plugs the mount and the AO unit into the camera serial ports they are set to now.
  void plugCameraPorts(int mountPort, int aoPort);

  acquire::Program& program_;
  std::unique_ptr<sim::SimulatedMount> mount_;
  std::unique_ptr<scope::CameraLink> cameraLink_;
  sim::SimulatedDevices* devices_ = nullptr;
  std::unique_ptr<sim::SimulatedAoUnit> ao_;
  std::unique_ptr<sim::AoMountLine> line_;
  int cameraPort_ = 0;
  int aoCameraPort_ = -1;  // -1: the AO unit is on no camera serial port
  std::unique_ptr<PtyPair> pty_;
  std::unique_ptr<PtyDeviceServer> server_;
  std::unique_ptr<LibSerialPort> serial_;
  std::unique_ptr<ServicedSerialPort> serviced_;
  port::SerialPort* pcPort_ = nullptr;
};

}  // namespace nvk::platform
