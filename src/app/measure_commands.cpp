#include "app/measure_commands.h"

#include "app/picks.h"

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
  Program& p = c.program;
  // Off the picture shown: a pixel off the image, which the tools refuse with their message.
  const image::ImagePoint at =
      imageDisplayPointAt(p, displayX, displayY).value_or(image::ImagePoint{-1, -1});
  const process::ImagePixel pixel = process::imagePixelFromDisplay(p, at.x, at.y);
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
    case PickMode::Merge: {
      if (!rightButton) return false;
      // The window names the image on screen: the second one while its star is picked, the
      // first again once it is back.
      const std::string titleBefore = c.window.documentTitle();
      const std::optional<std::string> firstTitle = p.measure.merge.firstTitle;
      switch (process::mergePick(p, pixel.x, pixel.y)) {
        case process::MergePickOutcome::Merged:
        case process::MergePickOutcome::Cancelled:
          if (firstTitle) c.window.setDocumentTitle(*firstTitle);
          c.window.setPickMode(PickMode::None);
          break;
        case process::MergePickOutcome::SecondOpened:
          p.measure.merge.firstTitle = titleBefore;
          c.window.setDocumentTitle(p.measure.merge.secondFile.filename().string());
          break;
        case process::MergePickOutcome::Ignored:
          break;
      }
      return true;
    }
    default:
      return false;
  }
}

void choosePickMode(CommandContext& c, PickMode mode) {
  if (c.program.measure.active != process::MeasureTool::None) endTool(c);
  c.window.setPickMode(mode);
}

void endTool(CommandContext& c) {
  const bool firstImageAside = c.program.measure.merge.first.has_value();
  const std::optional<std::string> firstTitle = c.program.measure.merge.firstTitle;
  process::endMeasureTool(c.program);
  if (firstImageAside) c.program.ui().requestRedraw();
  if (firstTitle) c.window.setDocumentTitle(*firstTitle);
  const PickMode mode = c.window.pickMode();
  if (mode == PickMode::Photometry || mode == PickMode::RowPlot || mode == PickMode::Merge) {
    c.window.setPickMode(PickMode::None);
  }
}

}  // namespace nvk::app::measure_commands
