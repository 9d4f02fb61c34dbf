#include "acquire/guiding_windows.h"

#include "acquire/program.h"
#include "scope/guider.h"

namespace nvk::acquire {

bool GuidingWindows::infoOpen() const {
  return program_.guiding.info.open;
}

const scope::TInfoDialog& GuidingWindows::info() const {
  return program_.guiding.info;
}

bool GuidingWindows::paused() const {
  return program_.guiding.paused;
}

bool GuidingWindows::stopEnabled() const {
  return program_.guiding.active;
}

void GuidingWindows::pause(bool on) {
  scope::PauseAutoGuiding(program_, on);
}

void GuidingWindows::stop() {
  scope::StopAutoGuiding(program_);
}

bool GuidingWindows::displayOpen() const {
  return program_.guiding.display.open;
}

const std::string& GuidingWindows::displayCaption() const {
  return program_.guiding.display.caption;
}

scope::GuidingDisplayTexts GuidingWindows::displayTexts() const {
  return scope::guidingDisplayTexts(program_.guiding.display);
}

const std::vector<std::uint16_t>& GuidingWindows::guideFrame() const {
  return program_.guiding.camera.display;
}

const scope::StarPosition& GuidingWindows::guideStar() const {
  return program_.guiding.display.star;
}

const scope::GuideError& GuidingWindows::guideError() const {
  return program_.guiding.display.error;
}

bool GuidingWindows::stopGuidingEnabled() const {
  return program_.guiding.display.stopEnabled;
}

void GuidingWindows::stopGuiding() {
  scope::StopGuiding(program_);
}

}  // namespace nvk::acquire
