#pragma once

#include <functional>
#include <span>

#include "files/bmp_file.h"

namespace nvk::acquire {

class Program;

// The loops the camera dialogs start: each repeats until the user's abort (Esc, reported by
// Ui::pump) or until its stop flag is set ("Stop" while the loop dispatches).
// `repaint` shows the dialog's new state; it runs after every pass.
struct LoopControl {
  std::function<void()> repaint;
  // Set by the dialog's own stop control; checked after every dispatch.
  const bool* stopRequested = nullptr;
};

// Focus mode: repeated measured exposures of the focus window at the dialog's exposure value,
// each rendered to the focus bitmap and shown, with a beep and (with the program default "1 sec
// delay when focussing") a one-second pause between them. Does nothing with the unit minutes
// or an exposure value of 100 or more. Returns the number of focus exposures taken.
int FocusMode(Program& program, const LoopControl& control);

// The cooling monitor: every 500 ms a repaint of the dialog (whose redraw sends the cooling
// command and shows the temperature), until Esc or the stop flag. Returns the number of passes.
int CoolingMonitor(Program& program, const LoopControl& control);

// The guide-head monitor of the autoguider dialog: flushes the guide head twice, then repeats
// `guideExposure` (the dialog's guide exposure with its display) with a beep and, when `pause`
// is on, a one-second wait, until Esc or the stop flag. Returns the number of guide exposures.
int GuideHeadMonitor(Program& program, const std::function<void()>& guideExposure, bool pause,
                     const LoopControl& control);

// The 128 x 128 focus window as the focus bitmap: each sample above the window's lowest,
// multiplied by the focus stretch and divided by 256, clamped to 255 (stretch 1 shows the
// whole range; the default 14 fills the bytes with the faint part of a star).
files::Bitmap focusBitmap(std::span<const std::uint16_t> window, int stretch);

}  // namespace nvk::acquire
