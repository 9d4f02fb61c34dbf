#include "app/measure_commands.h"

#include "process/measure_merge.h"
#include "process/measure_tools.h"

namespace nvk::app::measure_commands {

void histogram(CommandContext& c) {
  c.window.showToolWindow(ToolWindow::Histogram);
}

void photometry(CommandContext& c) {
  if (!process::StartPhotometry(c.program, c.program.displayOptions.fitToWindow)) return;
  c.window.setPickMode(PickMode::Photometry);
  c.window.showToolWindow(ToolWindow::Photometry);
}

void intensityPlot3d(CommandContext& c) {
  c.window.showToolWindow(ToolWindow::IntensityPlot3d);
}

void rowPlot(CommandContext& c) {
  if (!process::StartRowPlot(c.program, c.program.displayOptions.fitToWindow)) return;
  c.window.setPickMode(PickMode::RowPlot);
}

void showValues(CommandContext& c) {
  process::toggleShowValues(c.program);
  if (c.program.measure.showValues) c.window.showToolWindow(ToolWindow::ShowValues);
}

bool showValuesChecked(const CommandContext& c) {
  return c.program.measure.showValues;
}

void merge(CommandContext& c) {
  if (!process::StartMerging(c.program, c.program.displayOptions.fitToWindow)) return;
  c.window.setPickMode(PickMode::Merge);
}

bool pick(CommandContext& c, int displayX, int displayY, bool rightButton) {
  core::Program& p = c.program;
  const process::ImagePixel pixel = process::imagePixelFromDisplay(p, displayX, displayY);
  switch (c.window.pickMode()) {
    case PickMode::Photometry:
      if (rightButton) return false;
      if (process::photometryPick(p, pixel)) c.window.showToolWindow(ToolWindow::Photometry);
      return true;
    case PickMode::RowPlot:
      if (rightButton) return false;
      if (process::rowPlotPick(p, pixel)) {
        c.window.setPickMode(PickMode::None);
        c.window.showToolWindow(ToolWindow::RowPlot);
      }
      return true;
    case PickMode::Merge:
      if (!rightButton) return false;
      switch (process::mergePick(p, pixel.x, pixel.y)) {
        case process::MergePickOutcome::Merged:
        case process::MergePickOutcome::Cancelled:
          c.window.setPickMode(PickMode::None);
          break;
        case process::MergePickOutcome::SecondOpened:
        case process::MergePickOutcome::Ignored:
          break;
      }
      return true;
    default:
      return false;
  }
}

void endTool(CommandContext& c) {
  const bool firstImageAside = c.program.measure.merge.first.has_value();
  process::endMeasureTool(c.program);
  if (firstImageAside) c.program.ui().requestRedraw();
  const PickMode mode = c.window.pickMode();
  if (mode == PickMode::Photometry || mode == PickMode::RowPlot || mode == PickMode::Merge) {
    c.window.setPickMode(PickMode::None);
  }
}

}  // namespace nvk::app::measure_commands
