#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scope/guiding_display.h"
#include "scope/guiding_state.h"

namespace nvk::acquire {

class Program;

// The two modeless guiding windows of the main window, as their views read and drive them:
// "Guiding Info" (TInfoDialog) of main-camera guiding and "AutoGuider Camera Guiding"
// (TGInfoDialog) of guide-head guiding during an exposure. Each is open while its guiding
// loop has it open; the views show, refresh and hide themselves by these answers.
class GuidingWindows {
 public:
  explicit GuidingWindows(Program& program) : program_(program) {}

  // --- "Guiding Info" ---
  bool infoOpen() const;
  // x, y, dx and dy as the loop left them.
  const scope::TInfoDialog& info() const;
  bool paused() const;
  // "Stop" is enabled while the loop runs.
  bool stopEnabled() const;
  // "Pause": frames go on, no corrections until released.
  void pause(bool on);
  // "Stop": the loop ends after its frame.
  void stop();

  // --- "AutoGuider Camera Guiding" ---
  bool displayOpen() const;
  const std::string& displayCaption() const;
  scope::GuidingDisplayTexts displayTexts() const;
  // The last guide frame (one byte per pixel in the samples' high byte) and the star on it.
  const std::vector<std::uint16_t>& guideFrame() const;
  const scope::StarPosition& guideStar() const;
  // The error for the "Guidestar Movement" plot.
  const scope::GuideError& guideError() const;
  bool stopGuidingEnabled() const;
  // "Stop Guiding": the exposure goes on unguided.
  void stopGuiding();

 private:
  Program& program_;
};

}  // namespace nvk::acquire
