#include "process/measure_plots.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace nvk::process {
namespace {

TEST(AxisTicks, StepsOfOneTwoOrFive) {
  const struct {
    double low, high;
    int maxTicks;
    std::vector<double> values;
  } cases[] = {
      {0, 65535, 8, {0, 10000, 20000, 30000, 40000, 50000, 60000}},
      {0, 3039, 7, {0, 500, 1000, 1500, 2000, 2500, 3000}},
      {1200, 1290, 5, {1200, 1220, 1240, 1260, 1280}},
      {0, 10, 11, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {5, 5, 5, {}},
  };
  for (const auto& c : cases) {
    const auto ticks = axisTicks(c.low, c.high, c.maxTicks);
    std::vector<double> values;
    for (const auto& t : ticks)
      values.push_back(t.value);
    EXPECT_EQ(values, c.values) << c.low << ".." << c.high;
  }
  EXPECT_EQ(axisTicks(0, 65535, 8)[3].label, "30000");
}

TEST(RowPlot, TakesTheRowOfEveryPlane) {
  const int width = 4;
  const std::array<std::uint16_t, 12> red{1, 2, 3, 4, 10, 0, 65535, 30, 5, 5, 5, 5};
  const std::array<std::uint16_t, 12> green{9, 9, 9, 9, 7, 8, 9, 1, 0, 0, 0, 0};
  const std::array<std::span<const std::uint16_t>, 2> planes{red, green};
  const RowPlot plot = rowPlotData(planes, width, 1);
  ASSERT_EQ(plot.series.size(), 2u);
  EXPECT_EQ(plot.series[0], (std::vector<std::uint16_t>{10, 0, 65535, 30}));
  EXPECT_EQ(plot.series[1], (std::vector<std::uint16_t>{7, 8, 9, 1}));
  EXPECT_EQ(plot.minimum, 0);
  EXPECT_EQ(plot.maximum, 65535);
  EXPECT_DOUBLE_EQ(plot.mean, (10 + 0 + 65535 + 30 + 7 + 8 + 9 + 1) / 8.0);
  EXPECT_EQ(rowPlotCaption(plot), "Row 1   min 0   max 65535   mean 8200.0");
}

// Each plot column spans every sample that falls into it, so a one-pixel spike survives when
// 3040 samples share 300 columns; with more columns than samples each column takes one.
TEST(RowPlot, ColumnsKeepEverySample) {
  std::vector<std::uint16_t> row(3040, 1000);
  row[1234] = 65535;
  const auto columns = plotColumns(row, 300, 101, 0, 65535);
  ASSERT_EQ(columns.size(), 300u);
  const std::size_t spikeColumn = 1234 * 300 / 3040;
  EXPECT_EQ(columns[spikeColumn].yTop, 0);
  EXPECT_EQ(columns[spikeColumn].yBottom, 100 - int(std::lround(1000.0 / 65535 * 100)));
  EXPECT_EQ(columns[0], (PlotColumn{98, 98}));
  const std::vector<std::uint16_t> few{0, 65535};
  EXPECT_EQ(plotColumns(few, 4, 11, 0, 65535),
            (std::vector<PlotColumn>{{10, 10}, {10, 10}, {0, 0}, {0, 0}}));
}

std::vector<std::uint16_t> peakImage(int width, int height, int cx, int cy) {
  std::vector<std::uint16_t> image(static_cast<std::size_t>(width * height), 100);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double r2 = double(x - cx) * (x - cx) + double(y - cy) * (y - cy);
      image[static_cast<std::size_t>(y * width + x)] =
          static_cast<std::uint16_t>(100 + 30000 * std::exp(-r2 / 50.0));
    }
  return image;
}

TEST(IntensityPlot3d, GridAndRegion) {
  const auto image = peakImage(200, 150, 190, 10);
  Plot3dOptions options;
  options.centreX = 190;
  options.centreY = 10;
  options.regionSize = 64;
  options.gridSize = 16;
  const Plot3d plot = intensityPlot3d(image, 200, 150, options);
  // The region is moved inward to stay on the image.
  EXPECT_EQ(plot.left, 136);
  EXPECT_EQ(plot.top, 0);
  EXPECT_EQ(plot.size, 64);
  EXPECT_EQ(plot.segments.size(), 2u * 16 * 15);
  EXPECT_GT(plot.maximum, 20000);
  EXPECT_NEAR(plot.minimum, 100, 1);
  for (const auto& s : plot.segments) {
    for (const double x : {s.x1, s.x2}) {
      EXPECT_GE(x, options.margin - 1e-6);
      EXPECT_LE(x, options.viewWidth - options.margin + 1e-6);
    }
    for (const double y : {s.y1, s.y2}) {
      EXPECT_GE(y, options.margin - 1e-6);
      EXPECT_LE(y, options.viewHeight - options.margin + 1e-6);
    }
  }
}

// Seen from the side (elevation 0, azimuth 0) the sky is the bottom line and the peak rises
// above it by the height scale; from straight above the grid is a square lattice with
// the peak invisible.
TEST(IntensityPlot3d, ProjectionFromSideAndAbove) {
  const auto image = peakImage(64, 64, 32, 32);
  Plot3dOptions options;
  options.centreX = 32;
  options.centreY = 32;
  options.regionSize = 64;
  options.gridSize = 8;
  options.viewWidth = 400;
  options.viewHeight = 300;
  options.elevationDegrees = 0;
  options.azimuthDegrees = 0;
  const Plot3d side = intensityPlot3d(image, 64, 64, options);
  double lowest = 0, highest = 1e9;
  for (const auto& s : side.segments) {
    lowest = std::max({lowest, s.y1, s.y2});
    highest = std::min({highest, s.y1, s.y2});
  }
  // The region's side fills the 360 usable pixels across; the peak rises half of that
  // (heightScale 0.5), centred in the 300-pixel height.
  EXPECT_NEAR(lowest, 150 + 90, 1e-6);
  EXPECT_NEAR(highest, 150 - 90, 1e-6);

  options.elevationDegrees = 90;
  const Plot3d top = intensityPlot3d(image, 64, 64, options);
  // Rows run along x, columns along y: the first segment of grid row 0 joins two points on
  // one horizontal line, 1/7 of the fitted side apart.
  const double side2 = 300 - 2 * options.margin;
  for (const auto& s : top.segments) {
    const double length = std::hypot(s.x2 - s.x1, s.y2 - s.y1);
    EXPECT_NEAR(length, side2 / 7, 1e-6);
    EXPECT_TRUE(std::abs(s.x2 - s.x1) < 1e-6 || std::abs(s.y2 - s.y1) < 1e-6);
  }
}

}  // namespace
}  // namespace nvk::process
