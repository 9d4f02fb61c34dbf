#include "camera/discovery.h"

#include <gtest/gtest.h>

#include <map>

#include "app/program.h"
#include "camera/composite_enumerator.h"
#include "camera/recording_transport.h"
#include "camera/usb_ids.h"
#include "support/program_fixture.h"

namespace nvk::camera {
namespace {

using port::InterfaceClass;
using port::PresentInterface;
using test::bytes;

// A table of fake devices: what each interface class lists, which paths open, and the channels
// the opens hand out.
class FakeEnumerator final : public port::DeviceEnumerator {
 public:
  std::optional<std::vector<PresentInterface>> presentInterfaces(InterfaceClass cls) override {
    if (!listable) return std::nullopt;
    return cls == InterfaceClass::CameraDriver ? cameraInterfaces : hidInterfaces;
  }
  std::unique_ptr<port::CameraTransport> openCamera(const std::string& path) override {
    opened.push_back(path);
    const auto it = cameraHandles.find(path);
    if (it == cameraHandles.end()) return nullptr;
    return std::make_unique<test::RecordingCameraTransport>(it->second);
  }
  std::unique_ptr<port::FilterWheelTransport> openFilterWheel(const std::string& path) override {
    opened.push_back(path);
    if (!wheelOpens) return nullptr;
    auto wheel = std::make_unique<test::RecordingWheelTransport>();
    wheel->reply = wheelReply;
    wheel->failWrites = wheelWriteFails;
    wheel->failReads = wheelReadFails;
    lastWheel = wheel.get();
    return wheel;
  }
  port::OsVersion osVersion() override { return os; }

  bool listable = true;
  std::vector<PresentInterface> cameraInterfaces;
  std::vector<PresentInterface> hidInterfaces;
  std::map<std::string, int> cameraHandles;  // path -> handle number of the opened channel
  bool wheelOpens = true;
  std::vector<std::uint8_t> wheelReply = bytes({0x00, 0x01, 0x07});
  bool wheelWriteFails = false;
  bool wheelReadFails = false;
  test::RecordingWheelTransport* lastWheel = nullptr;
  port::OsVersion os{6, 1};
  std::vector<std::string> opened;
};

PresentInterface device(std::string path, std::uint16_t vid, std::uint16_t pid,
                        std::optional<std::u16string> manufacturer = u"NVK",
                        std::optional<std::u16string> product = u"K7LQ") {
  return {std::move(path), vid, pid, std::move(manufacturer), std::move(product)};
}

const std::string kCamera = "usb:vid_1209&pid_7517#bus_001&address_004";
const std::string kOtherCamera = "usb:vid_1209&pid_7599#bus_001&address_005";
const std::string kSecondCamera = "usb:vid_1209&pid_7517#bus_002&address_009";
const std::string kWheel = "hid:vid_1209&pid_7518#/dev/hidraw3";

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { f.program.devices.enumerator = &fake; }
  CameraDevices& devices() { return f.program.devices; }
  std::vector<std::string> messages() { return f.ui.messageTexts(); }

  test::ProgramFixture f;
  FakeEnumerator fake;
};

// No camera to be had: nothing listed, a device set that cannot be listed, no enumerator at all.
TEST_F(DiscoveryTest, NoCameraReportsWhyAndLeavesNoChannel) {
  const struct {
    bool listable;
    bool enumerator;
    const char* message;
  } cases[] = {{true, true, "USB NVKIO device not found"},
               {false, true, "Could not attach to PnP node"},
               {true, false, "Could not attach to PnP node"}};
  for (const auto& c : cases) {
    f.ui.clearRecord();
    fake.listable = c.listable;
    devices().enumerator = c.enumerator ? &fake : nullptr;
    EXPECT_EQ(OpenCamera(f.program), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{c.message});
    EXPECT_FALSE(devices().cameraConnected);
    EXPECT_EQ(devices().camera, nullptr);
    EXPECT_EQ(OpenFilterWheel(f.program), 0);
  }
}

TEST_F(DiscoveryTest, AnotherProductIdIsIgnoredUnlessVidPidAreIgnored) {
  fake.cameraInterfaces = {device(kOtherCamera, 0x1209, 0x7599)};
  fake.cameraHandles[kOtherCamera] = 17;

  EXPECT_EQ(OpenCamera(f.program), 1);  // an interface was there, but no camera
  EXPECT_EQ(messages(), std::vector<std::string>{"USB NVKIO device not found"});
  EXPECT_FALSE(devices().cameraConnected);
  EXPECT_TRUE(fake.opened.empty());
  // The table still describes the interface it examined.
  EXPECT_EQ(devices().deviceTable[0].productId, 0x7599);

  f.ui.clearRecord();
  f.program.settings.ignoreCameraVidPid = true;
  EXPECT_EQ(OpenCamera(f.program), 1);
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(devices().cameraConnected);
  ASSERT_NE(devices().camera, nullptr);
  EXPECT_EQ(devices().camera->handleNumber(), 17);
  EXPECT_EQ(devices().productIdText, "7599");
  EXPECT_EQ(devices().vendorIdText, "1209");
}

TEST_F(DiscoveryTest, OfTwoMatchingCamerasTheHigherIndexIsUsed) {
  fake.cameraInterfaces = {device(kCamera, 0x1209, 0x7517), device(kWheel, 0x1209, 0x7518),
                           device(kSecondCamera, 0x1209, 0x7517)};
  fake.cameraHandles[kCamera] = 1;
  fake.cameraHandles[kSecondCamera] = 2;
  EXPECT_EQ(OpenCamera(f.program), 1);
  EXPECT_EQ(fake.opened, (std::vector<std::string>{kCamera, kSecondCamera}));
  ASSERT_NE(devices().camera, nullptr);
  EXPECT_EQ(devices().camera->handleNumber(), 2);
  EXPECT_TRUE(devices().cameraConnected);
}

TEST_F(DiscoveryTest, DeviceTableEntriesAndUnreadableStrings) {
  fake.cameraInterfaces = {
      device(kCamera, 0x1209, 0x7517, u"NVK Ltd", u"K7LQ USB"),
      device(kOtherCamera, 0x1209, 0x7599, std::nullopt, u"Other"),
      // Characters beyond 8 bits keep their low byte only.
      device("usb:vid_0001&pid_0002#x", 1, 2, u"Caf\u00e9 \u0141td", std::nullopt)};
  fake.cameraHandles[kCamera] = 1;
  // Stale entries from an earlier run beyond the present interfaces get their vendor cleared.
  devices().deviceTable[5].vendorId = 0x9999;
  OpenCamera(f.program);
  const DeviceTable& t = devices().deviceTable;
  EXPECT_EQ(t[0].vendorId, 0x1209);
  EXPECT_EQ(t[0].productId, 0x7517);
  EXPECT_EQ(t[0].manufacturer, "NVK Ltd");
  EXPECT_EQ(t[0].product, "K7LQ USB");
  EXPECT_EQ(t[1].manufacturer, "- not present -");
  EXPECT_EQ(t[1].product, "Other");
  EXPECT_EQ(t[2].manufacturer, std::string("Caf\xE9 A") + "td");
  EXPECT_EQ(t[2].product, "");
  EXPECT_EQ(t[5].vendorId, 0);
  // The texts are those of the last path examined.
  EXPECT_EQ(devices().vendorIdText, "0001");
  EXPECT_EQ(devices().productIdText, "0002");
}

// An interface without a name, a camera or a wheel that will not open: an "Error" box each.
TEST_F(DiscoveryTest, FailuresOfNamingAndOpening) {
  const struct {
    bool named;
    bool wheel;
    const char* text;
  } cases[] = {{false, false, "Could not find the system name for this HID device"},
               {true, false, "Could not open HID device"},
               {true, true, "Could not open HID Filterwheel device"}};
  fake.wheelOpens = false;
  for (const auto& c : cases) {
    f.ui.clearRecord();
    auto& interfaces = c.wheel ? fake.hidInterfaces : fake.cameraInterfaces;
    interfaces = {c.wheel ? device(kWheel, 0x1209, 0x7518) : device(kCamera, 0x1209, 0x7517)};
    if (!c.named) interfaces[0].devicePath.reset();
    EXPECT_EQ(c.wheel ? OpenFilterWheel(f.program) : OpenCamera(f.program), 0);
    ASSERT_EQ(f.ui.messages().size(), 1u);
    EXPECT_EQ(f.ui.messages()[0].title, "Error");
    EXPECT_EQ(f.ui.messages()[0].text, c.text);
  }
}

TEST_F(DiscoveryTest, InterfaceDetailsAndTheLegacyOsFlag) {
  fake.cameraInterfaces = {device(kCamera, 0x1209, 0x7517)};
  fake.cameraHandles[kCamera] = 42;
  f.program.settings.showInterfaceDetails = true;
  struct Case {
    port::OsVersion os;
    bool legacy;
  };
  for (const Case c : {Case{{4, 10}, true}, Case{{4, 0}, false}, Case{{6, 1}, false}}) {
    f.ui.clearRecord();
    fake.os = c.os;
    OpenCamera(f.program);
    EXPECT_EQ(devices().legacyOs, c.legacy);
  }
  EXPECT_EQ(messages(), std::vector<std::string>{
                            "Camera Found, \nNVKIO =     42\nO/S =    6.   1\nPID = 7517"});
}

struct WheelCase {
  int reported;
  int before;
  int after;
};

// The wheel's state reply lowers the filter count, never raises it, and a wheel that reports no
// positions leaves it alone.
TEST_F(DiscoveryTest, WheelPositionsLowerTheFilterCount) {
  fake.hidInterfaces = {device("hid:vid_046d&pid_c077#/dev/hidraw0", 0x046d, 0xc077),
                        device(kWheel, 0x1209, 0x7518)};
  for (const WheelCase c : {WheelCase{5, 7, 5}, WheelCase{9, 7, 7}, WheelCase{7, 7, 7},
                            WheelCase{0, 7, 7}, WheelCase{1, 8, 1}}) {
    SCOPED_TRACE(testing::Message() << c.reported << " positions");
    f.program.settings.filterCount = static_cast<std::int16_t>(c.before);
    fake.wheelReply = bytes({0x00, 0x01, c.reported});
    fake.opened.clear();
    EXPECT_EQ(OpenFilterWheel(f.program), 1);
    EXPECT_EQ(fake.opened, std::vector<std::string>{kWheel});
    EXPECT_TRUE(devices().usbFilterWheelPresent);
    EXPECT_EQ(f.program.settings.filterCount, c.after);
    ASSERT_NE(fake.lastWheel, nullptr);
    EXPECT_EQ(fake.lastWheel->writes, std::vector<std::vector<std::uint8_t>>{bytes({0, 0, 0})});
    EXPECT_EQ(fake.lastWheel->readSizes, std::vector<std::size_t>{3});
  }
  EXPECT_TRUE(messages().empty());
}

TEST_F(DiscoveryTest, WheelTransferFailures) {
  fake.hidInterfaces = {device(kWheel, 0x1209, 0x7518)};
  fake.wheelWriteFails = true;
  fake.wheelReadFails = true;
  OpenFilterWheel(f.program);
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "Could not write to USB Filterwheel - try rebooting USB device",
                            "Error 5 trying to read data from USB Filterwheel\n"}));
}

// Transfers on the open channels.
class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto channel = std::make_unique<test::RecordingCameraTransport>();
    transport = channel.get();
    f.program.devices.camera = std::move(channel);
  }
  test::ProgramFixture f;
  test::RecordingCameraTransport* transport = nullptr;
};

TEST_F(TransferTest, AWriteSendsTransferLengthBytesOfTheCommandBuffer) {
  f.program.devices.commandBuffer[0] = 0x40;
  f.program.devices.commandBuffer[9] = 0x77;
  f.program.devices.transferLength = 10;
  EXPECT_TRUE(WriteCamera(f.program));
  ASSERT_EQ(transport->writes.size(), 1u);
  EXPECT_EQ(transport->writes[0].size(), 10u);
  EXPECT_EQ(transport->writes[0][9], 0x77);
  EXPECT_EQ(f.program.devices.bytesWritten, 10u);

  transport->failWrites = true;
  EXPECT_FALSE(WriteCamera(f.program));
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Could not write NVKIO Output - try rebooting USB device"});
}

// Regression: a read that returned fewer bytes than asked went unreported, and the frame was
// decoded from new bytes followed by stale ones. It is now reported like a failed read, with
// the short count in place of the system code.
TEST_F(TransferTest, AShortReadIsReportedWithTheCountThatArrived) {
  auto buffer = f.program.planes.cameraBuffer;
  std::fill_n(buffer.begin(), 200, std::uint8_t{0x33});
  transport->replies.push_back({std::vector<std::uint8_t>(100, 0x11)});
  f.program.devices.transferLength = 200;
  EXPECT_FALSE(ReadCamera(f.program));
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Error 100 trying to read NVKIO data from USB\n"});
  EXPECT_EQ(f.program.devices.bytesRead, 100u);
  // The caller goes on with the buffer as it stands.
  EXPECT_EQ(buffer[99], 0x11);
  EXPECT_EQ(buffer[100], 0x33);
}

TEST(CompositeEnumerator, ListsAllSourcesAndOpensThroughTheOneThatListed) {
  FakeEnumerator first;
  FakeEnumerator second;
  first.cameraInterfaces = {device(kCamera, 0x1209, 0x7517)};
  first.cameraHandles[kCamera] = 1;
  second.cameraInterfaces = {device(kSecondCamera, 0x1209, 0x7517)};
  second.cameraHandles[kSecondCamera] = 2;
  second.os = {9, 9};
  CompositeEnumerator all;
  all.add(first);
  all.add(second);
  const auto list = all.presentInterfaces(InterfaceClass::CameraDriver);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ(*(*list)[1].devicePath, kSecondCamera);
  EXPECT_EQ(all.openCamera(kSecondCamera)->handleNumber(), 2);
  EXPECT_EQ(second.opened, std::vector<std::string>{kSecondCamera});
  EXPECT_TRUE(first.opened.empty());
  EXPECT_EQ(all.osVersion().major, 6);
  // One source that cannot list does not hide the other.
  first.listable = false;
  EXPECT_EQ(all.presentInterfaces(InterfaceClass::CameraDriver)->size(), 1u);
  second.listable = false;
  EXPECT_FALSE(all.presentInterfaces(InterfaceClass::CameraDriver));
}

}  // namespace
}  // namespace nvk::camera
