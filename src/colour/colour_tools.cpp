#include "colour/colour_tools.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/messages.h"
#include "colour/colour_tools_dialogs.h"

namespace nvk::colour {
namespace {

constexpr int kLevelToSample = 257;  // display level 255 is sample 65535

std::uint16_t limit(std::int64_t v) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 65535));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

std::size_t sampleCount(const RgbPlanes& p) {
  return static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
}

std::vector<std::uint16_t> balanceTable(int start, int minimum, int maximum) {
  std::vector<std::uint16_t> table(65536);
  const std::int64_t offset = std::int64_t(start - minimum) * kLevelToSample;
  const std::int64_t range = std::int64_t(maximum - minimum) * kLevelToSample;
  for (std::int64_t v = 0; v < 65536; ++v) {
    const std::int64_t shifted = std::max<std::int64_t>(0, v + offset);
    table[static_cast<std::size_t>(v)] = limit(shifted * 65535 / range);
  }
  return table;
}

// One bilinear resampling of `source` into `target`, shifted by (sx, sy) pixels.
void shiftPlane(std::span<const std::uint16_t> source, std::span<std::uint16_t> target, int width,
                int height, double sx, double sy) {
  const std::int64_t shiftX = std::lround(sx * 256.0);
  const std::int64_t shiftY = std::lround(sy * 256.0);
  const auto at = [&](std::int64_t x, std::int64_t y) -> std::uint64_t {
    x = std::clamp<std::int64_t>(x, 0, width - 1);
    y = std::clamp<std::int64_t>(y, 0, height - 1);
    return source[static_cast<std::size_t>(y * width + x)];
  };
  for (int y = 0; y < height; ++y) {
    const std::int64_t v = std::int64_t(y) * 256 - shiftY;
    const std::int64_t iy = floorDiv(v, 256);
    const std::uint64_t fy = static_cast<std::uint64_t>(v - iy * 256);
    for (int x = 0; x < width; ++x) {
      const std::int64_t u = std::int64_t(x) * 256 - shiftX;
      const std::int64_t ix = floorDiv(u, 256);
      const std::uint64_t fx = static_cast<std::uint64_t>(u - ix * 256);
      const std::uint64_t top = at(ix, iy) * (256 - fx) + at(ix + 1, iy) * fx;
      const std::uint64_t bottom = at(ix, iy + 1) * (256 - fx) + at(ix + 1, iy + 1) * fx;
      target[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(x)] =
          static_cast<std::uint16_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
    }
  }
}

// The value at rank `rank` (0 = smallest) of a plane's histogram.
int valueAtRank(const std::vector<std::uint32_t>& histogram, std::uint64_t rank) {
  std::uint64_t seen = 0;
  for (int v = 0; v < 65536; ++v) {
    seen += histogram[static_cast<std::size_t>(v)];
    if (seen > rank) return v;
  }
  return 65535;
}

template <typename Work>
bool runColourTool(Program& program, std::string_view caption, std::string_view history,
                   Work work) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::NotColourConverted);
    return false;
  }
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  ui.openProgress(caption);
  takeColourUndoCopy(program);
  work(colourPlanes(program));
  ui.setProgress(256);
  ui.closeProgress();
  ui.setBusyCursor(false);
  program.history.add(history);
  ui.requestRedraw();
  return true;
}

std::span<std::uint16_t> scratchPlane(Program& program, int index) {
  return std::span<std::uint16_t>(program.planes.RgbOutputImage[index].data(),
                                  program.geometry.pixelCount);
}

}  // namespace

bool ColourBalance::valid() const {
  for (int c = 0; c < 3; ++c) {
    const auto i = static_cast<std::size_t>(c);
    if (start[i] < -kStartLimit || start[i] > kStartLimit) return false;
    if (minimum[i] < 0 || maximum[i] > 255 || minimum[i] >= maximum[i]) return false;
  }
  return saturation >= 0.0 && saturation <= kMaxSaturation;
}

bool ChromatismShift::valid() const {
  for (const double v : {redX, redY, blueX, blueY})
    if (!(v >= -kLimit && v <= kLimit)) return false;
  return true;
}

void applyColourBalance(const RgbPlanes& planes, const ColourBalance& balance) {
  const std::size_t n = sampleCount(planes);
  const std::array<std::span<std::uint16_t>, 3> channels{planes.red, planes.green, planes.blue};
  for (std::size_t c = 0; c < 3; ++c) {
    const auto table = balanceTable(balance.start[c], balance.minimum[c], balance.maximum[c]);
    for (std::size_t i = 0; i < n; ++i)
      channels[c][i] = table[channels[c][i]];
  }
  if (balance.saturation == 1.0) return;
  for (std::size_t i = 0; i < n; ++i) {
    const double grey = (double(planes.red[i]) + planes.green[i] + planes.blue[i]) / 3.0;
    for (const auto& channel : channels)
      channel[i] = limit(std::llround(grey + (channel[i] - grey) * balance.saturation));
  }
}

void applyChromatism(const RgbPlanes& planes, const ChromatismShift& shift,
                     std::span<std::uint16_t> scratch) {
  const std::size_t n = sampleCount(planes);
  const auto one = [&](std::span<std::uint16_t> plane, double sx, double sy) {
    if (sx == 0.0 && sy == 0.0) return;
    std::copy_n(plane.begin(), n, scratch.begin());
    shiftPlane(scratch, plane, planes.width, planes.height, sx, sy);
  };
  one(planes.red, shift.redX, shift.redY);
  one(planes.blue, shift.blueX, shift.blueY);
}

void applyOverloadSmoothing(const RgbPlanes& planes, int level, std::span<std::uint16_t> mask) {
  const int w = planes.width, h = planes.height;
  const std::size_t n = sampleCount(planes);
  for (std::size_t i = 0; i < n; ++i) {
    mask[i] = planes.red[i] >= level || planes.green[i] >= level || planes.blue[i] >= level;
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      if (mask[i]) {
        const std::uint16_t top = std::max({planes.red[i], planes.green[i], planes.blue[i]});
        planes.red[i] = planes.green[i] = planes.blue[i] = top;
        continue;
      }
      bool touches = false;
      for (int dy = -1; dy <= 1 && !touches; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          if (mask[static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) +
                   static_cast<std::size_t>(nx)]) {
            touches = true;
            break;
          }
        }
      }
      if (!touches) continue;
      const std::uint32_t grey =
          (std::uint32_t(planes.red[i]) + planes.green[i] + planes.blue[i]) / 3;
      planes.red[i] = static_cast<std::uint16_t>((planes.red[i] + grey) / 2);
      planes.green[i] = static_cast<std::uint16_t>((planes.green[i] + grey) / 2);
      planes.blue[i] = static_cast<std::uint16_t>((planes.blue[i] + grey) / 2);
    }
  }
}

void applyLowPassColour(const RgbPlanes& planes, int radius,
                        const std::array<std::span<std::uint16_t>, 3>& copies) {
  const int w = planes.width, h = planes.height;
  const std::size_t n = sampleCount(planes);
  std::copy_n(planes.red.begin(), n, copies[0].begin());
  std::copy_n(planes.green.begin(), n, copies[1].begin());
  std::copy_n(planes.blue.begin(), n, copies[2].begin());
  const auto index = [w](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
  };
  const auto differences = [&](std::size_t i) {
    const std::int64_t s = std::int64_t(copies[0][i]) + copies[1][i] + copies[2][i];
    return std::array<std::int64_t, 3>{3 * std::int64_t(copies[0][i]) - s,
                                       3 * std::int64_t(copies[2][i]) - s, s};
  };
  // Column sums of cr and cb over the rows of the window about the current row.
  std::vector<std::int64_t> columnRed(static_cast<std::size_t>(w), 0);
  std::vector<std::int64_t> columnBlue(static_cast<std::size_t>(w), 0);
  const auto addRow = [&](int y, int sign) {
    for (int x = 0; x < w; ++x) {
      const auto d = differences(index(x, y));
      columnRed[static_cast<std::size_t>(x)] += sign * d[0];
      columnBlue[static_cast<std::size_t>(x)] += sign * d[1];
    }
  };
  for (int y = 0; y <= std::min(radius, h - 1); ++y)
    addRow(y, +1);
  for (int y = 0; y < h; ++y) {
    if (y > 0) {
      if (y + radius < h) addRow(y + radius, +1);
      if (y - radius - 1 >= 0) addRow(y - radius - 1, -1);
    }
    const std::int64_t rows = std::min(h - 1, y + radius) - std::max(0, y - radius) + 1;
    std::int64_t sumRed = 0, sumBlue = 0;
    for (int x = 0; x <= std::min(radius, w - 1); ++x) {
      sumRed += columnRed[static_cast<std::size_t>(x)];
      sumBlue += columnBlue[static_cast<std::size_t>(x)];
    }
    for (int x = 0; x < w; ++x) {
      if (x > 0) {
        if (x + radius < w) {
          sumRed += columnRed[static_cast<std::size_t>(x + radius)];
          sumBlue += columnBlue[static_cast<std::size_t>(x + radius)];
        }
        if (x - radius - 1 >= 0) {
          sumRed -= columnRed[static_cast<std::size_t>(x - radius - 1)];
          sumBlue -= columnBlue[static_cast<std::size_t>(x - radius - 1)];
        }
      }
      const std::int64_t count = rows * (std::min(w - 1, x + radius) - std::max(0, x - radius) + 1);
      const std::size_t i = index(x, y);
      const std::int64_t s = differences(i)[2];
      const std::int64_t meanRed = floorDiv(2 * sumRed + count, 2 * count);
      const std::int64_t meanBlue = floorDiv(2 * sumBlue + count, 2 * count);
      const std::int64_t red = floorDiv(s + meanRed, 3);
      const std::int64_t blue = floorDiv(s + meanBlue, 3);
      planes.red[i] = limit(red);
      planes.blue[i] = limit(blue);
      planes.green[i] = limit(s - red - blue);
    }
  }
}

PlaneLevels planeLevels(std::span<const std::uint16_t> plane) {
  PlaneLevels levels;
  if (plane.empty()) return levels;
  std::vector<std::uint32_t> histogram(65536, 0);
  for (const std::uint16_t s : plane)
    ++histogram[s];
  const std::uint64_t n = plane.size();
  const auto percentile = [&](double p) {
    const auto rank = static_cast<std::uint64_t>(std::ceil(p / 100.0 * double(n)));
    return valueAtRank(histogram, rank == 0 ? 0 : std::min(rank - 1, n - 1));
  };
  levels.background = valueAtRank(histogram, (n - 1) / 2);
  levels.spread = percentile(84.13) - percentile(15.87);
  return levels;
}

void applyHistogramBalance(const RgbPlanes& planes) {
  const std::size_t n = sampleCount(planes);
  const PlaneLevels green = planeLevels(planes.green.first(n));
  for (const auto& plane : {planes.red, planes.blue}) {
    const PlaneLevels own = planeLevels(plane.first(n));
    const double gain = own.spread > 0.0 ? green.spread / own.spread : 1.0;
    std::vector<std::uint16_t> table(65536);
    for (int v = 0; v < 65536; ++v)
      table[static_cast<std::size_t>(v)] =
          limit(std::llround((v - own.background) * gain + green.background));
    for (std::size_t i = 0; i < n; ++i)
      plane[i] = table[plane[i]];
  }
}

RgbPlanes colourPlanes(Program& program) {
  const std::size_t n = program.geometry.pixelCount;
  const auto& c = program.planes.ColourImage;
  return {std::span<std::uint16_t>(c.red().data(), n),
          std::span<std::uint16_t>(c.green().data(), n),
          std::span<std::uint16_t>(c.blue().data(), n), program.geometry.width,
          program.geometry.height};
}

void takeColourUndoCopy(Program& program) {
  const std::size_t n = program.geometry.pixelCount;
  for (int plane = 0; plane < 3; ++plane)
    std::copy_n(program.planes.ColourImage[plane].begin(), n,
                program.planes.ColourUndoImage[plane].begin());
}

bool applyColourBalanceToImage(Program& program, const ColourBalance& balance) {
  if (!balance.valid()) return false;  // the dialog and the command line refuse these first
  const bool done = runColourTool(program, kColourBalanceCaption, kColourBalanceHistory,
                                  [&](const RgbPlanes& p) { applyColourBalance(p, balance); });
  if (done) {
    for (std::size_t c = 0; c < 3; ++c)
      program.colour.balanceStart[c + 3] += balance.start[c];
    // The user's balance now decides how the colours are shown.
    program.colourStretch.automatic = false;
  }
  return done;
}

bool SetColourBalance(Program& program) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::NotColourConverted);
    return false;
  }
  TBalanceDialog dialog(program.colourTools.balance, program.colour.balanceStart, program.ui());
  if (program.ui().runDialog(dialog) != port::DialogResult::Ok) return false;
  return applyColourBalanceToImage(program, program.colourTools.balance);
}

bool applyChromatismToImage(Program& program, const ChromatismShift& shift) {
  if (!shift.valid()) return false;
  return runColourTool(program, kChromatismCaption, kChromatismHistory, [&](const RgbPlanes& p) {
    applyChromatism(p, shift, scratchPlane(program, 0));
  });
}

bool AdjustChromatism(Program& program) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::NotColourConverted);
    return false;
  }
  TChromatismDialog dialog(program.colourTools.chromatism, program.ui());
  if (program.ui().runDialog(dialog) != port::DialogResult::Ok) return false;
  return applyChromatismToImage(program, program.colourTools.chromatism);
}

bool ColourOverloadSmoothing(Program& program) {
  return runColourTool(program, kOverloadCaption, kOverloadHistory, [&](const RgbPlanes& p) {
    applyOverloadSmoothing(p, program.colourTools.overloadLevel, scratchPlane(program, 0));
  });
}

bool LowPassColourFilter(Program& program) {
  return runColourTool(program, kLowPassCaption, kLowPassHistory, [&](const RgbPlanes& p) {
    applyLowPassColour(
        p, program.colourTools.lowPassRadius,
        {scratchPlane(program, 0), scratchPlane(program, 1), scratchPlane(program, 2)});
  });
}

bool BalanceColourHistogram(Program& program) {
  return runColourTool(program, kHistogramBalanceCaption, kHistogramBalanceHistory,
                       [](const RgbPlanes& p) { applyHistogramBalance(p); });
}

void resetColourBalanceStarts(Program& program) {
  program.colour.balanceStart.fill(0);
  program.colourTools.balance.start = {0, 0, 0};
}

}  // namespace nvk::colour
