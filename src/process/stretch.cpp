#include "process/stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/parallel_rows.h"
#include "process/filters.h"
#include "process/frame.h"
#include "process/undo.h"

namespace nvk::process {
namespace {

constexpr int kTableMax = image::kStretchTableSize - 1;  // 32767
constexpr int kStretchParts = 20;
constexpr int kStretchProgressStep = 12;

std::uint16_t limitEntry(double value) {
  return value > kTableMax ? std::uint16_t{kTableMax} : static_cast<std::uint16_t>(value);
}

// Table entries from `black` upward rise by `factor` per step, limited to 32767; below it 0.
void fillLinearFrom(image::StretchTable& table, int black, int whiteEnd, double factor) {
  for (int i = 0; i < image::kStretchTableSize; ++i) {
    if (i < black) {
      table[i] = 0;
    } else if (i < whiteEnd) {
      table[i] = limitEntry((i - black) * factor);
    } else {
      table[i] = kTableMax;
    }
  }
}

void addHistory(Program& program, const std::string& line) {
  program.history.add(line);
}

}  // namespace

void fillNormalTable(image::StretchTable& table, int black, int white) {
  const int b = black * 128;
  const int w = white * 128;
  const double k = 255.0 / (white - black);
  fillLinearFrom(table, b, std::min(w, image::kStretchTableSize), k);
}

void fillPowerTable(image::StretchTable& table, int powerTenths) {
  const double p = powerTenths / 10.0;
  const double s = 1.0 / std::pow(32768.0, p - 1.0);
  for (int i = 0; i < image::kStretchTableSize; ++i)
    table[i] = limitEntry(std::pow(i, p) * s);
}

void fillSineTable(image::StretchTable& table) {
  for (int i = 0; i < image::kStretchTableSize; ++i) {
    table[i] = static_cast<std::uint16_t>((std::sin((i - 16384) / 10432.0) + 1.0) * 16383.0);
  }
}

void fillLogTable(image::StretchTable& table) {
  for (int i = 0; i < image::kStretchTableSize; ++i) {
    table[i] = static_cast<std::uint16_t>(std::log(i + 1.0) * 3151.0);
  }
}

void fillAntilogTable(image::StretchTable& table) {
  for (int i = 0; i < image::kStretchTableSize; ++i)
    table[i] = limitEntry(std::exp(i / 3151.0) - 1.0);
}

void fillInvertTable(image::StretchTable& table) {
  for (int i = 0; i < image::kStretchTableSize; ++i)
    table[i] = static_cast<std::uint16_t>(kTableMax - i);
}

void fillNonLinearTable(image::StretchTable& table, double power) {
  for (int i = 0; i < image::kStretchTableSize; ++i) {
    const double x = i / 32768.0;
    table[i] = limitEntry(power * 32768.0 * x / (x * (power - 1.0) + 1.0));
  }
}

int fillRemoveBackgroundTable(image::StretchTable& table, int mode) {
  const int black = static_cast<std::int16_t>(mode * 128 - 256);
  fillLinearFrom(table, black, image::kStretchTableSize, 255.0 / (257 - mode));
  return black;
}

namespace {

// The table indexed by the whole sample, holding 2 x table[v / 2] (128 KB, stays in cache), so
// that each sample costs one look-up.
std::vector<std::uint16_t> sampleTable(const image::StretchTable& table) {
  std::vector<std::uint16_t> full(65536);
  for (int v = 0; v < 65536; ++v)
    full[v] = static_cast<std::uint16_t>(2 * table[v >> 1]);
  return full;
}

void lookUp(std::span<std::uint16_t> samples, const std::uint16_t* lut) {
  std::uint16_t* p = samples.data();
  const std::size_t n = samples.size();
  for (std::size_t i = 0; i < n; ++i)
    p[i] = lut[p[i]];
}

}  // namespace

void applyTableToSamples(std::span<std::uint16_t> samples, const image::StretchTable& table) {
  lookUp(samples, sampleTable(table).data());
}

void applyStretchTable(Program& program, bool redraw) {
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  ui.openProgress("CONTRAST STRETCH");
  takeUndoCopy(program);

  const image::Plane raw = program.planes.RawImage;
  const std::size_t band = std::size_t{kLabelRows} * program.geometry.width;
  const std::size_t total = program.geometry.pixelCount;
  const std::vector<std::uint16_t> table = sampleTable(program.processing.stretchTable);
  const std::uint16_t* lut = table.data();
  if (!isLabelledFrame(program)) lookUp(raw.subspan(0, band), lut);

  base::runOnTwoCores(
      static_cast<long>(band), static_cast<long>(total), kStretchParts,
      [raw, lut](long b, long e) {
        lookUp(raw.subspan(static_cast<std::size_t>(b), static_cast<std::size_t>(e - b)), lut);
      },
      [&ui](int i) {
        ui.setProgress(i * kStretchProgressStep);
        ui.pump();
      });
  ui.closeProgress();
  if (redraw) ui.requestRedraw();
  ui.setBusyCursor(false);
}

image::BackgroundEstimate estimateBackground(std::span<const std::uint16_t> frame,
                                             const image::ImageGeometry& geometry) {
  image::BackgroundEstimate estimate;
  const std::size_t tenRows = std::size_t{10} * geometry.width;
  const std::size_t blocks = geometry.width == image::kFullWidth ? 19 : 9;
  const std::size_t begin = tenRows / 2;
  const std::size_t end = std::min(begin + blocks * tenRows, frame.size());
  for (std::size_t i = begin; i < end; ++i)
    ++estimate.counts[frame[i] >> 8];
  // The first bin with the largest count.
  estimate.mode = static_cast<int>(
      std::max_element(estimate.counts.begin(), estimate.counts.end()) - estimate.counts.begin());
  return estimate;
}

void EstimateBackground(Program& program) {
  program.processing.background = estimateBackground(program.planes.RawImage, program.geometry);
}

bool NormalStretch(Program& program, int black, int white) {
  if (black >= white) return false;
  fillNormalTable(program.processing.stretchTable, black, white);
  applyStretchTable(program, true);
  addHistory(program, "Normal Stretch : max " + std::to_string(2 * white) +
                          " , min : " + std::to_string(2 * black));
  return true;
}

bool PowerLawStretch(Program& program, int powerTenths) {
  if (powerTenths == 10) return false;
  fillPowerTable(program.processing.stretchTable, powerTenths);
  applyStretchTable(program, true);
  char line[40];
  std::snprintf(line, sizeof line, "Power Stretch :  %1.1f", powerTenths / 10.0);
  addHistory(program, line);
  return true;
}

void SineStretch(Program& program) {
  fillSineTable(program.processing.stretchTable);
  applyStretchTable(program, true);
  addHistory(program, "Sine Stretch");
}

void LogStretch(Program& program) {
  fillLogTable(program.processing.stretchTable);
  applyStretchTable(program, true);
  addHistory(program, "Log Stretch");
}

void AntilogStretch(Program& program) {
  fillAntilogTable(program.processing.stretchTable);
  applyStretchTable(program, true);
  addHistory(program, "Antilog Stretch");
}

void InvertImage(Program& program) {
  fillInvertTable(program.processing.stretchTable);
  applyStretchTable(program, true);
  addHistory(program, "Invert Image to Negative");
}

void NonLinearStretch(Program& program, int power) {
  fillNonLinearTable(program.processing.stretchTable, power);
  applyStretchTable(program, true);
  addHistory(program, "Non-Linear Stretch : power " + std::to_string(power));
}

bool RemoveBackground(Program& program, bool apply) {
  const int mode = program.processing.background.mode;
  if (mode <= 2) return false;
  const int black = fillRemoveBackgroundTable(program.processing.stretchTable, mode);
  program.processing.normalStretchBlack = black;
  if (apply) applyStretchTable(program, true);
  addHistory(program, "Background Removed : min " + std::to_string(black / 64));
  return true;
}

void autoProcessQuiet(Program& program) {
  const settings::Settings& s = program.settings;
  const auto autoStretch = [&program, &s](double power) {
    EstimateBackground(program);
    if (s.autoRemoveBackground && RemoveBackground(program, false)) {
      applyStretchTable(program, false);
    }
    fillNonLinearTable(program.processing.stretchTable, power);
    applyStretchTable(program, false);
  };
  if (s.autoWeakStretch) autoStretch(2.0);
  if (s.autoStrongStretch) autoStretch(18.0);
  if (s.autoUserStretch) autoStretch(s.userStretchPower);
  if (s.autoHighPassLowPower) {
    KernelFilter(program, kernel(KernelId::HighPassLowPower), false);
    program.history.add(kernel(KernelId::HighPassLowPower).historyLine);
  }
  if (s.autoUnsharpMask) AutoUnsharpMask(program);
}

void AutoProcess(Program& program) {
  autoProcessQuiet(program);
  program.ui().requestRedraw();
}

}  // namespace nvk::process
