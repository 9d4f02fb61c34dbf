#include "process/measure_plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace nvk::process {

std::vector<AxisTick> axisTicks(double low, double high, int maxTicks) {
  std::vector<AxisTick> ticks;
  if (!(high > low) || maxTicks < 2) return ticks;
  const double span = high - low;
  double step = std::pow(10.0, std::floor(std::log10(span / maxTicks)));
  for (int round = 0; round < 40; ++round) {
    bool fits = false;
    for (const double factor : {1.0, 2.0, 5.0}) {
      const double s = step * factor;
      if (std::floor(high / s) - std::ceil(low / s) + 1 <= maxTicks) {
        step = s;
        fits = true;
        break;
      }
    }
    if (fits) break;
    step *= 10.0;
  }
  for (double k = std::ceil(low / step); k * step <= high + step * 1e-9; k += 1.0) {
    const double value = k * step;
    char label[32];
    std::snprintf(label, sizeof label, "%g", value);
    ticks.push_back({value, label});
  }
  return ticks;
}

RowPlot rowPlotData(std::span<const std::span<const std::uint16_t>> planes, int width, int row) {
  RowPlot plot;
  plot.row = row;
  plot.width = width;
  std::uint16_t low = 65535, high = 0;
  double sum = 0.0;
  const std::size_t start = static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
  for (const auto& plane : planes) {
    auto samples = plane.subspan(start, static_cast<std::size_t>(width));
    plot.series.emplace_back(samples.begin(), samples.end());
    for (const std::uint16_t s : samples) {
      low = std::min(low, s);
      high = std::max(high, s);
      sum += s;
    }
  }
  const double count = double(width) * double(planes.size());
  plot.minimum = count > 0 ? low : 0;
  plot.maximum = high;
  plot.mean = count > 0 ? sum / count : 0.0;
  return plot;
}

std::string rowPlotCaption(const RowPlot& plot) {
  char text[128];
  std::snprintf(text, sizeof text, "Row %d   min %u   max %u   mean %.1f", plot.row,
                unsigned(plot.minimum), unsigned(plot.maximum), plot.mean);
  return text;
}

std::vector<PlotColumn> plotColumns(std::span<const std::uint16_t> samples, int plotWidth,
                                    int plotHeight, double bottom, double top) {
  std::vector<PlotColumn> columns;
  if (plotWidth <= 0 || plotHeight <= 0 || samples.empty() || top == bottom) return columns;
  const auto toY = [&](double value) {
    const double y = (top - value) / (top - bottom) * (plotHeight - 1);
    return std::clamp(int(std::lround(y)), 0, plotHeight - 1);
  };
  const std::size_t n = samples.size();
  columns.resize(static_cast<std::size_t>(plotWidth));
  for (int c = 0; c < plotWidth; ++c) {
    // Samples [first, last) fall into column c; a column narrower than a sample takes the
    // sample under its left edge.
    std::size_t first = n * static_cast<std::size_t>(c) / static_cast<std::size_t>(plotWidth);
    std::size_t last = n * static_cast<std::size_t>(c + 1) / static_cast<std::size_t>(plotWidth);
    if (last <= first) last = first + 1;
    std::uint16_t low = 65535, high = 0;
    for (std::size_t i = first; i < last && i < n; ++i) {
      low = std::min(low, samples[i]);
      high = std::max(high, samples[i]);
    }
    columns[static_cast<std::size_t>(c)] = {toY(high), toY(low)};
  }
  return columns;
}

Plot3d intensityPlot3d(std::span<const std::uint16_t> image, int width, int height,
                       const Plot3dOptions& options) {
  Plot3d plot;
  const int size = std::clamp(options.regionSize, 2, std::min(width, height));
  const int grid = std::clamp(options.gridSize, 2, std::min(128, size));
  plot.size = size;
  plot.gridSize = grid;
  plot.left = std::clamp(options.centreX - size / 2, 0, width - size);
  plot.top = std::clamp(options.centreY - size / 2, 0, height - size);

  // Cell means.
  std::vector<double> level(static_cast<std::size_t>(grid) * static_cast<std::size_t>(grid));
  for (int j = 0; j < grid; ++j) {
    const int y0 = plot.top + j * size / grid, y1 = plot.top + (j + 1) * size / grid;
    for (int i = 0; i < grid; ++i) {
      const int x0 = plot.left + i * size / grid, x1 = plot.left + (i + 1) * size / grid;
      double sum = 0.0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
          sum += image[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
      level[static_cast<std::size_t>(j * grid + i)] = sum / (double(x1 - x0) * (y1 - y0));
    }
  }
  const auto [lo, hi] = std::minmax_element(level.begin(), level.end());
  plot.minimum = *lo;
  plot.maximum = *hi;
  const double range = plot.maximum - plot.minimum;

  // Project every grid point.
  const double azimuth = options.azimuthDegrees * std::numbers::pi / 180.0;
  const double elevation = options.elevationDegrees * std::numbers::pi / 180.0;
  struct Projected {
    double x, up, depth;
  };
  std::vector<Projected> points(level.size());
  for (int j = 0; j < grid; ++j) {
    for (int i = 0; i < grid; ++i) {
      const std::size_t k = static_cast<std::size_t>(j * grid + i);
      const double x = double(i) / (grid - 1) - 0.5;
      const double y = 0.5 - double(j) / (grid - 1);  // image rows run towards the viewer
      const double z = range > 0 ? (level[k] - plot.minimum) / range * options.heightScale : 0.0;
      const double xr = x * std::cos(azimuth) - y * std::sin(azimuth);
      const double yr = x * std::sin(azimuth) + y * std::cos(azimuth);
      points[k] = {xr, yr * std::sin(elevation) + z * std::cos(elevation),
                   yr * std::cos(elevation) - z * std::sin(elevation)};
    }
  }

  // Fit to the view, keeping the proportions.
  double minX = 1e300, maxX = -1e300, minUp = 1e300, maxUp = -1e300;
  for (const auto& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minUp = std::min(minUp, p.up);
    maxUp = std::max(maxUp, p.up);
  }
  const double usableW = std::max(1, options.viewWidth - 2 * options.margin);
  const double usableH = std::max(1, options.viewHeight - 2 * options.margin);
  const double spanX = std::max(maxX - minX, 1e-9), spanUp = std::max(maxUp - minUp, 1e-9);
  const double scale = std::min(usableW / spanX, usableH / spanUp);
  const double offsetX = options.viewWidth / 2.0 - (minX + maxX) / 2.0 * scale;
  const double offsetY = options.viewHeight / 2.0 + (minUp + maxUp) / 2.0 * scale;
  const auto screen = [&](const Projected& p) {
    return std::pair{offsetX + p.x * scale, offsetY - p.up * scale};
  };

  struct Deep {
    double depth;
    Segment segment;
  };
  std::vector<Deep> lines;
  const auto add = [&](std::size_t a, std::size_t b) {
    const auto [x1, y1] = screen(points[a]);
    const auto [x2, y2] = screen(points[b]);
    lines.push_back({(points[a].depth + points[b].depth) / 2, {x1, y1, x2, y2}});
  };
  for (int j = 0; j < grid; ++j)
    for (int i = 0; i + 1 < grid; ++i)
      add(static_cast<std::size_t>(j * grid + i), static_cast<std::size_t>(j * grid + i + 1));
  for (int i = 0; i < grid; ++i)
    for (int j = 0; j + 1 < grid; ++j)
      add(static_cast<std::size_t>(j * grid + i), static_cast<std::size_t>((j + 1) * grid + i));
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Deep& a, const Deep& b) { return a.depth > b.depth; });
  plot.segments.reserve(lines.size());
  for (const auto& l : lines)
    plot.segments.push_back(l.segment);
  return plot;
}

}  // namespace nvk::process
