#pragma once

#include <cstdint>
#include <string>

namespace nvk::acquire {

// The exposure run's settings, edited by the camera control dialog and read by the exposure
// sequence. Kept for the session.
struct AcquireSettings {
  // 'q' thousandths, 'h' hundredths, 't' tenths, 's' seconds, 'm' minutes; any other
  // character counts as seconds.
  char exposureUnit = 's';
  int exposureValue = 1;
  int exposureMaximum = 300;
  int exposureCount = 1;  // 1..99
  bool continuous = false;
  bool delayBeforeExposure = false;
  int pauseBetweenExposures = 0;  // 0..20
  bool pauseInMinutes = false;
  // Each frame of a summed series is divided by the number of frames, so that the sum is
  // their mean.
  bool average = false;
  bool alternativeSlewMethod = false;
  bool autoRemoveDark = false;
  bool autoApplyFlat = false;
  bool autoProcess = false;
  bool autoSave = false;
  bool autochangeExposure = false;
  bool binFocusFrame = false;
  bool guideDuringExposure = false;
  int focusStretch = 14;  // 1..50
  // A focus exposure has been rendered to the focus bitmap (the dialog then shows it).
  bool focusBitmapRendered = false;
  // Guiding with the external camera is running (set by the guiding loop).
  bool guiding = false;
};

// Milliseconds of one unit of `unit`.
constexpr std::int32_t unitMs(char unit) {
  switch (unit) {
    case 'q':
      return 1;
    case 'h':
      return 10;
    case 't':
      return 100;
    case 'm':
      return 60'000;
    default:
      return 1000;
  }
}

constexpr std::int32_t exposureMs(const AcquireSettings& s) {
  return s.exposureValue * unitMs(s.exposureUnit);
}

}  // namespace nvk::acquire
