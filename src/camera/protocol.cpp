#include "camera/protocol.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "camera/discovery.h"
#include "camera/program.h"
#include "camera/readout.h"

namespace nvk::camera {
namespace {

constexpr int kImageWidth = 1520;
constexpr int kImageHeight = 1012;

void put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

// The header of every command: the first `zeroBytes` bytes of the buffer cleared, then request
// type, code, value, index and length.
void beginCommand(CameraDevices& devices, std::size_t zeroBytes, CommandCode code,
                  std::uint16_t value, std::uint16_t index, std::uint16_t length) {
  std::uint8_t* b = devices.commandBuffer.data();
  std::fill_n(b, zeroBytes, std::uint8_t{0});
  b[0] = kRequestType;
  b[1] = static_cast<std::uint8_t>(code);
  put16(b + 2, value);
  put16(b + 4, index);
  put16(b + 6, length);
}

// Writes the command of `lengthWritten` bytes, then reads `replyBytes` into the input buffer.
// False (the failure shown) when either transfer failed: a command that did not go out has no
// reply to wait for.
bool exchange(Program& program, std::int32_t lengthWritten, std::size_t replyBytes) {
  CameraDevices& devices = program.devices;
  devices.transferLength = lengthWritten;
  if (!WriteCamera(program)) return false;
  if (replyBytes == 0) return true;
  devices.transferLength = static_cast<std::int32_t>(replyBytes);
  return ReadCamera(program);
}

// Sends the cooler command in the buffer and takes the temperature from its 3-byte reply.
// A failed exchange keeps the temperature measured before.
int exchangeForTemperature(Program& program) {
  CameraDevices& devices = program.devices;
  if (!exchange(program, 8, 3)) return devices.cooler.temperatureC;
  const auto* reply = program.planes.cameraBuffer.data();
  devices.cooler.temperatureC = static_cast<std::int16_t>(decodeTemperature(reply[0], reply[1]));
  devices.cooler.measured = true;
  devices.cooler.powerPercent = reply[2];
  return devices.cooler.temperatureC;
}

// Commands 2 and 3: the readout parameters at byte 8, the exposure time (command 2 only) at 18.
bool readPixels(Program& program, CommandCode code, std::uint16_t value, std::uint16_t cameraIndex,
                const ReadoutRequest& request, std::int32_t exposureMs, std::size_t replyBytes) {
  CameraDevices& devices = program.devices;
  const bool delayed = code == CommandCode::ReadPixelsDelayed;
  beginCommand(devices, 24, code, value, cameraIndex, delayed ? 14 : 10);
  std::uint8_t* b = devices.commandBuffer.data();
  put16(b + 8, request.x);
  put16(b + 10, request.y);
  put16(b + 12, request.width);
  put16(b + 14, request.height);
  b[16] = request.binX;
  b[17] = request.binY;
  if (delayed) put16(b + 18, static_cast<std::uint16_t>(exposureMs & 0xFFFF));
  // The camera exposes before its reply starts.
  devices.readProgress.leadMs = delayed ? static_cast<std::uint32_t>(std::max(exposureMs, 0)) : 0;
  const bool ok = exchange(program, delayed ? 22 : 18, replyBytes);
  devices.readProgress.leadMs = 0;
  return ok;
}

// A main-sensor readout, timed by the camera up to 1000 ms.
bool readMain(Program& program, std::uint16_t value, const ReadoutRequest& request,
              std::int32_t exposureMs, std::size_t replyBytes) {
  const CommandCode code =
      exposureMs <= kCameraTimedLimitMs ? CommandCode::ReadPixelsDelayed : CommandCode::ReadPixels;
  return readPixels(program, code, value, kMainSensor, request, exposureMs, replyBytes);
}

const std::uint16_t* inputSamples(Program& program) {
  return reinterpret_cast<const std::uint16_t*>(program.planes.cameraBuffer.data());
}

constexpr ReadoutRequest fullSensor(std::uint8_t binX, std::uint8_t binY) {
  return ReadoutRequest{0, 0, kLineSamples, kFrameLines, binX, binY};
}

}  // namespace

std::uint16_t setPointCode(int setPointC) {
  return static_cast<std::uint16_t>(setPointC * 10 + 2730);
}

int decodeTemperature(std::uint8_t low, std::uint8_t high) {
  const auto raw = static_cast<std::int16_t>(static_cast<std::uint16_t>(high * 256 + low));
  return (raw - 2730) / 10;  // truncates toward zero
}

SubFrameLayout subFrameLayout(int size, int cx, int cy) {
  // One row a size: the request starts `left` samples before twice the centre column and
  // `above` lines before the centre row (in half lines); the rest is the fixed block.
  struct Shape {
    int size;
    int left;
    int above;
    std::uint16_t width;
    std::uint16_t height;
    std::size_t bytes;
    int imageWidth;
    int imageHeight;
    int blockLeft;
    int blockTop;
  };
  static constexpr std::array<Shape, 3> kShapes{{
      {3, 1012, 336, 2024, 336, 1'360'128, 1012, 672, 254, 170},
      {4, 760, 253, 1516, 252, 764'064, 758, 504, 381, 254},
      {2, 1520, 506, 3032, 504, 3'056'256, kImageWidth, kImageHeight, 0, 0},
  }};
  const Shape& shape = size == 3 ? kShapes[0] : size == 4 ? kShapes[1] : kShapes[2];
  SubFrameLayout l{};
  l.request = {static_cast<std::uint16_t>(2 * cx - shape.left),
               static_cast<std::uint16_t>((cy - shape.above) / 2),
               shape.width,
               shape.height,
               1,
               1};
  l.bytes = shape.bytes;
  l.code = static_cast<char>('0' + shape.size);
  l.imageWidth = shape.imageWidth;
  l.imageHeight = shape.imageHeight;
  l.left = shape.blockLeft;
  l.top = shape.blockTop;
  return l;
}

SensorOrigin subFrameOrigin(const SubFrameLayout& layout) {
  // The offsets go out as 16-bit values; near the edge they are negative.
  const int x = static_cast<std::int16_t>(layout.request.x);
  const int y = static_cast<std::int16_t>(layout.request.y);
  // Four stream samples a cell of two columns and two rows: half the stream offset is the
  // sensor column, and each line is two sensor rows.
  const int rowSwap = (x & 3) == 2 ? 1 : 0;
  return {x / 2 - layout.left, 2 * y + rowSwap - layout.top};
}

ReadoutRequest focusWindowRequest(int fx, int fy, bool focusBinning) {
  if (!focusBinning) {
    return {static_cast<std::uint16_t>(2 * fx), static_cast<std::uint16_t>(fy / 2), 256, 64, 1, 1};
  }
  const int x = std::max(0, 2 * fx - 64);
  const int y = std::max(0, fy / 2 - 32);
  return {static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y), 512, 128, 2, 2};
}

std::int32_t focusExposureMs(int count, char unit) {
  switch (unit) {
    case 'h':
      return count * 10;
    case 't':
      return count * 100;
    case 'q':
      return count;
    default:
      return count * 1000;
  }
}

FocusMeasurement measureFocusWindow(std::span<const std::uint16_t> window) {
  constexpr int n = kFocusWindowSize;
  auto at = [&](int row, int column) {
    return static_cast<int>(window[static_cast<std::size_t>(row * n + column)]);
  };
  std::array<int, 256> histogram{};
  FocusMeasurement m;
  for (int row = 12; row <= 125; ++row) {
    for (int column = 5; column <= 125; ++column) {
      const int sample = at(row, column);
      ++histogram[static_cast<std::size_t>(sample / 256)];
      // A single hot sample is not a star: the one above must be as bright.
      if (sample > m.peak && at(row - 1, column) > m.peak) {
        m.peak = sample;
        m.row = row;
        m.column = column;
      }
    }
  }
  const auto background =
      static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
  const int half = background * 128 + m.peak / 2;
  int left = m.column;
  int right = m.column;
  for (int column = m.column; column >= 3; --column) {
    if (at(m.row, column) > half) left = column;
  }
  for (int column = m.column; column <= 125; ++column) {
    if (at(m.row, column) > half) right = column;
  }
  m.fwhm = right - left + 1;
  return m;
}

bool ClearSensor(Program& program, std::uint16_t flag, std::uint16_t cameraIndex) {
  beginCommand(program.devices, 8, CommandCode::ClearSensor, flag, cameraIndex, 0);
  return exchange(program, 8, 0);
}

bool ReadFullFrame(Program& program, std::int32_t exposureMs) {
  if (!readMain(program, program.devices.fieldFlags, fullSensor(1, 1), exposureMs,
                kHighResolutionBytes)) {
    return false;
  }
  copyLines(inputSamples(program), kLineSamples, kFrameLines, program.planes.RawImage.data(),
            kHighResLineStride);
  program.devices.interleaved = true;
  return true;
}

bool ReadBinned2x2(Program& program, std::int32_t exposureMs) {
  if (!readMain(program, 3, fullSensor(4, 1), exposureMs, kBinned2x2Bytes)) return false;
  // 504 slots of 3040 samples, each two lines of 1516 and 8 unused samples.
  copyLines(inputSamples(program), 2 * 1516, 504, program.planes.RawImage.data(), 3040);
  program.state.modeCode = '2';
  program.devices.interleaved = false;
  return true;
}

bool ReadBinned4x4(Program& program, std::int32_t exposureMs) {
  if (!readMain(program, 3, fullSensor(8, 2), exposureMs, kBinned4x4Bytes)) return false;
  copyLines(inputSamples(program), 758, 504, program.planes.RawImage.data(), 2 * kImageWidth);
  interpolateBinned4x4(program.planes.RawImage.data());
  program.state.modeCode = '4';
  program.devices.interleaved = false;
  return true;
}

bool ReadBinned4x8(Program& program, std::int32_t exposureMs) {
  if (!readMain(program, 3, fullSensor(8, 4), exposureMs, kBinned4x8Bytes)) return false;
  // The resampling reads the input buffer and writes the image through the row tables that
  // the device state keeps for it.
  resampleBinned4x8(inputSamples(program), program.planes.RawImage.data(),
                    program.devices.resampleScratch);
  program.state.modeCode = '3';
  program.devices.interleaved = false;
  return true;
}

bool ReadSubFrame(Program& program, std::int32_t exposureMs, int cx, int cy) {
  const SubFrameLayout l = subFrameLayout(program.state.subFrameFraction, cx, cy);
  if (!readMain(program, 3, l.request, exposureMs, l.bytes)) return false;
  std::uint16_t* image = program.planes.RawImage.data();
  if (l.code == '2') {
    copyLines(inputSamples(program), 3032, 504, image, 3040);
    unscrambleCellsInPlace(image, kImageWidth, kImageHeight);
  } else {
    unscrambleCells(inputSamples(program), l.imageWidth, l.imageHeight,
                    image + static_cast<std::size_t>(l.top) * kImageWidth + l.left, kImageWidth);
    blankAround(image, kImageWidth, kImageHeight, l.left, l.top, l.imageWidth, l.imageHeight);
  }
  program.devices.subFrameCode = l.code;
  program.state.modeCode = '5';
  program.devices.interleaved = true;
  return true;
}

bool ReadImageForMode(Program& program, image::ReadoutMode mode, std::int32_t exposureMs, int cx,
                      int cy) {
  using image::ReadoutMode;
  switch (mode) {
    case ReadoutMode::Binned2x2:
      return ReadBinned2x2(program, exposureMs);
    case ReadoutMode::Binned4x4:
      return ReadBinned4x4(program, exposureMs);
    case ReadoutMode::Binned4x8:
      return ReadBinned4x8(program, exposureMs);
    case ReadoutMode::SubFrame:
      return ReadSubFrame(program, exposureMs, cx, cy);
    case ReadoutMode::HighResolution: {
      program.devices.fieldFlags = 3;
      if (!readMain(program, 3, fullSensor(1, 1), exposureMs, kHighResolutionBytes)) return false;
      // The line copies and the unscrambling of the full image in one pass.
      decodeHighResolution(inputSamples(program), program.planes.RawImage.data());
      program.devices.interleaved = true;
      program.state.modeCode = '1';
      return true;
    }
    case ReadoutMode::FullFrame6:
    case ReadoutMode::FullFrameBinned7:
      program.devices.fieldFlags = 3;
      if (!ReadFullFrame(program, exposureMs)) return false;
      if (mode == ReadoutMode::FullFrameBinned7) {
        fillOddRows(program.planes.RawImage.data(), program.geometry.width,
                    program.geometry.height);
        program.state.modeCode = '7';
      } else {
        program.state.modeCode = '6';
      }
      return true;
  }
  return false;
}

void ReadFocusWindow(Program& program, std::int32_t exposureMs, int fx, int fy, bool focusBinning) {
  readMain(program, 3, focusWindowRequest(fx, fy, focusBinning), exposureMs, kFocusWindowBytes);
  unscrambleCells(inputSamples(program), kFocusWindowSize, kFocusWindowSize,
                  program.devices.focusWindow.data(), kFocusWindowSize);
}

void FocusExposure(Program& program, int count, char unit, int fx, int fy, bool focusBinning,
                   const ExposureWait& wait) {
  const std::int32_t ms = focusExposureMs(count, unit);
  ClearSensor(program, kClearFlush);
  ClearSensor(program, kClearStart);
  const std::uint32_t end = program.clock().nowMs() + static_cast<std::uint32_t>(ms);
  if (ms >= 500) {
    if (wait) {
      wait(end);
    } else {
      program.clock().waitUntilMs(end);
    }
  }
  ReadFocusWindow(program, ms, fx, fy, focusBinning);
}

void FocusExposureMeasured(Program& program, int count, char unit, int fx, int fy,
                           bool focusBinning) {
  // One pass of the wait loop: the flush command and a moment of the clock.
  constexpr std::uint32_t kPassMs = 10;
  const std::int32_t ms = focusExposureMs(count, unit);
  ClearSensor(program, kClearFlush);
  ClearSensor(program, kClearStart);
  port::Clock& clock = program.clock();
  const std::uint32_t start = clock.nowMs();
  if (ms > kCameraTimedLimitMs) {
    const std::uint32_t end = start + static_cast<std::uint32_t>(ms);
    while (!port::msReached(clock.nowMs(), end)) {
      ClearSensor(program, kClearFlush);
      clock.waitUntilMs(std::min(end - clock.nowMs(), kPassMs) + clock.nowMs());
    }
  }
  ReadFocusWindow(program, ms, fx, fy, focusBinning);
  program.devices.focus = measureFocusWindow(program.devices.focusWindow);
}

bool ReadGuideHead(Program& program, bool binned) {
  const std::uint8_t bin = binned ? 2 : 1;
  const std::size_t bytes = binned ? 36'250 : 145'000;
  if (!readPixels(program, CommandCode::ReadPixels, 3, kGuideHead,
                  ReadoutRequest{0, 0, kGuideWidth, kGuideHeight, bin, bin}, 0, bytes)) {
    return false;
  }
  const std::uint8_t* in = program.planes.cameraBuffer.data();
  std::uint16_t* out = program.devices.guideImage.data();
  if (!binned) {
    for (std::size_t i = 0; i < bytes; ++i)
      out[i] = static_cast<std::uint16_t>(in[i] * 256);
    return true;
  }
  constexpr int kHalfWidth = kGuideWidth / 2;
  for (int y = 0; y < kGuideHeight / 2; ++y) {
    for (int x = 0; x < kHalfWidth; ++x) {
      const auto v = static_cast<std::uint16_t>(in[y * kHalfWidth + x] * 256);
      std::uint16_t* top = out + static_cast<std::size_t>(2 * y) * kGuideWidth + 2 * x;
      top[0] = top[1] = top[kGuideWidth] = top[kGuideWidth + 1] = v;
    }
  }
  return true;
}

bool FlushGuideHead(Program& program, int lines) {
  if (!ClearSensor(program, 0, kGuideHead)) return false;
  return readPixels(program, CommandCode::ReadPixels, 3, kGuideHead,
                    ReadoutRequest{0, 0, kGuideWidth, static_cast<std::uint16_t>(lines), 1, 1}, 0,
                    static_cast<std::size_t>(kGuideWidth) * static_cast<std::size_t>(lines));
}

int SetCooling(Program& program) {
  CameraDevices& devices = program.devices;
  if (!devices.cooler.on && program.settings.forceMaxCooling) {
    beginCommand(devices, 8, CommandCode::CoolerTemperature, 0, 0, 0);
  } else {
    beginCommand(devices, 8, CommandCode::CoolerControl, setPointCode(devices.cooler.setPointC),
                 devices.cooler.on ? 1 : 0, 0);
  }
  devices.cooler.applied = true;
  return exchangeForTemperature(program);
}

int ReadCoolerTemperature(Program& program) {
  CameraDevices& devices = program.devices;
  beginCommand(devices, 8, CommandCode::CoolerTemperature, 0, 0, 0);
  return exchangeForTemperature(program);
}

void ReadFirmwareVersion(Program& program) {
  CameraDevices& devices = program.devices;
  beginCommand(devices, 8, CommandCode::FirmwareVersion, 0, 0, 0);
  // Without an answer the version (and the cooler it allows) stays as it was.
  if (!exchange(program, 8, 4)) return;
  const auto* reply = program.planes.cameraBuffer.data();
  devices.firmware.minor = static_cast<std::uint16_t>(reply[0] + 256 * reply[1]);
  devices.firmware.major = static_cast<std::uint16_t>(reply[2] + 256 * reply[3]);
  // Firmware before 11 has no cooler control.
  if (devices.firmware.minor < 11) devices.cooler.available = false;
}

void SetGuideOutputs(Program& program, std::uint8_t bits) {
  beginCommand(program.devices, 8, CommandCode::SetGuideOutputs, bits, 0, 0);
  exchange(program, 8, 0);
}

bool WriteSerial(Program& program, int port, std::span<const std::uint8_t> bytes) {
  if (bytes.size() > static_cast<std::size_t>(kMaxSerialBytes)) return false;
  CameraDevices& devices = program.devices;
  const auto n = static_cast<std::uint16_t>(bytes.size());
  beginCommand(devices, kCommandBufferBytes, CommandCode::WriteSerial, 0,
               static_cast<std::uint16_t>(port), n);
  std::copy(bytes.begin(), bytes.end(), devices.commandBuffer.begin() + 8);
  exchange(program, 8 + n, 0);
  return true;
}

std::span<const std::uint8_t> ReadSerial(Program& program, int port, int n) {
  const auto count = static_cast<std::uint16_t>(std::max(0, n));
  beginCommand(program.devices, 8, CommandCode::ReadSerial, 0, static_cast<std::uint16_t>(port),
               count);
  exchange(program, 8, count);
  return std::span<const std::uint8_t>(program.planes.cameraBuffer.data(), count);
}

void SelectFilter(Program& program, int n) {
  CameraDevices& devices = program.devices;
  devices.filterPosition = n;
  if (devices.usbFilterWheelPresent) {
    devices.commandBuffer[0] = 0x00;
    devices.commandBuffer[1] = static_cast<std::uint8_t>(n);
    devices.commandBuffer[2] = 0x00;
    devices.transferLength = 3;
    WriteFilterWheel(program);
    program.clock().waitMs(4);
    devices.transferLength = 3;
    ReadFilterWheel(program);
    return;
  }
  const std::array<std::uint8_t, 4> bytes{0xA5, 0x01, static_cast<std::uint8_t>(n),
                                          static_cast<std::uint8_t>(0xA6 + n)};
  WriteSerial(program, program.settings.telescopePortIndex, bytes);
}

}  // namespace nvk::camera
