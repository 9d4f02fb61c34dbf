#pragma once

#include <optional>
#include <string>

#include "app/command_map.h"
#include "process/measure_histogram.h"
#include "process/measure_plots.h"
#include "process/measure_state.h"
#include "process/measure_tools.h"

namespace nvk::app {

// What the measurement tool windows beside the picture show, read from the program, and what
// closing them does to it. The windows talk only to this. A copy serves the same program.
class MeasureWindowsModel {
 public:
  explicit MeasureWindowsModel(const CommandContext& context) : context_(context) {}

  // "Histogram of Current Image": the display values of the picture.
  process::DisplayHistogram histogram() const;
  // "Intensity Plot of Current Row": the plot of the last picked row; nothing before a pick.
  std::optional<process::RowPlot> rowPlot() const;
  // "3-D Intensity Plot": the wireframe with the window's angles and sizes, and its caption
  // (the region and the range of its cell means).
  struct Plot3dPicture {
    process::Plot3d plot;
    std::string caption;
  };
  Plot3dPicture intensityPlot(const process::Plot3dOptions& options) const;
  // "Photometry": the apertures and the measurements since photometry mode began.
  const process::MeasureState& measure() const;
  // "Show Values": the read-out under the mouse at display pixel (x, y).
  process::PixelReadout readout(int displayX, int displayY) const;
  // Whether "Show Values" is still on (the menu may have turned it off).
  bool showValuesOn() const;

  // The photometry window was closed: photometry mode ends.
  void photometryClosed();
  // The show-values window was closed: the read-out is turned off.
  void showValuesClosed();

 private:
  CommandContext context_;
};

}  // namespace nvk::app
