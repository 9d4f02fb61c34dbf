#include "scope/exposure_guider.h"

#include "core/program.h"
#include "scope/guider.h"

namespace nvk::scope {

bool GuideHeadExposureGuiding::startGuiding() {
  program_.acquisition.guiding = CreateGuidingFrame(program_);
  return program_.acquisition.guiding;
}

bool GuideHeadExposureGuiding::guideStep() {
  if (!program_.guiding.active) return false;
  return GuideStep(program_) == GuideStatus::Ok && program_.guiding.active;
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
  program_.guiding.display.stopEnabled = false;
}

}  // namespace nvk::scope
