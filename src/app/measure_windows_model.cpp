#include "app/measure_windows_model.h"

#include <cstdio>

#include "app/measure_commands.h"
#include "app/program.h"

namespace nvk::app {

process::DisplayHistogram MeasureWindowsModel::histogram() const {
  return process::histogramOfImage(context_.program);
}

std::optional<process::RowPlot> MeasureWindowsModel::rowPlot() const {
  const Program& program = context_.program;
  if (!program.measure.lastPick) return std::nullopt;
  return process::rowPlotOfImage(program, program.measure.lastPick->second);
}

MeasureWindowsModel::Plot3dPicture MeasureWindowsModel::intensityPlot(
    const process::Plot3dOptions& options) const {
  Plot3dPicture view{process::intensityPlotOfImage(context_.program, options), {}};
  const process::Plot3d& plot = view.plot;
  char text[160];
  std::snprintf(text, sizeof text, "Region x %d..%d, y %d..%d; cell means %.0f to %.0f", plot.left,
                plot.left + plot.size - 1, plot.top, plot.top + plot.size - 1, plot.minimum,
                plot.maximum);
  view.caption = text;
  return view;
}

const process::MeasureState& MeasureWindowsModel::measure() const {
  return context_.program.measure;
}

process::PixelReadout MeasureWindowsModel::readout(int displayX, int displayY) const {
  const Program& program = context_.program;
  return process::readPixel(program, process::imagePixelFromDisplay(program, displayX, displayY));
}

bool MeasureWindowsModel::showValuesOn() const {
  return context_.program.measure.showValues;
}

void MeasureWindowsModel::photometryClosed() {
  measure_commands::endTool(context_);
}

void MeasureWindowsModel::showValuesClosed() {
  context_.program.measure.showValues = false;
}

}  // namespace nvk::app
