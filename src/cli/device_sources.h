#pragma once

#include <memory>

#include "camera/composite_enumerator.h"
#include "platform/usb_device_enumerator.h"
#include "port/clock.h"
#include "sim/simulated_devices.h"

namespace nvk::cli {

// Where the tool's discovery looks: real USB, and with --simulate the simulated camera head,
// guide head and filter wheel as well (listed after the real devices).
struct DeviceSources {
  DeviceSources(bool simulate, port::Clock& clock) {
    all.add(usb);
    if (simulate) {
      simulator = std::make_unique<sim::SimulatedDevices>(clock);
      all.add(*simulator);
    }
  }

  platform::UsbDeviceEnumerator usb;
  std::unique_ptr<sim::SimulatedDevices> simulator;
  camera::CompositeEnumerator all;
};

}  // namespace nvk::cli
