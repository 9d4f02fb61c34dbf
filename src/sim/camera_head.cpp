#include "sim/camera_head.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nvk::sim {
namespace {

// The largest reply: a whole high-resolution frame buffer.
constexpr std::size_t kReplyCapacity = 12'305'920;
// A read with nothing to answer times out like a bulk transfer.
constexpr int kTimeoutCode = -7;

std::uint16_t get16(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 1 >= b.size()) return 0;
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Position of the 4 samples of a cell: top-left, bottom-left, bottom-right, top-right.
constexpr int kCellRow[4] = {0, 1, 1, 0};
constexpr int kCellColumn[4] = {0, 0, 1, 1};

int floorDiv4(int j) {
  return j >= 0 ? j / 4 : -((-j + 3) / 4);
}

}  // namespace

SimulatedCameraHead::SimulatedCameraHead(Sky& sky, port::Clock& clock, CameraHeadOptions options)
    : sky_(sky),
      clock_(clock),
      options_(options),
      reply_(kReplyCapacity),
      temperature_(options.ambientC),
      coolerUpdatedMs_(clock.nowMs()) {
  mainStartMs_ = guideStartMs_ = clock.nowMs();
}

std::uint32_t SimulatedCameraHead::nowMs() {
  return heldMs_ ? *heldMs_ : clock_.nowMs();
}

void SimulatedCameraHead::waitMs(std::uint32_t ms) {
  if (heldMs_) {
    *heldMs_ += ms;
  } else {
    clock_.waitMs(ms);
  }
}

SimulatedCameraHead::HeldExchange SimulatedCameraHead::exchangeAt(
    std::uint32_t atMs, std::span<const std::uint8_t> block, std::span<std::uint8_t> buffer) {
  heldMs_ = atMs;
  if (!block.empty()) write(block);
  HeldExchange done{read(buffer), *heldMs_};
  heldMs_.reset();
  return done;
}

void SimulatedCameraHead::attachSerialPort(int port, SerialPortDevice* device) {
  if (port >= 0 && port < static_cast<int>(serialDevices_.size())) {
    serialDevices_[static_cast<std::size_t>(port)] = device;
  }
}

void SimulatedCameraHead::setReply(std::size_t bytes) {
  replyBytes_ = std::min(bytes, reply_.size());
}

port::TransferResult SimulatedCameraHead::write(std::span<const std::uint8_t> block) {
  replyBytes_ = 0;  // a new command drops an unread reply
  if (block.size() < 8 || block[0] != 0x40) return {true, block.size(), 0};
  const std::uint8_t code = block[1];
  const std::uint16_t value = get16(block, 2);
  const std::uint16_t index = get16(block, 4);
  const std::uint16_t length = get16(block, 6);
  const std::uint32_t now = nowMs();
  switch (code) {
    case 1:  // clear sensor: flag 0 starts the integration, flag 8 only flushes the register
      if (index == 1) {
        guideStartMs_ = now;
      } else if (value == 0) {
        mainStartMs_ = now;
      }
      break;
    case 2:
    case 3:
      if (index == 1) {
        readGuide(block);
      } else {
        readMain(block, code == 2);
      }
      break;
    case 9:
      guideOutputs_ = static_cast<std::uint8_t>(value & 0xFF);
      if (guideListener_) guideListener_->guideOutputsChanged(guideOutputs_);
      break;
    case 10: {
      const std::size_t n = std::min<std::size_t>(length, block.size() - 8);
      if (index < serialDevices_.size() && serialDevices_[index]) {
        serialDevices_[index]->receive(block.subspan(8, n));
      }
      break;
    }
    case 11: {
      std::vector<std::uint8_t> bytes;
      if (index < serialDevices_.size() && serialDevices_[index]) {
        bytes = serialDevices_[index]->transmit(length);
      }
      bytes.resize(length, 0);  // the port answers the full count, zeros for silence
      std::copy(bytes.begin(), bytes.end(), reply_.begin());
      setReply(length);
      break;
    }
    case 30:
      updateCooler();
      setPointC_ = (static_cast<std::int16_t>(value) - 2730) / 10.0;
      coolerOn_ = index != 0;
      coolerReply();
      break;
    case 31:
      coolerReply();
      break;
    case 255:
      reply_[0] = static_cast<std::uint8_t>(options_.firmwareMinor & 0xFF);
      reply_[1] = static_cast<std::uint8_t>(options_.firmwareMinor >> 8);
      reply_[2] = static_cast<std::uint8_t>(options_.firmwareMajor & 0xFF);
      reply_[3] = static_cast<std::uint8_t>(options_.firmwareMajor >> 8);
      setReply(4);
      break;
    default:
      break;
  }
  return {true, block.size(), 0};
}

port::TransferResult SimulatedCameraHead::read(std::span<std::uint8_t> buffer) {
  if (replyBytes_ == 0) return {false, 0, kTimeoutCode};
  const std::size_t n = std::min(buffer.size(), replyBytes_);
  std::memcpy(buffer.data(), reply_.data(), n);
  replyBytes_ = 0;
  return {true, n, 0};
}

void SimulatedCameraHead::updateCooler() {
  const std::uint32_t now = nowMs();
  const double dt = static_cast<double>(port::msElapsed(coolerUpdatedMs_, now)) / 1000.0;
  coolerUpdatedMs_ = now;
  const double target = coolerOn_
                            ? std::max(setPointC_, options_.ambientC - options_.maxCoolingDeltaC)
                            : options_.ambientC;
  temperature_ = target + (temperature_ - target) * std::exp(-dt / options_.coolingTimeConstantS);
}

double SimulatedCameraHead::temperatureC() {
  updateCooler();
  return temperature_;
}

void SimulatedCameraHead::coolerReply() {
  updateCooler();
  const auto code = static_cast<std::int16_t>(std::lround(temperature_ * 10.0 + 2730.0));
  const auto raw = static_cast<std::uint16_t>(code);
  reply_[0] = static_cast<std::uint8_t>(raw & 0xFF);
  reply_[1] = static_cast<std::uint8_t>(raw >> 8);
  const double power =
      coolerOn_ ? (options_.ambientC - temperature_) / options_.maxCoolingDeltaC * 100.0 : 0.0;
  reply_[2] = static_cast<std::uint8_t>(std::clamp(power, 0.0, 100.0));
  setReply(3);
}

void SimulatedCameraHead::readMain(std::span<const std::uint8_t> block, bool cameraTimed) {
  const int x = static_cast<std::int16_t>(get16(block, 8));
  const int y = static_cast<std::int16_t>(get16(block, 10));
  const int w = get16(block, 12);
  const int h = get16(block, 14);
  const int bx = std::max<int>(1, block.size() > 16 ? block[16] : 1);
  const int by = std::max<int>(1, block.size() > 17 ? block[17] : 1);
  if (cameraTimed) {
    const std::uint32_t ms =
        get16(block, 18) | (static_cast<std::uint32_t>(get16(block, 20)) << 16);
    waitMs(ms);  // the camera times the exposure itself
    lastExposureMs_ = ms;
  } else {
    lastExposureMs_ = port::msElapsed(mainStartMs_, nowMs());
  }
  mainStartMs_ = nowMs();  // reading out starts the next integration

  const int outW = w / bx;
  int outH = h / by;
  if (outW <= 0 || outH <= 0) {
    setReply(0);
    return;
  }
  outH =
      std::min<int>(outH, static_cast<int>(reply_.size() / (2 * static_cast<std::size_t>(outW))));

  // The sensor region the lines reach, clipped to the sensor.
  const int row0 = std::max(0, 2 * y);
  const int row1 = std::min(kSensorRows, 2 * (y + outH * by));
  const int col0 = std::max(0, 2 * floorDiv4(x));
  const int col1 = std::min(kSensorColumns, 2 * floorDiv4(x + outW * bx - 1) + 2);
  const int rw = std::max(0, col1 - col0);
  const int rh = std::max(0, row1 - row0);
  region_.resize(static_cast<std::size_t>(rw) * static_cast<std::size_t>(rh));
  if (rw > 0 && rh > 0) {
    if (pattern_) {
      for (int r = 0; r < rh; ++r) {
        for (int c = 0; c < rw; ++c) {
          region_[static_cast<std::size_t>(r) * rw + c] = pattern_(row0 + r, col0 + c);
        }
      }
    } else {
      sky_.render(mainSensorView(sky_), col0, row0, rw, rh, lastExposureMs_ / 1000.0,
                  temperatureC(), ++frameNumber_, region_.data());
    }
  }
  auto sample = [&](int line, int j) -> std::uint32_t {
    const int cell = floorDiv4(j);
    const int q = j - 4 * cell;
    const int row = 2 * line + kCellRow[q];
    const int column = 2 * cell + kCellColumn[q];
    if (row < row0 || row >= row1 || column < col0 || column >= col1) return 0;
    return region_[static_cast<std::size_t>(row - row0) * rw + (column - col0)];
  };

  std::vector<std::uint32_t> sums(static_cast<std::size_t>(outW));
  std::uint8_t* out = reply_.data();
  for (int l = 0; l < outH; ++l) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int a = 0; a < by; ++a) {
      const int line = y + l * by + a;
      for (int i = 0; i < outW; ++i) {
        std::uint32_t s = 0;
        for (int b = 0; b < bx; ++b)
          s += sample(line, x + i * bx + b);
        sums[static_cast<std::size_t>(i)] += s;
      }
    }
    for (int i = 0; i < outW; ++i) {
      const std::uint32_t v = std::min<std::uint32_t>(sums[static_cast<std::size_t>(i)], 65535u);
      *out++ = static_cast<std::uint8_t>(v & 0xFF);
      *out++ = static_cast<std::uint8_t>(v >> 8);
    }
  }
  setReply(static_cast<std::size_t>(outW) * static_cast<std::size_t>(outH) * 2);
}

SkyView SimulatedCameraHead::guideView() const {
  SkyView view;
  view.originX = sky_.pointingX() + options_.guideOffsetX;
  view.originY = sky_.pointingY() + options_.guideOffsetY;
  view.angle = options_.guideAngle;
  view.scale = options_.guideScale;
  view.shiftX = guideShiftX_;
  view.shiftY = guideShiftY_;
  view.colour = false;
  view.sensorWidth = kGuideColumns;
  view.sensorHeight = kGuideRows;
  return view;
}

void SimulatedCameraHead::readGuide(std::span<const std::uint8_t> block) {
  const int x = static_cast<std::int16_t>(get16(block, 8));
  const int y = static_cast<std::int16_t>(get16(block, 10));
  const int w = get16(block, 12);
  const int h = get16(block, 14);
  const int bx = std::max<int>(1, block.size() > 16 ? block[16] : 1);
  const int by = std::max<int>(1, block.size() > 17 ? block[17] : 1);
  lastGuideExposureMs_ = port::msElapsed(guideStartMs_, nowMs());
  guideStartMs_ = nowMs();
  const int outW = w / bx;
  const int outH = h / by;
  if (outW <= 0 || outH <= 0) {
    setReply(0);
    return;
  }
  const int c0 = std::clamp(x, 0, kGuideColumns);
  const int c1 = std::clamp(x + outW * bx, 0, kGuideColumns);
  const int r0 = std::clamp(y, 0, kGuideRows);
  const int r1 = std::clamp(y + outH * by, 0, kGuideRows);
  const int rw = c1 - c0;
  const int rh = r1 - r0;
  region_.resize(static_cast<std::size_t>(std::max(0, rw)) * std::max(0, rh));
  if (rw > 0 && rh > 0) {
    sky_.render(guideView(), c0, r0, rw, rh, lastGuideExposureMs_ / 1000.0, temperatureC(),
                ++frameNumber_, region_.data());
  }
  std::uint8_t* out = reply_.data();
  for (int l = 0; l < outH; ++l) {
    for (int i = 0; i < outW; ++i) {
      std::uint32_t sum = 0;
      for (int a = 0; a < by; ++a) {
        for (int b = 0; b < bx; ++b) {
          const int row = y + l * by + a;
          const int column = x + i * bx + b;
          if (row >= r0 && row < r1 && column >= c0 && column < c1) {
            sum += region_[static_cast<std::size_t>(row - r0) * rw + (column - c0)];
          }
        }
      }
      *out++ = static_cast<std::uint8_t>(std::min<std::uint32_t>(sum >> 8, 255u));
    }
  }
  setReply(static_cast<std::size_t>(outW) * static_cast<std::size_t>(outH));
}

}  // namespace nvk::sim
