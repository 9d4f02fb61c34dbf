// Speed of the image files on a full 3040 x 2024 frame (12.3 MB a plane): our FITS write and
// read, raw save and load and 16-bit TIFF write, on tmpfs (/dev/shm) and on the disk of the
// temporary folder, beside a memcpy of the same frame in the same run and, when the build has
// them, cfitsio and libtiff doing the same work. Each reports ms a file and "x_memcpy", and the
// same by processor time of the program ("cpu_ms", "x_memcpy_cpu", the kernel's share of the
// file transfers included), which a busy shared machine disturbs less than the wall clock.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/program.h"
#include "files/fits_file.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "files/tiff_file.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"

#ifdef NVK_BENCH_REFERENCE_LIBS
#include <fitsio.h>
#include <tiffio.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Bench {
  nvk::port::VirtualClock clock;
  nvk::port::ScriptedUi ui{&clock};
  std::unique_ptr<nvk::app::Program> program;
  fs::path shm;
  fs::path disk;
  double memcpyMs = 0.0;
  double memcpyCpuMs = 0.0;

  Bench() {
    const fs::path root = fs::temp_directory_path() / "nvk-files-bench";
    fs::create_directories(root);
    program = std::make_unique<nvk::app::Program>(clock, ui, nvk::base::ProgramPaths(root));
    program->state.binned = false;
    program->applyGeometry();
    std::uint32_t s = 1;
    for (auto& v : program->planes.RawImage) {
      s = s * 1664525u + 1013904223u;
      v = static_cast<std::uint16_t>(s >> 16);
    }
    program->settings.padFits = true;
    program->settings.tiff16Bit = true;
    disk = root;
    shm = fs::exists("/dev/shm") ? fs::path("/dev/shm") / "nvk-files-bench" : root;
    fs::create_directories(shm);
  }
  ~Bench() {
    std::error_code ec;
    fs::remove_all(disk, ec);
    fs::remove_all(shm, ec);
  }
  const fs::path& folder(bool onShm) const { return onShm ? shm : disk; }
};

Bench& bench() {
  static Bench b;
  return b;
}

double cpuMs() {
  return 1e3 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Runs `body` per iteration, timing each by the wall clock and by processor time, and reports
// the fastest of each ("ms", "cpu_ms") and their ratios to the memcpy's.
template <typename Body>
void timed(benchmark::State& state, Body body) {
  double best = 1e30;
  double bestCpu = 1e30;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const double cpu0 = cpuMs();
    body();
    bestCpu = std::min(bestCpu, cpuMs() - cpu0);
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  state.counters["ms"] = best;
  state.counters["cpu_ms"] = bestCpu;
  if (bench().memcpyMs > 0) state.counters["x_memcpy"] = best / bench().memcpyMs;
  if (bench().memcpyCpuMs > 0) state.counters["x_memcpy_cpu"] = bestCpu / bench().memcpyCpuMs;
}

void BM_FrameMemcpy(benchmark::State& state) {
  std::vector<std::uint16_t> to(nvk::image::kPlaneSamples);
  const auto& from = bench().program->planes.RawImage;
  timed(state, [&] {
    std::memcpy(to.data(), from.data(), nvk::image::kPlaneBytes);
    benchmark::DoNotOptimize(to.data());
  });
  bench().memcpyMs = state.counters["ms"];
  bench().memcpyCpuMs = state.counters["cpu_ms"];
}
BENCHMARK(BM_FrameMemcpy)->Iterations(50);

void BM_OurFitsWrite(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "w.fit";
  timed(state, [&] { nvk::files::writeFitsFile(*b.program, path, {}); });
}
BENCHMARK(BM_OurFitsWrite)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

void BM_OurFitsRead(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "r.fit";
  nvk::files::writeFitsFile(*b.program, path, {});
  const auto size = nvk::files::fileSize(path);
  timed(state, [&] { nvk::files::readFits(*b.program, path, size); });
}
BENCHMARK(BM_OurFitsRead)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

void BM_OurRawSave(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "w.raw";
  timed(state, [&] { nvk::files::saveRawFile(*b.program, path); });
}
BENCHMARK(BM_OurRawSave)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

void BM_OurRawLoad(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "r.raw";
  nvk::files::saveRawFile(*b.program, path);
  timed(state, [&] { nvk::files::openImageFile(*b.program, path); });
}
BENCHMARK(BM_OurRawLoad)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

void BM_OurTiff16Write(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "w.tif";
  timed(state, [&] { nvk::files::writeTiffFile(*b.program, path); });
}
BENCHMARK(BM_OurTiff16Write)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

#ifdef NVK_BENCH_REFERENCE_LIBS
void BM_CfitsioWrite(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "c.fit";
  timed(state, [&] {
    fs::remove(path);
    fitsfile* f = nullptr;
    int status = 0;
    long axes[2] = {nvk::image::kFullWidth, nvk::image::kFullHeight};
    fits_create_file(&f, path.c_str(), &status);
    fits_create_img(f, USHORT_IMG, 2, axes, &status);
    fits_write_img(f, TUSHORT, 1, static_cast<LONGLONG>(nvk::image::kPlaneSamples),
                   b.program->planes.RawImage.data(), &status);
    fits_close_file(f, &status);
  });
}
BENCHMARK(BM_CfitsioWrite)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

void BM_CfitsioRead(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "r.fit";
  nvk::files::writeFitsFile(*b.program, path, {});
  std::vector<unsigned short> samples(nvk::image::kPlaneSamples);
  timed(state, [&] {
    fitsfile* f = nullptr;
    int status = 0;
    int anyNull = 0;
    fits_open_file(&f, path.c_str(), READONLY, &status);
    fits_read_img(f, TUSHORT, 1, static_cast<LONGLONG>(samples.size()), nullptr, samples.data(),
                  &anyNull, &status);
    fits_close_file(f, &status);
  });
}
BENCHMARK(BM_CfitsioRead)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);

void BM_LibtiffGrey16Write(benchmark::State& state) {
  auto& b = bench();
  const auto path = b.folder(state.range(0) != 0) / "l.tif";
  timed(state, [&] {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, nvk::image::kFullWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, nvk::image::kFullHeight - 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 202);
    const auto* raw = b.program->planes.RawImage.data();
    const tmsize_t strip = 202 * nvk::image::kFullWidth * 2;
    for (int s = 0; s < 10; ++s) {
      TIFFWriteEncodedStrip(tif, static_cast<tstrip_t>(s),
                            const_cast<std::uint16_t*>(raw + s * 202 * nvk::image::kFullWidth),
                            strip);
    }
    TIFFClose(tif);
  });
}
BENCHMARK(BM_LibtiffGrey16Write)->ArgName("shm")->Arg(1)->Arg(0)->Iterations(20);
#endif

}  // namespace
