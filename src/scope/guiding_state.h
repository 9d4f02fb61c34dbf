#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "scope/ao_unit.h"
#include "scope/centroid.h"
#include "scope/guide_camera.h"
#include "scope/guide_correction.h"
#include "scope/trained_correction.h"

namespace nvk::scope {

// The guiding frame of the main camera: a 128 x 128 window of the sensor (full-resolution
// pixels) around the picked star.
inline constexpr int kMainGuideWindow = 128;

// "Guiding Info" (TInfoDialog): the star and the error of the last guiding frame.
struct TInfoDialog {
  bool open = false;
  std::string x, y, dx, dy;  // "%1.1f"
};

// The main-camera guide star: where it was picked (full-resolution pixels, with tenths while
// guiding) and the corner of its guiding window.
struct MainGuideStar {
  StarPosition position;
  int windowLeft = 0;
  int windowTop = 0;
};

// What the guiding display ("AutoGuider Camera Guiding", TGInfoDialog) shows; refreshed by
// every step of guider-camera guiding.
struct GuidingDisplay {
  bool open = false;  // from the start of a guided exposure to the end of its command
  std::string caption = "Guiding Info";
  double x = 0.0;  // the star, in pixels with tenths
  double y = 0.0;
  double dx = 0.0;  // the error in pixels (reference minus star)
  double dy = 0.0;
  int slewXMs = 0;  // the last pulse lengths
  int slewYMs = 0;
  int aoX = 0;  // the AO steps of the last step, and whether it bumped the mount
  int aoY = 0;
  bool aoMovingMount = false;
  bool stopEnabled = false;  // "Stop Guiding"
  GuideError error;          // for the "Guidestar Movement" plot
  StarPosition star;         // for the cross-hair on the guide image
};

// The guiding run-time state: reference and current star positions, the last error and pulse
// lengths, the letter memory for backlash, the trained guide-head values and the AO unit.
// Kept by the program for the whole run.
struct GuidingState {
  StarPosition reference;
  StarPosition current;
  GuideError error;
  GuideLetterMemory letters;
  int lastXDurationMs = 0;
  int lastYDurationMs = 0;
  bool starSelected = false;  // on the guide head ("Select Guide Star")
  // Where the guide-head star was last seen (selected, or found by a guide step): the next
  // guiding run looks for it there.
  StarPosition lastGuideStar;
  bool mainStarPicked = false;  // on the main image (Pick Guide Star)
  bool active = false;
  bool paused = false;
  bool starLost = false;
  bool training = false;
  // Corrections sent since the program started: mount pulses and AO moves.
  int pulsesSent = 0;
  // Set by the first main-camera training of a run in socket mode.
  bool socketPulsesSent = false;

  // Guide-head training ("Latest") and whether those values are in use instead of the
  // defaults of the settings.
  TrainedGuideValues trained;
  bool trainedAvailable = false;
  bool useTrained = false;

  AoState ao;
  // The unit (chosenAoUnit in ao_unit_factory.h makes it) and the AO mode it was made for.
  std::unique_ptr<AoUnit> aoUnit;
  bool aoUnitPulseMode = false;
  GuideCameraState camera;
  GuidingDisplay display;
  MainGuideStar mainStar;
  TInfoDialog info;
};

}  // namespace nvk::scope
