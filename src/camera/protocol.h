#pragma once

#include <cstdint>
#include <span>

#include "camera/camera.h"
#include "camera/devices.h"
#include "image/image_state.h"

namespace nvk::camera {

class Program;

// Command codes of the camera (request type 0x40 for all).
enum class CommandCode : std::uint8_t {
  ClearSensor = 1,
  ReadPixelsDelayed = 2,
  ReadPixels = 3,
  SetGuideOutputs = 9,
  WriteSerial = 10,
  ReadSerial = 11,
  CoolerControl = 30,
  CoolerTemperature = 31,
  FirmwareVersion = 255,
};
inline constexpr std::uint8_t kRequestType = 0x40;
// Clear-sensor flag values.
inline constexpr std::uint16_t kClearFlush = 8;
inline constexpr std::uint16_t kClearStart = 0;
// Camera indexes.
inline constexpr std::uint16_t kMainSensor = 0;
inline constexpr std::uint16_t kGuideHead = 1;
// The most parameter bytes a serial write can carry in the 64-byte command buffer.
inline constexpr int kMaxSerialBytes = 56;

// The readout parameters of commands 2 and 3.
struct ReadoutRequest {
  std::uint16_t x = 0;  // in samples of a line
  std::uint16_t y = 0;  // in lines
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint8_t binX = 1;
  std::uint8_t binY = 1;
};

// Byte counts of the readouts.
inline constexpr std::size_t kHighResolutionBytes = 12'225'024;
inline constexpr std::size_t kBinned2x2Bytes = 3'056'256;
inline constexpr std::size_t kBinned4x4Bytes = 764'064;
inline constexpr std::size_t kBinned4x8Bytes = 382'032;
inline constexpr std::size_t kFocusWindowBytes = 32'768;

// Cooler set-point in tenths of a kelvin, and the measured temperature from the reply bytes.
std::uint16_t setPointCode(int setPointC);
int decodeTemperature(std::uint8_t low, std::uint8_t high);

// The sub-frame of size 2, 3 or 4 around the centre (cx, cy), in full-resolution coordinates.
struct SubFrameLayout {
  ReadoutRequest request;
  std::size_t bytes;
  char code;       // '2', '3' or '4'
  int imageWidth;  // of the unscrambled block
  int imageHeight;
  int left;  // where the block sits in the 1520 x 1012 frame
  int top;
};
SubFrameLayout subFrameLayout(int size, int cx, int cy);
// The sensor column and row that the sample (0, 0) of the 1520 x 1012 frame stands for, as far
// as the colour-filter sites go (the blank border counted as if read). A request starting in
// the middle of a 2 x 2 cell (x offset 2 modulo 4) unscrambles each pair of rows swapped.
struct SensorOrigin {
  int x;
  int y;
};
SensorOrigin subFrameOrigin(const SubFrameLayout& layout);
// The focus window around (fx, fy), with or without focus binning.
ReadoutRequest focusWindowRequest(int fx, int fy, bool focusBinning);
// Exposure milliseconds of `count` focus units: 'h' 10, 't' 100, 'q' 1, anything else 1000.
std::int32_t focusExposureMs(int count, char unit);
// The star measurement of a 128 x 128 focus window.
FocusMeasurement measureFocusWindow(std::span<const std::uint16_t> window);

// --- operations ---
// The commands and readouts return false when a transfer failed (the failure shown); a readout
// that failed leaves the image it would have filled as it was.
bool ClearSensor(Program& program, std::uint16_t flag, std::uint16_t cameraIndex = 0);

// Readouts of the main sensor. Each writes the readout command (2 up to 1000 ms, else 3),
// reads the reply into the input buffer and decodes it into RawImage.
bool ReadFullFrame(Program& program, std::int32_t exposureMs);
bool ReadBinned2x2(Program& program, std::int32_t exposureMs);
bool ReadBinned4x4(Program& program, std::int32_t exposureMs);
bool ReadBinned4x8(Program& program, std::int32_t exposureMs);
// The sub-frame of the size in the image state around (cx, cy).
bool ReadSubFrame(Program& program, std::int32_t exposureMs, int cx, int cy);
// The readout of `mode` with its extra steps: mode 1 sets mode code '1' and unscrambles the
// full image, modes 6 and 7 read high resolution with field flags 3 and write '6' or '7', and
// mode 7 fills the odd rows. The sub-frame mode reads around (cx, cy).
bool ReadImageForMode(Program& program, image::ReadoutMode mode, std::int32_t exposureMs,
                      int cx = 1520, int cy = 1012);

// The 128 x 128 focus window around (fx, fy) into program.devices.focusWindow.
void ReadFocusWindow(Program& program, std::int32_t exposureMs, int fx, int fy, bool focusBinning);
// A timed exposure of the focus window; the measured one also finds the star's peak and width.
void FocusExposure(Program& program, int count, char unit, int fx, int fy, bool focusBinning,
                   const ExposureWait& wait = {});
void FocusExposureMeasured(Program& program, int count, char unit, int fx, int fy,
                           bool focusBinning);

// The guide head's 500 x 290 image (binned: 250 x 145 bytes, each filling a 2 x 2 block) into
// program.devices.guideImage.
bool ReadGuideHead(Program& program, bool binned);
// Clears the guide head and reads and discards `lines` (50 or 2) lines of it.
bool FlushGuideHead(Program& program, int lines);

// Cooler control (or, with the cooler off and maximum cooling set, the temperature request);
// stores and returns the measured temperature.
int SetCooling(Program& program);
// The temperature request alone (command 31).
int ReadCoolerTemperature(Program& program);
void ReadFirmwareVersion(Program& program);
void SetGuideOutputs(Program& program, std::uint8_t bits);
// Camera serial ports. WriteSerial sends at most kMaxSerialBytes bytes (returns false beyond);
// ReadSerial returns the n bytes read into the input buffer.
bool WriteSerial(Program& program, int port, std::span<const std::uint8_t> bytes);
std::span<const std::uint8_t> ReadSerial(Program& program, int port, int n);
// Filter n (1..7) on the USB wheel, or through the camera's serial port.
void SelectFilter(Program& program, int n);

}  // namespace nvk::camera
