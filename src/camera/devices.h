#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/readout.h"
#include "port/camera_transport.h"
#include "port/device_enumerator.h"
#include "port/filter_wheel_transport.h"

namespace nvk::camera {

inline constexpr int kDeviceTableSize = 20;
inline constexpr std::size_t kCommandBufferBytes = 64;
inline constexpr int kFocusWindowSize = 128;  // the focus window is 128 x 128 samples
inline constexpr int kGuideWidth = 500;
inline constexpr int kGuideHeight = 290;

// The real camera's delivery rate over USB: a full high-resolution frame in 4.5 s.
inline constexpr std::size_t kTransferBytesPerSecond = 2'716'672;
// The milliseconds a reply of `bytes` takes at that rate.
constexpr std::uint32_t transferMs(std::size_t bytes) {
  return static_cast<std::uint32_t>(bytes * 1000 / kTransferBytesPerSecond);
}

// Where the progress bar stands while a frame is on its way: it moves from `from` to `to` as
// the time the reply should take passes, the camera's own exposure (`leadMs`, a readout it
// times itself) and then the transfer of the reply's bytes at the camera's rate. The owner of
// the progress window sets `from` and `to`, the readout command sets `leadMs`; with `to` not
// above `from` the bar is left alone.
struct ReadProgress {
  int from = 0;
  int to = 0;
  std::uint32_t leadMs = 0;

  bool moves() const { return to > from; }
  // The bar's position `elapsedMs` into a read of `bytes`.
  int at(std::size_t bytes, std::uint32_t elapsedMs) const {
    const std::uint64_t total =
        std::max<std::uint64_t>(std::uint64_t{leadMs} + transferMs(bytes), 1);
    const std::uint64_t done = std::min<std::uint64_t>(elapsedMs, total);
    return from + static_cast<int>(static_cast<std::uint64_t>(to - from) * done / total);
  }
};

// One interface index examined by discovery.
struct DeviceTableEntry {
  std::uint16_t vendorId = 0;
  std::string manufacturer;  // narrowed, at most 255 characters
  std::uint16_t productId = 0;
  std::string product;  // narrowed, at most 255 characters
};
using DeviceTable = std::array<DeviceTableEntry, kDeviceTableSize>;

struct CoolerState {
  std::int16_t setPointC = -40;
  std::int16_t temperatureC = 0;  // as last measured
  bool measured = false;          // a temperature has come back from the camera
  bool applied = false;           // the set-point and on/off have been sent
  int powerPercent = 0;           // the cooler's drive as last reported, 0..100
  bool on = true;
  bool available = true;  // cleared by a firmware whose minor number is below 11
};

struct FirmwareVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
};

// What the last measured focus exposure found.
struct FocusMeasurement {
  int peak = 0;  // the star's peak sample
  int fwhm = 0;  // the star's full width at half maximum, in pixels
  int row = 0;
  int column = 0;
};

// The camera device state of the program: the open channels, the discovery results, the
// command buffer and the camera's cooler, firmware and filter state. One member of Program.
struct CameraDevices {
  CameraDevices()
      : focusWindow(std::size_t{kFocusWindowSize} * kFocusWindowSize),
        guideImage(std::size_t{kGuideWidth} * kGuideHeight),
        resampleScratch(resampleScratchFloats()) {}

  // Where discovery looks; set by whoever builds the program (real USB, the simulator or both).
  port::DeviceEnumerator* enumerator = nullptr;

  std::unique_ptr<port::CameraTransport> camera;
  std::unique_ptr<port::FilterWheelTransport> filterWheel;
  bool cameraConnected = false;
  bool usbFilterWheelPresent = false;
  bool legacyOs = false;
  port::OsVersion osVersion;

  // The block to be written and the length of the next write or read.
  std::array<std::uint8_t, kCommandBufferBytes> commandBuffer{};
  std::int32_t transferLength = 0;
  std::uint32_t bytesRead = 0;
  std::uint32_t bytesWritten = 0;
  // The user stopped the last read while it was still arriving (Esc, the progress window's
  // Abort): it failed without a message, and the frame it was to bring is dropped.
  bool readAborted = false;
  ReadProgress readProgress;

  // The texts after "vid" and "pid" in the last device path examined.
  std::string vendorIdText;
  std::string productIdText;
  DeviceTable deviceTable;       // camera discovery
  DeviceTable wheelDeviceTable;  // filter-wheel discovery

  CoolerState cooler;
  FirmwareVersion firmware;
  int filterPosition = 1;
  // The field flags of a high-resolution readout (the exposure sequence may choose others).
  std::uint16_t fieldFlags = 3;
  // 1 after a high-resolution or sub-frame readout, 0 after a binned one.
  bool interleaved = false;
  // '2', '3' or '4': the size of the last sub-frame read.
  char subFrameCode = '2';

  // The 128 x 128 focus window of the last focus readout and what its measurement found.
  std::vector<std::uint16_t> focusWindow;
  FocusMeasurement focus;
  // The 500 x 290 guide-head image of the last guide readout.
  std::vector<std::uint16_t> guideImage;
  // Working rows of the binned 4x8 resampling, allocated once.
  std::vector<float> resampleScratch;
};

}  // namespace nvk::camera
