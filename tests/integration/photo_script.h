#pragma once

#include <string>

#include "acquire/camera_dialog.h"
#include "acquire/exposure_sequence.h"
#include "support/program_fixture.h"

namespace nvk::test {

// The user's choices in the camera dialog before "Take Photo" or "Autoguide Photo".
struct Photo {
  int mode = 4;  // binned 4x4
  char unit = 's';
  int value = 1;
  int frames = 1;
  bool continuous = false;
  bool autoSave = false;
  bool delay = false;
  bool average = false;
};

inline void playPhoto(acquire::TNVDialog& d, const Photo& p) {
  using Check = acquire::TNVDialog::Check;
  d.chooseReadoutMode(p.mode);
  d.chooseUnit(p.unit);
  for (int i = 1; i < p.frames; ++i)
    d.exposuresRight();
  const auto check = [&d](Check c, bool on) {
    if (d.checked(c) != on) d.toggle(c);
  };
  check(Check::Continuous, p.continuous);
  check(Check::AutoSave, p.autoSave);
  check(Check::DelayBeforeExposure, p.delay);
  check(Check::Average, p.average);
  // Last: every control shows the settings again in the field.
  d.setExposureField(std::to_string(p.value));
}

// Scripts the camera dialog with `p` and runs the camera interface command.
inline acquire::InterfaceOutcome runPhoto(ProgramFixture& f, const Photo& p,
                                          bool autoguide = false) {
  f.ui.onDialog<acquire::TNVDialog>("TNVDialog", [p, autoguide](acquire::TNVDialog& d) {
    playPhoto(d, p);
    return (autoguide ? d.autoguidePhoto() : d.takePhoto()).value_or(port::DialogResult::Cancel);
  });
  return acquire::CameraInterface(f.program);
}

}  // namespace nvk::test
