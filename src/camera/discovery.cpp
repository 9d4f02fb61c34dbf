#include "camera/discovery.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <type_traits>

#include "base/messages.h"
#include "camera/program.h"
#include "camera/usb_ids.h"

namespace nvk::camera {
namespace {

// The wheel answers its state request after a short pause.
constexpr std::uint32_t kWheelStatePauseMs = 10;
// The code of a transfer to a device that is no longer there (unplugged).
constexpr int kNoDeviceCode = -4;
// How often a read still arriving is looked at between dispatches of events.
constexpr std::uint32_t kReadPollMs = 5;

bool sameIdText(const std::string& text, std::uint16_t id) {
  const std::string wanted = idText(id);
  return text.size() == wanted.size() &&
         std::equal(text.begin(), text.end(), wanted.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// Takes the vid/pid texts of `path` into the device state; a path without them leaves the
// previous texts.
void noteIdTexts(CameraDevices& devices, const std::string& path) {
  if (auto vid = idTextAfter(path, "vid")) devices.vendorIdText = *vid;
  if (auto pid = idTextAfter(path, "pid")) devices.productIdText = *pid;
}

void showError(port::Ui& ui, std::string_view text) {
  ui.showMessage(kErrorTitle, text);
}
void showNotice(port::Ui& ui, std::string_view text) {
  ui.showMessage(base::kMessageTitle, text);
}

std::string formatCode(const char* format, int value) {
  char text[160];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// How a walk over the interface indexes of one class ended.
enum class Walk {
  Stopped,      // the class could not be listed or an interface failed: the reason is shown
  NonePresent,  // no interface of the class was enumerated
  SomePresent,
};

// Discovery's walk over interface indexes 0..19 of `cls`: clears the vendor id of every table
// entry it reaches, takes the vid/pid texts of each present interface's device path and hands
// the interface to `visit`, which returns false to stop the walk (having shown why).
template <class Visit>
Walk walkInterfaces(Program& program, DeviceTable& table, port::InterfaceClass cls, Visit visit) {
  CameraDevices& devices = program.devices;
  port::Ui& ui = program.ui();
  std::optional<std::vector<port::PresentInterface>> present;
  if (devices.enumerator) present = devices.enumerator->presentInterfaces(cls);
  if (!present) {
    showNotice(ui, kNoPnpNodeText);
    return Walk::Stopped;
  }

  Walk walked = Walk::NonePresent;
  for (int index = 0; index < kDeviceTableSize; ++index) {
    DeviceTableEntry& entry = table[static_cast<std::size_t>(index)];
    entry.vendorId = 0;
    if (static_cast<std::size_t>(index) >= present->size()) continue;
    const port::PresentInterface& iface = (*present)[static_cast<std::size_t>(index)];
    walked = Walk::SomePresent;
    if (!iface.devicePath) {
      showError(ui, kNoSystemNameText);
      return Walk::Stopped;
    }
    noteIdTexts(devices, *iface.devicePath);
    if (!visit(entry, iface)) return Walk::Stopped;
  }
  return walked;
}

// Asks the opened wheel for its state; the third byte of the reply is its number of positions,
// which lowers the filter count.
void askWheelPositions(Program& program) {
  CameraDevices& devices = program.devices;
  port::Ui& ui = program.ui();
  devices.commandBuffer[0] = 0x00;
  devices.commandBuffer[1] = 0x00;
  devices.commandBuffer[2] = 0x00;
  devices.transferLength = 3;
  const auto written = devices.filterWheel->write(std::span(devices.commandBuffer.data(), 3));
  if (!written.ok || written.bytes != 3) showNotice(ui, kWheelStateWriteText);
  program.clock().waitMs(kWheelStatePauseMs);
  auto buffer = program.planes.cameraBuffer;
  const auto got = devices.filterWheel->read(buffer.first(3));
  devices.bytesRead = static_cast<std::uint32_t>(got.bytes);
  if (!got.ok || got.bytes < 3) {
    showNotice(ui, formatCode("Error %d trying to read data from USB Filterwheel\n",
                              got.ok ? static_cast<int>(got.bytes) : got.errorCode));
  }
  // A wheel that did not answer, or reports no positions at all, says nothing about its size:
  // keep the count.
  const int positions = got.ok && got.bytes >= 3 ? buffer[2] : 0;
  if (positions > 0 && positions < program.settings.filterCount) {
    program.settings.filterCount = static_cast<std::int16_t>(positions);
  }
}

// A camera that has been unplugged keeps failing on its old channel even once it is back: the
// channel is closed and the camera counts as not connected, so that the next exposure or
// guiding run looks for it again.
void forgetCamera(CameraDevices& devices) {
  devices.camera.reset();
  devices.cameraConnected = false;
}

// One write of transferLength bytes of the command buffer to `channel` (the camera or the
// wheel); a closed channel counts as a failed write. A failure is shown.
template <class Channel>
bool writeCommand(Program& program, Channel* channel) {
  CameraDevices& devices = program.devices;
  const auto length = static_cast<std::size_t>(std::clamp<std::int32_t>(
      devices.transferLength, 0, static_cast<std::int32_t>(kCommandBufferBytes)));
  port::TransferResult r;
  if (channel) r = channel->write(std::span(devices.commandBuffer.data(), length));
  devices.bytesWritten = static_cast<std::uint32_t>(r.bytes);
  if constexpr (std::is_same_v<Channel, port::CameraTransport>) {
    if (!r.ok && r.errorCode == kNoDeviceCode) forgetCamera(devices);
  }
  if (!r.ok || r.bytes != length) {
    showNotice(program.ui(), kWriteFailedText);
    return false;
  }
  return true;
}

struct InputRead {
  port::TransferResult result;
  std::size_t asked = 0;
};

// The bytes to read: transferLength, within the camera input buffer.
std::span<std::uint8_t> inputBytes(Program& program) {
  auto buffer = program.planes.cameraBuffer;
  return buffer.first(static_cast<std::size_t>(std::clamp<std::int64_t>(
      program.devices.transferLength, 0, static_cast<std::int64_t>(buffer.size()))));
}

// One read of transferLength bytes from `channel` into the camera input buffer; a closed
// channel counts as a failed read. The caller reports failures in its own words.
template <class Channel>
InputRead readInput(Program& program, Channel* channel) {
  const auto bytes = inputBytes(program);
  InputRead got;
  got.asked = bytes.size();
  if (channel) got.result = channel->read(bytes);
  program.devices.bytesRead = static_cast<std::uint32_t>(got.result.bytes);
  return got;
}

// The camera's read runs on the transport while this thread dispatches events, so that the
// window repaints and its progress window takes Esc and Abort during a download of seconds;
// the progress bar moves on with the frame's expected arrival (CameraDevices::readProgress).
// The user's abort cancels the read: `aborted` is then set and the result is a failure.
InputRead readCameraInput(Program& program, port::CameraTransport* channel, bool& aborted) {
  aborted = false;
  if (!channel) return readInput(program, channel);
  const auto bytes = inputBytes(program);
  InputRead got;
  got.asked = bytes.size();
  channel->startRead(bytes);
  port::Clock& clock = program.clock();
  const ReadProgress& bar = program.devices.readProgress;
  const std::uint32_t startMs = clock.nowMs();
  int shown = -1;
  while (!channel->readDone()) {
    if (bar.moves()) {
      const int position = bar.at(bytes.size(), clock.nowMs() - startMs);
      if (position != shown) program.ui().setProgress(position);
      shown = position;
    }
    if (program.ui().pump()) {
      channel->cancelRead();
      aborted = true;
      program.devices.bytesRead = 0;
      return got;
    }
    if (!channel->readDone()) clock.waitMs(kReadPollMs);
  }
  got.result = channel->finishRead();
  program.devices.bytesRead = static_cast<std::uint32_t>(got.result.bytes);
  // The frame is in: the bar at its end, if it moved at all.
  if (shown >= 0 && shown != bar.to) program.ui().setProgress(bar.to);
  return got;
}

}  // namespace

std::optional<std::string> idTextAfter(std::string_view path, std::string_view key) {
  const auto at = path.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const auto start = std::min(path.size(), at + 4);
  return std::string(path.substr(start, 4));
}

std::string narrowDeviceString(const std::u16string& text) {
  std::string narrow;
  narrow.reserve(std::min<std::size_t>(text.size(), 255));
  for (char16_t c : text) {
    if (narrow.size() == 255) break;
    narrow.push_back(static_cast<char>(c & 0xFF));
  }
  return narrow;
}

std::string idText(std::uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id));
  return text;
}

int OpenCamera(Program& program) {
  return OpenCamera(program, program.devices.deviceTable);
}

int OpenCamera(Program& program, DeviceTable& table) {
  CameraDevices& devices = program.devices;
  port::Ui& ui = program.ui();
  std::unique_ptr<port::CameraTransport> found;
  const Walk walked = walkInterfaces(
      program, table, port::InterfaceClass::CameraDriver,
      [&](DeviceTableEntry& entry, const port::PresentInterface& iface) {
        if (sameIdText(devices.productIdText, kCameraProductId) ||
            program.settings.ignoreCameraVidPid) {
          auto channel = devices.enumerator->openCamera(*iface.devicePath);
          if (!channel) {
            showError(ui, kCannotOpenCameraText);
            return false;
          }
          found = std::move(channel);  // a later matching index replaces an earlier one
        }
        entry.vendorId = iface.vendorId;
        entry.productId = iface.productId;
        entry.manufacturer = iface.manufacturer ? narrowDeviceString(*iface.manufacturer)
                                                : std::string(kNotPresentText);
        entry.product = iface.product ? narrowDeviceString(*iface.product) : std::string();
        return true;
      });
  if (walked == Walk::Stopped) return 0;
  const int result = walked == Walk::SomePresent ? 1 : 0;

  if (!found) {
    showNotice(ui, kCameraNotFoundText);
    devices.camera.reset();
    devices.cameraConnected = false;
    return result;
  }
  devices.camera = std::move(found);
  devices.osVersion = devices.enumerator->osVersion();
  devices.legacyOs = devices.osVersion.major == 4 && devices.osVersion.minor != 0;
  if (program.settings.showInterfaceDetails) {
    char text[200];
    std::snprintf(text, sizeof text, "Camera Found, \nNVKIO = %6d\nO/S = %4d.%4d\nPID = %s",
                  devices.camera->handleNumber(), devices.osVersion.major, devices.osVersion.minor,
                  devices.productIdText.c_str());
    showNotice(ui, text);
  }
  devices.cameraConnected = true;
  return result;
}

int OpenFilterWheel(Program& program) {
  return OpenFilterWheel(program, program.devices.wheelDeviceTable);
}

int OpenFilterWheel(Program& program, DeviceTable& table) {
  CameraDevices& devices = program.devices;
  port::Ui& ui = program.ui();
  const Walk walked =
      walkInterfaces(program, table, port::InterfaceClass::Hid,
                     [&](DeviceTableEntry&, const port::PresentInterface& iface) {
                       if (!sameIdText(devices.productIdText, kFilterWheelProductId) ||
                           !sameIdText(devices.vendorIdText, kFilterWheelVendorId)) {
                         return true;
                       }
                       auto channel = devices.enumerator->openFilterWheel(*iface.devicePath);
                       if (!channel) {
                         showError(ui, kCannotOpenWheelText);
                         return false;
                       }
                       devices.filterWheel = std::move(channel);
                       devices.usbFilterWheelPresent = true;
                       askWheelPositions(program);
                       return true;
                     });
  if (walked == Walk::Stopped) return 0;
  return walked == Walk::SomePresent ? 1 : 0;
}

void CloseDevices(Program& program) {
  forgetCamera(program.devices);
  program.devices.filterWheel.reset();
  program.devices.usbFilterWheelPresent = false;
}

bool WriteCamera(Program& program) {
  return writeCommand(program, program.devices.camera.get());
}

bool ReadCamera(Program& program) {
  const InputRead got =
      readCameraInput(program, program.devices.camera.get(), program.devices.readAborted);
  if (program.devices.readAborted) return false;
  if (!got.result.ok && got.result.errorCode == kNoDeviceCode) forgetCamera(program.devices);
  if (!got.result.ok) {
    showNotice(program.ui(),
               formatCode("Error %d trying to read NVKIO data from USB\n", got.result.errorCode));
    return false;
  }
  if (got.result.bytes < got.asked) {
    // A short read leaves stale bytes behind the new ones: report it like a failed read, with
    // the count that did arrive.
    showNotice(program.ui(), formatCode("Error %d trying to read NVKIO data from USB\n",
                                        static_cast<int>(got.result.bytes)));
    return false;
  }
  return true;
}

bool WriteFilterWheel(Program& program) {
  return writeCommand(program, program.devices.filterWheel.get());
}

bool ReadFilterWheel(Program& program) {
  const InputRead got = readInput(program, program.devices.filterWheel.get());
  if (!got.result.ok || got.result.bytes < got.asked) {
    showNotice(program.ui(), formatCode("Error %d trying to read NVKIO data from USB Filterwheel\n",
                                        got.result.ok ? static_cast<int>(got.result.bytes)
                                                      : got.result.errorCode));
    return false;
  }
  return true;
}

}  // namespace nvk::camera
