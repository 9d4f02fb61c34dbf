// The camera's hot paths on full frames: decoding a high-resolution readout (line copies and
// the 2 x 2 unscrambling) beside a memcpy of the same frame, the binned 4x8 resampling, and the
// simulator rendering a whole frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "camera/readout.h"
#include "port/virtual_clock.h"
#include "sim/camera_head.h"

namespace {

using nvk::camera::kFrameLines;
using nvk::camera::kLineSamples;

constexpr std::size_t kLinesSamples = std::size_t{kLineSamples} * kFrameLines;  // 6,112,512
constexpr std::size_t kImageSamples = 3040u * 2024u;

std::vector<std::uint16_t> randomSamples(std::size_t n) {
  std::mt19937 random(42);
  std::vector<std::uint16_t> v(n);
  for (auto& s : v)
    s = static_cast<std::uint16_t>(random());
  return v;
}

void BM_MemcpyHighResolutionFrame(benchmark::State& state) {
  const auto lines = randomSamples(kLinesSamples);
  std::vector<std::uint16_t> image(kImageSamples);
  for (auto _ : state) {
    std::memcpy(image.data(), lines.data(), kLinesSamples * 2);
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLinesSamples * 2);
}
BENCHMARK(BM_MemcpyHighResolutionFrame)->Unit(benchmark::kMillisecond);

// What mode 1 does: the readout's line copies and the unscrambling, in one pass.
void BM_HighResolutionDecode(benchmark::State& state) {
  const auto lines = randomSamples(kLinesSamples);
  std::vector<std::uint16_t> image(kImageSamples);
  for (auto _ : state) {
    nvk::camera::decodeHighResolution(lines.data(), image.data());
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLinesSamples * 2);
}
BENCHMARK(BM_HighResolutionDecode)->Unit(benchmark::kMillisecond);

// The same in two passes: line copies at the 6080-sample stride, then unscrambling in place.
void BM_HighResolutionLineCopiesThenUnscramble(benchmark::State& state) {
  const auto lines = randomSamples(kLinesSamples);
  std::vector<std::uint16_t> image(kImageSamples);
  for (auto _ : state) {
    nvk::camera::copyLines(lines.data(), kLineSamples, kFrameLines, image.data(),
                           nvk::camera::kHighResLineStride);
    nvk::camera::unscrambleCellsInPlace(image.data(), 3040, 2024);
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLinesSamples * 2);
}
BENCHMARK(BM_HighResolutionLineCopiesThenUnscramble)->Unit(benchmark::kMillisecond);

// 758 x 252 resampled to 1520 x 1012.
void BM_Binned4x8Resample(benchmark::State& state) {
  const auto in = randomSamples(758u * 252u);
  std::vector<std::uint16_t> out(1520u * 1012u);
  std::vector<float> scratch(nvk::camera::resampleScratchFloats());
  for (auto _ : state) {
    nvk::camera::resampleBinned4x8(in.data(), out.data(), scratch);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * out.size() * 2);
}
BENCHMARK(BM_Binned4x8Resample)->Unit(benchmark::kMillisecond);

// The simulated head answering a full high-resolution readout of the sky.
void BM_SimulatorFullFrame(benchmark::State& state) {
  nvk::port::VirtualClock clock;
  nvk::sim::Sky sky;
  nvk::sim::SimulatedCameraHead head(sky, clock);
  const std::uint8_t block[18] = {0x40, 3, 3, 0,    0,    0,    10,   0, 0,
                                  0,    0, 0, 0xB0, 0x17, 0xF0, 0x03, 1, 1};
  std::vector<std::uint8_t> frame(12'225'024);
  for (auto _ : state) {
    clock.advanceMs(1000);
    head.write(block);
    benchmark::DoNotOptimize(head.read(frame));
  }
}
BENCHMARK(BM_SimulatorFullFrame)->Unit(benchmark::kMillisecond);

}  // namespace
