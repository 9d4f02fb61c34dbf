#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "camera/devices.h"
#include "image/image_state.h"

namespace nvk::camera {

// Shown when an exposure, guiding or a camera command finds no camera on USB.
inline constexpr std::string_view kNoCameraOnUsbText = "Sorry, No camera found on USB";

// Exposures up to this many milliseconds are timed by the camera (the delayed readout, command
// 2); the host times longer ones.
inline constexpr std::int32_t kCameraTimedLimitMs = 1000;

// How the host waits for the end (a time of the program's clock) of an exposure it times: by
// default a plain wait; guiding waits by dispatching events.
using ExposureWait = std::function<void(std::uint32_t endMs)>;

// A focus exposure: `count` units ('h' 10 ms, 't' 100 ms, 'q' 1 ms, anything else 1000 ms) of
// the 128 x 128 window whose top-left is (left, top) in full-resolution pixels, read binned 2x2
// around it when `binned`.
struct FocusRequest {
  int count = 1;
  char unit = 's';
  int left = 0;
  int top = 0;
  bool binned = false;
};

// The camera as the observer uses it: its main head and everything the camera does besides
// imaging (cooler, guide outputs, serial ports, filter wheel). Its state (connection, firmware,
// cooler, last focus window) is kept in the program's CameraDevices, where the dialogs read it.
// One realisation per kind of camera, chosen once when the program is built; the guide head
// has its own interface below.
class Camera {
 public:
  virtual ~Camera() = default;

  // --- connect and identify ---
  // Looks for the camera and opens it. 1 when any interface of the camera driver's class was
  // seen (whether or not it was the camera), else 0; connected() says whether it was found.
  virtual int connect() = 0;
  virtual bool connected() const = 0;
  // Looks for the USB filter wheel and opens it; 1 when any HID interface was seen, else 0.
  virtual int connectFilterWheel() = 0;
  // Closes the camera and the filter wheel.
  virtual void disconnect() = 0;
  // Asks the camera for its firmware version; a firmware without cooler control marks the
  // cooler unavailable.
  virtual FirmwareVersion readFirmware() = 0;

  // --- temperature and cooler ---
  // Sends the cooler's set-point and on/off state (CameraDevices::cooler); returns the
  // temperature the camera measured.
  virtual int applyCooler() = 0;
  virtual int readTemperature() = 0;

  // --- exposure of the main head ---
  // Drains the sensor without starting an exposure (also repeated while the host times a long
  // exposure). These three return false when the camera did not take the command or its frame
  // did not arrive whole (the failure shown); a failed readout leaves RawImage as it was.
  virtual bool flush() = 0;
  // Starts integrating: the exposure runs from now until its frame is read. An exposure is
  // abandoned by not reading it; the next flush clears the sensor.
  virtual bool startExposure() = 0;
  // Reads the frame of an exposure of `exposureMs` (the camera times it up to 1000 ms) in
  // `mode` into RawImage; the sub-frame mode reads around (centreX, centreY).
  virtual bool readFrame(image::ReadoutMode mode, std::int32_t exposureMs, int centreX,
                         int centreY) = 0;

  // --- focus ---
  // Exposes and reads the focus window into CameraDevices::focusWindow; the host waits through
  // `wait` (a plain wait when empty) for exposures of 500 ms and more.
  virtual void focusExposure(const FocusRequest& request, const ExposureWait& wait) = 0;
  // The same, flushing while it waits, and measuring the star (kept in CameraDevices::focus).
  virtual FocusMeasurement measuredFocusExposure(const FocusRequest& request) = 0;

  // --- guide outputs, serial ports and filters ---
  // Sets the guide-output lines (west 1, south 2, north 4, east 8; 0 releases all).
  virtual void setGuideOutputs(std::uint8_t bits) = 0;
  // Writes to camera serial port `port`; false (nothing sent) for more than one command holds.
  virtual bool writeSerial(int port, std::span<const std::uint8_t> bytes) = 0;
  // Reads `count` bytes from camera serial port `port`; valid until the next transfer.
  virtual std::span<const std::uint8_t> readSerial(int port, int count) = 0;
  // Turns to filter n (1..7): on the USB wheel, or through the camera's telescope serial port.
  virtual void selectFilter(int n) = 0;
};

// The guide head: a second, small sensor on the same camera that the host times. It is
// cleared and read by the camera's commands for its own head index.
class GuideHead {
 public:
  virtual ~GuideHead() = default;

  // Clears the head and reads and discards its first `lines` lines (2 before a guide exposure,
  // 50 in the guide-head monitor). Both return false when a transfer failed (the failure shown).
  virtual bool flush(int lines) = 0;
  // Reads the 500 x 290 image (binned: 250 x 145 samples, each filling 2 x 2) into
  // CameraDevices::guideImage, which a failed readout leaves as it was.
  virtual bool readFrame(bool binned) = 0;
};

}  // namespace nvk::camera
