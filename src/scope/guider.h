#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "camera/camera.h"
#include "scope/training.h"

namespace nvk::scope {

class Program;

// How a guide step ended; 3 is the star-lost code the exposure loop ends the exposure on.
// CameraLost: the camera went away during the guide frame (its failure shown) and guiding ended.
enum class GuideStatus { Ok = 0, StarLost = 3, CameraLost = 4 };

// The "Guidestar Movement" plot: the error in plot points (10 per pixel, x right, y up),
// within the 100 x 100 square.
struct PlotPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PlotPoint&) const = default;
};
PlotPoint guidestarPlotPoint(const GuideError& error);

// --- guide star selection on the guide image ---

// Shown when guiding or training is asked for before a guide star is picked.
inline constexpr std::string_view kNoGuideStarText = "Please pick a guide star first";

// The guide image lies at (10, 45) in the autoguider dialog.
inline constexpr int kGuideImageLeft = 10;
inline constexpr int kGuideImageTop = 45;

// A click released at dialog point (x, y) while "Select Guide Star" is armed: refused with
// "Sorry, outside Image area - try again" unless the star box fits; otherwise three centroid
// passes, the reference and the position message. Returns the selected point (image
// coordinates, whole pixels) or nothing when refused.
std::optional<PixelPoint> SelectGuideStarAt(Program& program, int dialogX, int dialogY);

// --- guider-camera guiding inside an exposure ---

// Starts guiding for the exposure that is beginning: refused (false, with an empty notice)
// without a mount output, a camera or a selected star; otherwise two frames, the reference
// (the star found again within two box radii of where it was last seen, so that it is tracked
// from one guiding run to the next; false when it is not there), one stabilising correction
// and one more frame.
bool CreateGuidingFrame(Program& program);
// How guiding waits for the end of its exposures: in slices that dispatch events, so that the
// guiding displays' buttons act while an exposure runs, until the end, until guiding stops, or
// until the user's abort (Esc), which it reports in `pressed`.
camera::ExposureWait guidingExposureWait(Program& program, bool& pressed);

// One pass of the exposure's waiting loop: a guide frame and its correction (none when
// "Stop Guiding" came during the frame, and none from a frame that failed: guiding goes on with
// the next frame unless the camera has gone). `wait` waits for the guide exposure's end.
GuideStatus GuideStep(Program& program, const camera::ExposureWait& wait = {});
// The correction after a guide frame: by the AO unit in AO guiding mode, by the trained
// values when they are in use and "Ignore RA Angle" is off, else by the default values.
GuideStatus GuiderCorrectionStep(Program& program);
// The end of the guided exposure: guiding stops; the AO unit returns to its centre.
void EndGuidedExposure(Program& program);
// "Stop Guiding" of the guiding display.
void StopGuiding(Program& program);

// --- training on the guide head ---

using CaptionSink = std::function<void(std::string_view)>;

// "Train": the nine steps with their captions, the message, the trained values in use, the
// settings saved. False when no star is selected or the star was lost (nothing stored).
bool TrainGuideHead(Program& program, const CaptionSink& caption);
// "Train" of the AO group: four moves of 25 steps, the gains, the message.
bool TrainAoUnit(Program& program, const CaptionSink& caption);

}  // namespace nvk::scope
