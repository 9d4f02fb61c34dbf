#include "scope/exposure_guider.h"

#include <algorithm>
#include <utility>

#include "core/program.h"
#include "scope/guider.h"

namespace nvk::scope {
namespace {

// How often a guide exposure dispatches events while it runs.
constexpr std::uint32_t kStepWaitSliceMs = 50;

}  // namespace

bool GuideHeadExposureGuiding::startGuiding() {
  program_.acquisition.guiding = CreateGuidingFrame(program_);
  return program_.acquisition.guiding;
}

bool GuideHeadExposureGuiding::guideStep() {
  if (!program_.guiding.active) return false;
  pressed_ = false;
  const auto wait = [this](std::uint32_t endMs) {
    auto& clock = program_.clock();
    while (!pressed_ && program_.guiding.active && !port::msReached(clock.nowMs(), endMs)) {
      clock.waitUntilMs(clock.nowMs() + std::min(endMs - clock.nowMs(), kStepWaitSliceMs));
      pressed_ = program_.ui().pump();
    }
  };
  return GuideStep(program_, wait) == GuideStatus::Ok && program_.guiding.active;
}

bool GuideHeadExposureGuiding::takePressDuringStep() {
  return std::exchange(pressed_, false);
}

void GuideHeadExposureGuiding::stopGuiding() {
  EndGuidedExposure(program_);
  program_.acquisition.guiding = false;
}

bool GuideHeadExposureGuiding::userAbort() {
  program_.guiding.active = false;
  return false;
}

void GuideHeadExposureGuiding::commandEnded() {
  auto& display = program_.guiding.display;
  display.stopEnabled = false;
  if (!display.open) return;
  display.open = false;
  program_.ui().requestRedraw();
}

}  // namespace nvk::scope
