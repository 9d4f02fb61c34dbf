// Speed of the image-processing operations on a full 3040 x 2024 frame, each beside a memcpy of
// the same 12.3 MB frame measured in the same run. Every benchmark reports its time per frame
// in milliseconds ("ms", the fastest of the runs) and as a multiple of the memcpy ("x_memcpy").

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "image/geometry.h"
#include "process/filters.h"
#include "process/stretch.h"

namespace {

using nvk::image::kFullHeight;
using nvk::image::kFullWidth;
using nvk::image::kPlaneSamples;
using Clock = std::chrono::steady_clock;

std::vector<std::uint16_t> skyFrame() {
  std::vector<std::uint16_t> frame(kPlaneSamples);
  std::mt19937 rng(1);
  std::normal_distribution<double> noise(2000.0, 300.0);
  for (auto& v : frame)
    v = static_cast<std::uint16_t>(std::clamp(noise(rng), 0.0, 65535.0));
  std::uniform_int_distribution<std::size_t> where(0, kPlaneSamples - 1);
  for (int star = 0; star < 3000; ++star)
    frame[where(rng)] = 60000;
  return frame;
}

const std::vector<std::uint16_t>& source() {
  static const std::vector<std::uint16_t> frame = skyFrame();
  return frame;
}

double secondsOf(const auto& operation, int repeats) {
  const auto start = Clock::now();
  for (int i = 0; i < repeats; ++i)
    operation();
  return std::chrono::duration<double>(Clock::now() - start).count() / repeats;
}

double memcpySeconds() {
  static const double seconds = [] {
    std::vector<std::uint16_t> to(kPlaneSamples);
    const auto copy = [&] {
      std::memcpy(to.data(), source().data(), kPlaneSamples * 2);
      benchmark::DoNotOptimize(to.data());
    };
    copy();
    double best = 1e9;
    for (int i = 0; i < 20; ++i)
      best = std::min(best, secondsOf(copy, 5));
    return best;
  }();
  return seconds;
}

// Runs `operation` on fresh copies of the frame and reports ms and the multiple of memcpy.
template <typename Operation>
void measure(benchmark::State& state, Operation operation) {
  std::vector<std::uint16_t> in = source();
  std::vector<std::uint16_t> out = source();
  // The fastest frame: the machine is shared, and other work only ever adds time.
  double seconds = 1e9;
  for (auto _ : state) {
    const auto start = Clock::now();
    operation(in.data(), out.data());
    seconds = std::min(seconds, std::chrono::duration<double>(Clock::now() - start).count());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["ms"] = seconds * 1e3;
  state.counters["x_memcpy"] = seconds / memcpySeconds();
}

void BM_Memcpy(benchmark::State& state) {
  measure(state, [](const std::uint16_t* in, std::uint16_t* out) {
    std::memcpy(out, in, kPlaneSamples * 2);
  });
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_StretchTable(benchmark::State& state) {
  nvk::process::StretchTable table;
  nvk::process::fillNonLinearTable(table, 18.0);
  measure(state, [&table](const std::uint16_t*, std::uint16_t* out) {
    nvk::process::applyTableToSamples({out, kPlaneSamples}, table);
  });
}
BENCHMARK(BM_StretchTable)->Unit(benchmark::kMillisecond);

void BM_KernelFilter(benchmark::State& state) {
  const auto& k = nvk::process::kernel(static_cast<nvk::process::KernelId>(state.range(0)));
  state.SetLabel(std::string(k.historyLine));
  measure(state, [&k](const std::uint16_t* in, std::uint16_t* out) {
    nvk::process::convolveRows(k, {in, out, kFullWidth, kFullHeight}, k.radius,
                               kFullHeight - k.radius);
  });
}
BENCHMARK(BM_KernelFilter)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_UnsharpMask(benchmark::State& state) {
  const int radius = static_cast<int>(state.range(0));
  measure(state, [radius](const std::uint16_t* in, std::uint16_t* out) {
    nvk::process::unsharpRows({in, out, kFullWidth, kFullHeight}, radius, kFullHeight - radius,
                              radius, 2);
  });
}
BENCHMARK(BM_UnsharpMask)->DenseRange(1, 7, 3)->Unit(benchmark::kMillisecond);

void BM_MedianFilter(benchmark::State& state) {
  const int radius = static_cast<int>(state.range(0));
  measure(state, [radius](const std::uint16_t* in, std::uint16_t* out) {
    nvk::process::medianRows({in, out, kFullWidth, kFullHeight}, radius, kFullHeight - radius,
                             radius, 6);
  });
}
BENCHMARK(BM_MedianFilter)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

}  // namespace
