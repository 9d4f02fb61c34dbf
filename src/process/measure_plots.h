#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nvk::process {

// One labelled mark on a plot axis.
struct AxisTick {
  double value = 0.0;
  std::string label;
  bool operator==(const AxisTick&) const = default;
};

// Marks for an axis from `low` to `high`: steps of 1, 2 or 5 times a power of ten, the fewest
// that give at most `maxTicks` marks, starting at the first multiple of the step at or above
// `low`.
std::vector<AxisTick> axisTicks(double low, double high, int maxTicks);

// "Intensity Plot of Current Row": the samples of one image row, the raw plane's, or the red,
// green and blue planes' when the image is colour converted.
struct RowPlot {
  int row = 0;
  int width = 0;
  // One series (the raw plane) or three (red, green, blue).
  std::vector<std::vector<std::uint16_t>> series;
  std::uint16_t minimum = 0;
  std::uint16_t maximum = 0;
  double mean = 0.0;
};

// The row `row` of an image of `width` samples a row. `planes` holds one plane (mono) or three
// (red, green, blue).
RowPlot rowPlotData(std::span<const std::span<const std::uint16_t>> planes, int width, int row);

// The text under the plot: row number, minimum, maximum and mean.
std::string rowPlotCaption(const RowPlot& plot);

// A series drawn into a plot area `plotWidth` pixels wide and `plotHeight` high (y down, the
// value `top` at y = 0 and `bottom` at y = plotHeight - 1): for each plot column, the vertical
// span the samples falling into it cover, so that every sample is visible however many share a
// column.
struct PlotColumn {
  int yTop = 0;
  int yBottom = 0;
  bool operator==(const PlotColumn&) const = default;
};
std::vector<PlotColumn> plotColumns(std::span<const std::uint16_t> samples, int plotWidth,
                                    int plotHeight, double bottom, double top);

// "3-D Intensity Plot": a wireframe of the intensity over a square region, seen from a chosen
// azimuth and elevation. The region is divided into gridSize x gridSize cells; each grid point
// holds the mean of its cell, scaled between the region's lowest and highest cell so that the
// tallest peak rises `heightScale` times the region's side. The surface is turned by the azimuth
// about the vertical axis, tilted by the elevation (90 looks straight down, 0 from the side)
// and projected orthographically; the result is scaled to fit the view with a margin.
struct Plot3dOptions {
  int centreX = 0;
  int centreY = 0;
  int regionSize = 128;  // image pixels a side, clipped to the image
  int gridSize = 32;     // grid points a side, 2..128
  double azimuthDegrees = 30.0;
  double elevationDegrees = 30.0;
  double heightScale = 0.5;
  int viewWidth = 640;
  int viewHeight = 480;
  int margin = 20;
};

struct Segment {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct Plot3d {
  int left = 0;  // the region actually plotted, in image pixels
  int top = 0;
  int size = 0;
  int gridSize = 0;
  double minimum = 0.0;  // the lowest and highest cell mean
  double maximum = 0.0;
  // The wireframe: every line between neighbouring grid points along the grid's rows and
  // columns, in view pixels (y down), ordered from the farthest to the nearest so that a view
  // painting them in order draws the near lines last.
  std::vector<Segment> segments;
};

Plot3d intensityPlot3d(std::span<const std::uint16_t> image, int width, int height,
                       const Plot3dOptions& options);

}  // namespace nvk::process
