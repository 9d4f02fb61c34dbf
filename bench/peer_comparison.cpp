// The program's hot operations side by side with the established libraries doing the same work
// on the same full 3040 x 2024 16-bit frame, in one run: OpenCV 4 (when the build found it),
// cfitsio and libtiff (when found), and a plain look-up loop. `nvk_bench --ratios` prints the
// table "project / peer" instead of running the google benchmarks; see bench/README.md.
//
// Each round times every operation and its peer three times each, alternately, and keeps the
// fastest of each (other work on a shared machine only ever adds time). The table shows the
// median over the rounds of each side's time and of the per-round ratio, once on one thread
// (by the thread's processor time) and once with both cores (by the wall clock: the program's
// own two-core split against the library's two threads).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "app/program.h"
#include "base/parallel_rows.h"
#include "base/simd.h"
#include "camera/readout.h"
#include "colour/anti_alias.h"
#include "colour/synthesis.h"
#include "files/fits_file.h"
#include "files/tiff_file.h"
#include "image/geometry.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"
#include "process/filters.h"
#include "process/stretch.h"
#include "sky_frame.h"

#ifdef NVK_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#ifdef NVK_BENCH_REFERENCE_LIBS
#include <fitsio.h>
#include <tiffio.h>
#endif

namespace {

using nvk::bench::skyFrame;
namespace fs = std::filesystem;
using nvk::image::kFullHeight;
using nvk::image::kFullWidth;
using nvk::image::kPlaneSamples;
using Samples = std::vector<std::uint16_t>;
using Clock = std::chrono::steady_clock;

double secondsOf(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// On one thread the processor time of this thread is taken (time the thread waits for a core
// while other programs run does not count); with both cores it can only be the wall clock.
double secondsOf(const std::function<void()>& work, int threads) {
  if (threads != 1) return secondsOf(work);
  const double start = threadCpuSeconds();
  work();
  return threadCpuSeconds() - start;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Splits rows [begin, end) between both cores the way the menu commands do.
void onTwoCores(int begin, int end, const std::function<void(int, int)>& rows) {
  nvk::base::runOnTwoCores(
      begin, end, 1, [&rows](long b, long e) { rows(static_cast<int>(b), static_cast<int>(e)); },
      [](int) {});
}

// The frames every operation works on, made once.
struct Frames {
  Samples raw = skyFrame(2);
  std::array<Samples, 3> colour{skyFrame(3), skyFrame(4), skyFrame(5)};
  std::array<Samples, 4> out;
  Samples binned4x8;
  Samples resampled = Samples(1520u * 1012u);
  std::vector<float> resampleScratch = std::vector<float>(nvk::camera::resampleScratchFloats());
  Frames() {
    for (auto& plane : out)
      plane.assign(kPlaneSamples, 0);
    binned4x8 = skyFrame(6);
    binned4x8.resize(static_cast<std::size_t>(nvk::camera::kBinned4x8Width) *
                     nvk::camera::kBinned4x8Height);
  }
};

// A program holding the raw frame, for the file writers and readers; files go to tmpfs when
// the machine has it, so that the disk does not decide the comparison.
struct FileBench {
  nvk::port::VirtualClock clock;
  nvk::port::ScriptedUi ui{&clock};
  std::unique_ptr<nvk::app::Program> program;
  fs::path folder;

  explicit FileBench(const Samples& raw) {
    folder = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
             ("nvk-peer-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    program = std::make_unique<nvk::app::Program>(clock, ui, nvk::base::ProgramPaths(folder));
    program->state.binned = false;
    program->applyGeometry();
    std::copy(raw.begin(), raw.end(), program->planes.RawImage.begin());
    program->settings.padFits = true;
    program->settings.tiff16Bit = true;
    nvk::files::writeFitsFile(*program, folder / "read.fit", {});
  }
  ~FileBench() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

// One row of the table: the program's operation and its peer, each given the thread count
// (1 or 2). `twoThreads` false: the row has no two-thread figure.
struct Comparison {
  std::string operation;
  std::string peer;
  std::function<void(int)> project;
  std::function<void(int)> reference;
  bool twoThreads = true;
};

#ifdef NVK_BENCH_OPENCV
cv::Mat matOf(Samples& samples, int width, int height) {
  return cv::Mat(height, width, CV_16UC1, samples.data());
}
#endif

#ifdef NVK_BENCH_REFERENCE_LIBS
// libtiff writing the program's 16-bit grey TIFF: the frame without its last 4 rows, in strips
// of 202 rows, straight to `path` (truncating a file that is there).
void writeWithLibtiff(const nvk::app::Program& program, const fs::path& path) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kFullWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kFullHeight - 4);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 202);
  const std::uint16_t* raw = program.planes.RawImage.data();
  const tmsize_t strip = tmsize_t{202} * kFullWidth * 2;
  for (int s = 0; s < 10; ++s) {
    TIFFWriteEncodedStrip(tif, static_cast<tstrip_t>(s),
                          const_cast<std::uint16_t*>(raw + std::size_t{202} * s * kFullWidth),
                          strip);
  }
  TIFFClose(tif);
}
#endif

std::vector<Comparison> comparisons(Frames& f, FileBench& files) {
  std::vector<Comparison> table;
  const auto overColourRows = [](int threads, int begin, int end,
                                 const std::function<void(int, int)>& rows) {
    if (threads == 1) {
      rows(begin, end);
    } else {
      nvk::base::forEachRowBand(begin, end, 16, rows, [](int) {});
    }
  };
  const auto overRows = [](int threads, int begin, int end,
                           const std::function<void(int, int)>& rows) {
    if (threads == 1) {
      rows(begin, end);
    } else {
      onTwoCores(begin, end, rows);
    }
  };

#ifdef NVK_BENCH_OPENCV
  const auto setThreads = [](int threads) { cv::setNumThreads(threads); };

  table.push_back(
      {"colour synthesis", "OpenCV Bayer bilinear 16U",
       [&f, overColourRows](int threads) {
         const nvk::colour::SynthesisFrames frames{
             f.raw.data(),    f.out[0].data(), f.out[1].data(), f.out[2].data(),
             f.out[3].data(), kFullWidth,      kFullHeight};
         const auto factors = nvk::colour::colourFactors(false, false);
         const auto phase = nvk::colour::startPhase(false, true);
         overColourRows(threads, 2, nvk::colour::windowRowEnd(kFullHeight), [&](int b, int e) {
           nvk::colour::synthesizeWindowRows(frames, factors, phase, 2, b, e);
         });
       },
       [&f, setThreads](int threads) {
         setThreads(threads);
         static cv::Mat bgr;
         cv::cvtColor(matOf(f.raw, kFullWidth, kFullHeight), bgr, cv::COLOR_BayerGR2BGR);
       }});

  table.push_back({"anti-alias (3 planes)", "3 x medianBlur 5",
                   [&f, overColourRows](int threads) {
                     const nvk::colour::MeanStepPlanes step{f.out[0].data(),    f.out[1].data(),
                                                            f.out[2].data(),    f.colour[0].data(),
                                                            f.colour[1].data(), f.colour[2].data()};
                     overColourRows(threads, 0, kFullHeight, [&](int b, int e) {
                       for (int plane = 0; plane < 3; ++plane)
                         nvk::colour::medianRows(f.colour[plane].data(), f.out[plane].data(),
                                                 kFullWidth, kFullHeight, b, e);
                     });
                     overColourRows(threads, 0, kFullHeight, [&](int b, int e) {
                       nvk::colour::addMeanLowBits(step, static_cast<std::size_t>(b) * kFullWidth,
                                                   static_cast<std::size_t>(e) * kFullWidth);
                     });
                   },
                   [&f, setThreads](int threads) {
                     setThreads(threads);
                     for (int plane = 0; plane < 3; ++plane) {
                       cv::Mat out = matOf(f.out[plane], kFullWidth, kFullHeight);
                       cv::medianBlur(matOf(f.colour[plane], kFullWidth, kFullHeight), out, 5);
                     }
                   }});

  for (const int radius : {1, 2}) {
    table.push_back(
        {"median r" + std::to_string(radius), "medianBlur " + std::to_string(2 * radius + 1),
         [&f, overRows, radius](int threads) {
           overRows(threads, radius, kFullHeight - radius, [&](int b, int e) {
             nvk::process::medianRows({f.raw.data(), f.out[0].data(), kFullWidth, kFullHeight}, b,
                                      e, radius, 6);
           });
         },
         [&f, setThreads, radius](int threads) {
           setThreads(threads);
           cv::Mat out = matOf(f.out[0], kFullWidth, kFullHeight);
           cv::medianBlur(matOf(f.raw, kFullWidth, kFullHeight), out, 2 * radius + 1);
         }});
  }

  // The slowest of the six kernels (by one-thread time, measured here) against the Gaussian.
  const auto kernelRun = [&f, overRows](nvk::process::KernelId id, int threads) {
    const auto& k = nvk::process::kernel(id);
    overRows(threads, k.radius, kFullHeight - k.radius, [&](int b, int e) {
      nvk::process::convolveRows(k, {f.raw.data(), f.out[0].data(), kFullWidth, kFullHeight}, b, e);
    });
  };
  auto slowest = nvk::process::KernelId::LowPass;
  double slowestSeconds = 0;
  for (int id = 0; id < 6; ++id) {
    const auto kernelId = static_cast<nvk::process::KernelId>(id);
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i)
      runs.push_back(secondsOf([&] { kernelRun(kernelId, 1); }));
    if (median(runs) > slowestSeconds) {
      slowestSeconds = median(runs);
      slowest = kernelId;
    }
  }
  table.push_back(
      {"slowest kernel (" + std::string(nvk::process::kernel(slowest).historyLine) + ")",
       "GaussianBlur 5x5", [kernelRun, slowest](int threads) { kernelRun(slowest, threads); },
       [&f, setThreads](int threads) {
         setThreads(threads);
         cv::Mat out = matOf(f.out[0], kFullWidth, kFullHeight);
         cv::GaussianBlur(matOf(f.raw, kFullWidth, kFullHeight), out, cv::Size(5, 5), 0);
       }});
#endif

  {
    // The peer is the same operation written as the plain loop: v := 2 x table[v / 2].
    static nvk::image::StretchTable stretch;
    nvk::process::fillNonLinearTable(stretch, 18.0);
    const auto halves = [](int threads, const std::function<void(int, int)>& rows) {
      if (threads == 1) {
        rows(0, kFullHeight);
      } else {
        onTwoCores(0, kFullHeight, rows);
      }
    };
    table.push_back(
        {"stretch table", "plain LUT loop",
         [&f, halves](int threads) {
           halves(threads, [&f](int b, int e) {
             nvk::process::applyTableToSamples(
                 std::span(f.out[0]).subspan(static_cast<std::size_t>(b) * kFullWidth,
                                             static_cast<std::size_t>(e - b) * kFullWidth),
                 stretch);
           });
         },
         [&f, halves](int threads) {
           halves(threads, [&f](int b, int e) {
             std::uint16_t* s = f.out[1].data();
             for (std::size_t i = static_cast<std::size_t>(b) * kFullWidth;
                  i < static_cast<std::size_t>(e) * kFullWidth; ++i)
               s[i] = static_cast<std::uint16_t>(2 * stretch[s[i] / 2]);
           });
           benchmark::DoNotOptimize(f.out[1].data());
         }});
  }

#ifdef NVK_BENCH_OPENCV
  table.push_back(
      {"4x8 resample", "OpenCV resize linear",
       [&f](int threads) {
         if (threads == 1) {
           nvk::camera::resampleBinned4x8(f.binned4x8.data(), f.resampled.data(),
                                          f.resampleScratch);
           return;
         }
         // Both cores: the upper and the lower half of the output rows, each with its scratch.
         static std::vector<float> lowerScratch(nvk::camera::resampleScratchFloats());
         onTwoCores(0, 1012, [&f](int b, int e) {
           nvk::camera::resampleBinned4x8Rows(f.binned4x8.data(), f.resampled.data(),
                                              b == 0 ? f.resampleScratch : lowerScratch, b, e);
         });
       },
       [&f, setThreads](int threads) {
         setThreads(threads);
         cv::Mat out = matOf(f.resampled, 1520, 1012);
         cv::resize(matOf(f.binned4x8, nvk::camera::kBinned4x8Width, nvk::camera::kBinned4x8Height),
                    out, cv::Size(1520, 1012), 0, 0, cv::INTER_LINEAR);
       }});
#endif

#ifdef NVK_BENCH_REFERENCE_LIBS
  const fs::path folder = files.folder;
  nvk::app::Program& program = *files.program;
  table.push_back(
      {"FITS write", "cfitsio",
       [&program, folder](int) { nvk::files::writeFitsFile(program, folder / "ours.fit", {}); },
       [&program, folder](int) {
         const fs::path path = folder / "cfitsio.fit";
         fs::remove(path);
         fitsfile* file = nullptr;
         int status = 0;
         long axes[2] = {kFullWidth, kFullHeight};
         fits_create_file(&file, path.c_str(), &status);
         fits_create_img(file, USHORT_IMG, 2, axes, &status);
         fits_write_img(file, TUSHORT, 1, static_cast<LONGLONG>(kPlaneSamples),
                        program.planes.RawImage.data(), &status);
         fits_close_file(file, &status);
       },
       false});
  table.push_back({"FITS read", "cfitsio",
                   [&program, folder](int) {
                     const fs::path path = folder / "read.fit";
                     nvk::files::readFits(program, path, nvk::files::fileSize(path));
                   },
                   [folder](int) {
                     static Samples samples(kPlaneSamples);
                     fitsfile* file = nullptr;
                     int status = 0;
                     int anyNull = 0;
                     fits_open_file(&file, (folder / "read.fit").c_str(), READONLY, &status);
                     fits_read_img(file, TUSHORT, 1, static_cast<LONGLONG>(samples.size()), nullptr,
                                   samples.data(), &anyNull, &status);
                     fits_close_file(file, &status);
                   },
                   false});
  // The program replaces a file safely: the new one is written under a temporary name and
  // renamed over the old one only when complete, so a save that fails (a full disk, a pulled
  // cable) keeps the old file. libtiff is given the same guarantee, the same way; the figure of
  // libtiff truncating the old file in place is printed under the table.
  table.push_back(
      {"16-bit TIFF write", "libtiff, same safe replace",
       [&program, folder](int) { nvk::files::writeTiffFile(program, folder / "ours.tif"); },
       [&program, folder](int) {
         const fs::path temporary = folder / ".libtiff.tif.part";
         writeWithLibtiff(program, temporary);
         fs::rename(temporary, folder / "libtiff.tif");
       },
       false});
#else
  (void)files;
#endif
  return table;
}

struct Figures {
  double projectMs = 0;
  double peerMs = 0;
  double ratio = 0;
};

// The medians over `rounds` rounds, each the fastest of three alternate runs of either side.
Figures measure(const Comparison& row, int threads, int rounds) {
  std::vector<double> project, peer, ratio;
  for (int round = 0; round < rounds; ++round) {
    double p = 1e9;
    double q = 1e9;
    for (int i = 0; i < 3; ++i) {
      p = std::min(p, secondsOf([&] { row.project(threads); }, threads));
      q = std::min(q, secondsOf([&] { row.reference(threads); }, threads));
    }
    project.push_back(p);
    peer.push_back(q);
    ratio.push_back(p / q);
  }
  return {median(project) * 1e3, median(peer) * 1e3, median(ratio)};
}

int printRatioTable(int rounds) {
  Frames frames;
  FileBench files(frames.raw);
  const Samples from = skyFrame(1);
  Samples to(kPlaneSamples);
  std::vector<double> copies;
  for (int i = 0; i < 50; ++i) {
    copies.push_back(secondsOf([&] {
      std::memcpy(to.data(), from.data(), kPlaneSamples * 2);
      benchmark::DoNotOptimize(to.data());
    }));
  }
  std::sort(copies.begin(), copies.end());
  std::printf("memcpy of one 3040 x 2024 16-bit frame (12.3 MB): fastest %.2f ms, median %.2f ms\n",
              copies.front() * 1e3, median(copies) * 1e3);
  std::printf("medians of %d rounds; each round the fastest of 3 alternate runs per side\n",
              rounds);
  std::printf("1T: one thread, by its processor time; 2T: both cores, by the wall clock\n\n");
#ifndef NVK_BENCH_OPENCV
  std::printf("(built without OpenCV: its rows are left out)\n");
#endif
  std::printf("%-46s %-28s %9s %9s %7s | %9s %9s %7s\n", "operation", "peer", "1T ms", "peer ms",
              "ratio", "2T ms", "peer ms", "ratio");
  for (const Comparison& row : comparisons(frames, files)) {
    const Figures one = measure(row, 1, rounds);
    std::printf("%-46s %-28s %9.2f %9.2f %7.2f |", row.operation.c_str(), row.peer.c_str(),
                one.projectMs, one.peerMs, one.ratio);
    if (row.twoThreads) {
      const Figures two = measure(row, 2, rounds);
      std::printf(" %9.2f %9.2f %7.2f\n", two.projectMs, two.peerMs, two.ratio);
    } else {
      std::printf(" %9s %9s %7s\n", "-", "-", "-");
    }
    std::fflush(stdout);
  }
#ifdef NVK_BENCH_REFERENCE_LIBS
  // What the safe replacement costs: libtiff truncating the old file in place reuses its pages,
  // where a new file takes fresh ones from the kernel; the old file is lost if that save fails.
  nvk::app::Program& program = *files.program;
  const fs::path folder = files.folder;
  const Figures inPlace =
      measure({"", "", [&](int) { nvk::files::writeTiffFile(program, folder / "ours.tif"); },
               [&](int) { writeWithLibtiff(program, folder / "in-place.tif"); }, false},
              1, rounds);
  std::printf(
      "\n16-bit TIFF write against libtiff truncating the old file in place (which loses "
      "it if the save fails):\n%.2f ms against %.2f ms, ratio %.2f\n",
      inPlace.projectMs, inPlace.peerMs, inPlace.ratio);
#endif
#ifdef NVK_BENCH_OPENCV
  cv::setNumThreads(-1);
#endif
  return 0;
}

}  // namespace

// `nvk_bench --ratios[=rounds]` prints the comparison table (5 rounds unless given, at least 3);
// any other arguments go to google benchmark.
int main(int argc, char** argv) {
  // Our own options are taken out of the list; the rest goes to google benchmark.
  int kept = 1;
  std::optional<int> ratioRounds;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // The program's vector code of a lesser processor on this one: --simd=avx2 or --simd=plain.
    if (arg == "--simd=avx2") {
      nvk::base::setSimdCeiling(nvk::base::SimdLevel::Avx2);
    } else if (arg == "--simd=plain") {
      nvk::base::setSimdCeiling(nvk::base::SimdLevel::Plain);
    } else if (arg == "--ratios" || arg.starts_with("--ratios=")) {
      ratioRounds = arg.size() > 9 ? std::atoi(argv[i] + 9) : 5;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (ratioRounds) return printRatioTable(std::max(*ratioRounds, 3));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
