#pragma once

#include <memory>

#include "acquire/exposure_guiding.h"

namespace nvk::acquire {

class Program;

// Guider-camera guiding inside the main camera's exposure: the guide-head guiding steps the
// exposure sequence calls.
class GuideHeadExposureGuiding final : public acquire::ExposureGuiding {
 public:
  explicit GuideHeadExposureGuiding(Program& program) : program_(program) {}

  bool startGuiding() override;
  // False when the star is lost or "Stop Guiding" ended guiding. The guide exposure waits in
  // slices that dispatch events, so that "Stop Guiding" acts while it runs; Esc ends the wait
  // and is handed to the sequence.
  bool guideStep() override;
  void stopGuiding() override;
  bool userAbort() override;
  bool takePressDuringStep() override;
  void commandEnded() override;

 private:
  Program& program_;
  bool pressed_ = false;
};

}  // namespace nvk::acquire
