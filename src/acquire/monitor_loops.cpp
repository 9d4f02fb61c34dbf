#include "acquire/monitor_loops.h"

#include <algorithm>

#include "acquire/program.h"
#include "camera/camera.h"

namespace nvk::acquire {
namespace {

constexpr std::uint32_t kPauseMs = 1000;
constexpr std::uint32_t kMonitorPeriodMs = 500;
constexpr int kMaxFocusValue = 100;
constexpr int kGuideFlushLines = 50;

// One dispatch of pending events: true when the loop is to stop.
bool pressedOrStopped(Program& program, const LoopControl& control) {
  const bool pressed = program.ui().pump();
  return pressed || (control.stopRequested && *control.stopRequested);
}

void repaint(const LoopControl& control) {
  if (control.repaint) control.repaint();
}

}  // namespace

files::Bitmap focusBitmap(std::span<const std::uint16_t> window, int stretch) {
  files::Bitmap bitmap;
  bitmap.width = camera::kFocusWindowSize;
  bitmap.height = camera::kFocusWindowSize;
  bitmap.palette = files::greyPalette();
  bitmap.pixels.resize(window.size());
  const std::uint16_t lowest = window.empty() ? 0 : *std::min_element(window.begin(), window.end());
  for (std::size_t i = 0; i < window.size(); ++i) {
    const auto value = static_cast<std::uint32_t>(window[i] - lowest) *
                       static_cast<std::uint32_t>(std::max(stretch, 1)) / 256u;
    bitmap.pixels[i] = static_cast<std::uint8_t>(std::min(value, 255u));
  }
  return bitmap;
}

int FocusMode(Program& program, const LoopControl& control) {
  const auto& s = program.acquisition;
  if (s.exposureUnit == 'm' || s.exposureValue >= kMaxFocusValue) return 0;
  auto& ui = program.ui();
  int exposures = 0;
  // The main window shows the focus frames while the loop runs, and the image again after it.
  program.displayOptions.focusFrame = true;
  while (!pressedOrStopped(program, control)) {
    ui.setBusyCursor(true);
    program.camera().measuredFocusExposure({s.exposureValue, s.exposureUnit,
                                            program.state.focusLeft, program.state.focusTop,
                                            s.binFocusFrame});
    ui.setBusyCursor(false);
    ++exposures;
    // The bitmap's own messages (8, 9, 10) report a failed write.
    if (files::saveBitmapFile(program, files::focusBitmapPath(program),
                              focusBitmap(program.devices.focusWindow, s.focusStretch))) {
      program.acquisition.focusBitmapRendered = true;
    }
    ui.requestRedraw();
    repaint(control);
    ui.beep();
    if (program.settings.focusOneSecondDelay) program.clock().waitMs(kPauseMs);
  }
  program.displayOptions.focusFrame = false;
  if (exposures > 0) ui.requestRedraw();
  return exposures;
}

int CoolingMonitor(Program& program, const LoopControl& control) {
  int passes = 0;
  do {
    program.clock().waitMs(kMonitorPeriodMs);
    repaint(control);
    ++passes;
  } while (!pressedOrStopped(program, control));
  return passes;
}

int GuideHeadMonitor(Program& program, const std::function<void()>& guideExposure, bool pause,
                     const LoopControl& control) {
  camera::GuideHead& head = program.guideHead();
  head.flush(kGuideFlushLines);
  head.flush(kGuideFlushLines);
  int exposures = 0;
  while (!pressedOrStopped(program, control)) {
    head.flush(kGuideFlushLines);
    program.ui().setBusyCursor(true);
    guideExposure();
    program.ui().setBusyCursor(false);
    ++exposures;
    repaint(control);
    program.ui().beep();
    if (pause) program.clock().waitMs(kPauseMs);
  }
  return exposures;
}

}  // namespace nvk::acquire
