#include "acquire/exposure_guider.h"

#include <utility>

#include "acquire/program.h"
#include "scope/guider.h"

namespace nvk::acquire {

bool GuideHeadExposureGuiding::startGuiding() {
  program_.acquisition.guiding = scope::CreateGuidingFrame(program_);
  return program_.acquisition.guiding;
}

bool GuideHeadExposureGuiding::guideStep() {
  if (!program_.guiding.active) return false;
  pressed_ = false;
  return scope::GuideStep(program_, scope::guidingExposureWait(program_, pressed_)) ==
             scope::GuideStatus::Ok &&
         program_.guiding.active;
}

bool GuideHeadExposureGuiding::takePressDuringStep() {
  return std::exchange(pressed_, false);
}

void GuideHeadExposureGuiding::stopGuiding() {
  scope::EndGuidedExposure(program_);
  program_.acquisition.guiding = false;
}

bool GuideHeadExposureGuiding::userAbort() {
  program_.guiding.active = false;
  return false;
}

void GuideHeadExposureGuiding::commandEnded() {
  program_.guideLog.endGuiding();  // a run cut short leaves no section open
  auto& display = program_.guiding.display;
  display.stopEnabled = false;
  if (!display.open) return;
  display.open = false;
  program_.ui().requestRedraw();
}

}  // namespace nvk::acquire
