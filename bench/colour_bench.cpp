// Speed of the colour operations on a full 3040 x 2024 frame, beside a memcpy of the same
// 12.3 MB frame measured in the same run. Each benchmark reports the fastest frame in
// milliseconds ("ms") and as a multiple of the memcpy ("x_memcpy"); the argument is the number
// of threads (1, or 2 as the program runs them). On a loaded machine the wall-clock figures of
// the longer operations suffer most from being preempted, so the one-thread runs also report
// the multiple of the memcpy in processor time ("cpu_x_memcpy").

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/parallel_rows.h"
#include "colour/anti_alias.h"
#include "colour/single_filter.h"
#include "colour/synthesis.h"
#include "image/geometry.h"
#include "sky_frame.h"

namespace {

using nvk::bench::skyFrame;
using nvk::image::kFullHeight;
using nvk::image::kFullWidth;
using nvk::image::kPlaneSamples;
using Clock = std::chrono::steady_clock;
using Samples = std::vector<std::uint16_t>;

struct Timing {
  double wallSeconds = 1e9;
  double cpuSeconds = 1e9;
};

// The fastest of the runs, in wall-clock and in processor time.
template <typename Operation>
void time(Timing& timing, Operation operation) {
  const std::clock_t cpuStart = std::clock();
  const auto start = Clock::now();
  operation();
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  timing.wallSeconds = std::min(timing.wallSeconds, wall);
  timing.cpuSeconds = std::min(timing.cpuSeconds, cpu);
}

const Timing& memcpyTiming() {
  static const Timing timing = [] {
    const Samples from = skyFrame(1);
    Samples to(kPlaneSamples);
    Timing t;
    for (int i = 0; i < 100; ++i) {
      time(t, [&] {
        std::memcpy(to.data(), from.data(), kPlaneSamples * 2);
        benchmark::DoNotOptimize(to.data());
      });
    }
    return t;
  }();
  return timing;
}

template <typename Operation>
void measure(benchmark::State& state, Operation operation) {
  Timing timing;
  for (auto _ : state)
    time(timing, operation);
  state.counters["ms"] = timing.wallSeconds * 1e3;
  state.counters["x_memcpy"] = timing.wallSeconds / memcpyTiming().wallSeconds;
  if (state.range(0) == 1)
    state.counters["cpu_x_memcpy"] = timing.cpuSeconds / memcpyTiming().cpuSeconds;
}

// The row bands on one thread (argument 1) or shared with the worker thread (argument 2).
template <typename Work>
void overRows(const benchmark::State& state, int begin, int end, Work work) {
  if (state.range(0) == 1) {
    work(begin, end);
  } else {
    nvk::base::forEachRowBand(begin, end, 16, work, [](int) {});
  }
}

void BM_ColourMemcpy(benchmark::State& state) {
  const Samples from = skyFrame(1);
  Samples to(kPlaneSamples);
  measure(state, [&] {
    std::memcpy(to.data(), from.data(), kPlaneSamples * 2);
    benchmark::DoNotOptimize(to.data());
  });
}
BENCHMARK(BM_ColourMemcpy)->Arg(1)->Unit(benchmark::kMillisecond);

// The synthesis pass: colour planes and luminance from the raw mosaic.
void BM_ColourSynthesis(benchmark::State& state) {
  const Samples raw = skyFrame(2);
  std::array<Samples, 4> out;
  for (auto& plane : out)
    plane.assign(kPlaneSamples, 0);
  const nvk::colour::SynthesisFrames frames{raw.data(),    out[0].data(), out[1].data(),
                                            out[2].data(), out[3].data(), kFullWidth,
                                            kFullHeight};
  const auto factors = nvk::colour::colourFactors(false, false);
  const auto phase = nvk::colour::startPhase(false, true);
  measure(state, [&] {
    overRows(state, 2, nvk::colour::windowRowEnd(kFullHeight), [&](int b, int e) {
      nvk::colour::synthesizeWindowRows(frames, factors, phase, 2, b, e);
    });
    benchmark::DoNotOptimize(out[3].data());
  });
}
BENCHMARK(BM_ColourSynthesis)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The anti-alias: three 5 x 5 medians and the mean step.
void BM_ColourAntiAlias(benchmark::State& state) {
  std::array<Samples, 3> colour{skyFrame(3), skyFrame(4), skyFrame(5)};
  std::array<Samples, 3> median;
  for (auto& plane : median)
    plane.assign(kPlaneSamples, 0);
  const nvk::colour::MeanStepPlanes step{median[0].data(), median[1].data(), median[2].data(),
                                         colour[0].data(), colour[1].data(), colour[2].data()};
  measure(state, [&] {
    overRows(state, 0, kFullHeight, [&](int b, int e) {
      for (int plane = 0; plane < 3; ++plane)
        nvk::colour::medianRows(colour[plane].data(), median[plane].data(), kFullWidth, kFullHeight,
                                b, e);
    });
    overRows(state, 0, kFullHeight, [&](int b, int e) {
      nvk::colour::addMeanLowBits(step, static_cast<std::size_t>(b) * kFullWidth,
                                  static_cast<std::size_t>(e) * kFullWidth);
    });
    benchmark::DoNotOptimize(colour[0].data());
  });
}
BENCHMARK(BM_ColourAntiAlias)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The single-filter image (site 4, both passes) on one thread.
void BM_ColourSingleFilter(benchmark::State& state) {
  const Samples raw = skyFrame(6);
  Samples frame = raw;
  const auto& site = nvk::colour::matrixSite(4);
  measure(state, [&] {
    nvk::colour::buildSingleFilterRows(frame.data(), kFullWidth, 0, kFullHeight, site);
    nvk::colour::buildSingleFilterBetweenRows(frame.data(), kFullWidth, 1, kFullHeight - 1, site);
    benchmark::DoNotOptimize(frame.data());
  });
}
BENCHMARK(BM_ColourSingleFilter)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
