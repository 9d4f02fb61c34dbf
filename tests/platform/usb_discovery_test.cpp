// The libusb and hidapi realisations, exercised on this machine with no camera attached.
#include <gtest/gtest.h>

#include <algorithm>

#include "camera/discovery.h"
#include "camera/usb_ids.h"
#include "platform/hid_filter_wheel.h"
#include "platform/usb_camera_transport.h"
#include "platform/usb_device_enumerator.h"
#include "support/program_fixture.h"

namespace nvk::platform {
namespace {

bool cameraAttached(UsbDeviceEnumerator& usb) {
  const auto list = usb.presentInterfaces(port::InterfaceClass::CameraDriver);
  return list && std::any_of(list->begin(), list->end(), [](const port::PresentInterface& i) {
           return i.productId == camera::kCameraProductId;
         });
}

TEST(UsbDiscovery, WithNoCameraAttachedDiscoveryReportsItAndConnectsNothing) {
  UsbDeviceEnumerator usb;
  if (cameraAttached(usb)) GTEST_SKIP() << "a camera is attached to this machine";
  test::ProgramFixture f;
  f.program.devices.enumerator = &usb;
  const int result = camera::OpenCamera(f.program);
  EXPECT_FALSE(f.program.devices.cameraConnected);
  EXPECT_EQ(f.program.devices.camera, nullptr);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  // Without USB at all (a container) the device list itself is missing.
  const std::string& text = f.ui.messages()[0].text;
  EXPECT_TRUE(text == "USB NVKIO device not found" || text == "Could not attach to PnP node")
      << text;
  if (text == "Could not attach to PnP node") {
    EXPECT_EQ(result, 0);
  }

  f.ui.clearRecord();
  camera::OpenFilterWheel(f.program);
  EXPECT_FALSE(f.program.devices.usbFilterWheelPresent);
}

TEST(UsbDiscovery, ListedPathsCarryTheirIds) {
  UsbDeviceEnumerator usb;
  const auto hid = usb.presentInterfaces(port::InterfaceClass::Hid);
  if (!hid) GTEST_SKIP() << "hidapi cannot start here";
  for (const auto& i : *hid) {
    ASSERT_TRUE(i.devicePath);
    EXPECT_EQ(camera::idTextAfter(*i.devicePath, "vid"), camera::idText(i.vendorId));
    EXPECT_EQ(camera::idTextAfter(*i.devicePath, "pid"), camera::idText(i.productId));
  }
}

TEST(UsbDiscovery, PathsThatNameNothingDoNotOpen) {
  UsbDeviceEnumerator usb;
  EXPECT_EQ(usb.openCamera("usb:vid_1209&pid_7517#bus_999&address_999"), nullptr);
  EXPECT_EQ(usb.openCamera("not a usb path"), nullptr);
  EXPECT_EQ(usb.openFilterWheel("hid:vid_1209&pid_7518#/nonexistent/hidraw99"), nullptr);
  EXPECT_EQ(usb.openFilterWheel("/dev/hidraw0"), nullptr);
}

TEST(UsbDiscovery, TimeOutsGrowWithTheTransfer) {
  EXPECT_EQ(usbWriteTimeoutMs(22), 1000u);
  // A whole frame is allowed more than the exposure the camera may time itself.
  EXPECT_GT(usbReadTimeoutMs(12'225'024), usbReadTimeoutMs(3) + 10'000u);
  EXPECT_GE(usbReadTimeoutMs(3), 2000u);
}

}  // namespace
}  // namespace nvk::platform
