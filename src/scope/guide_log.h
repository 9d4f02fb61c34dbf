#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/atomic_file.h"
#include "files/guide_log_file.h"
#include "scope/guide_correction.h"
#include "scope/trained_correction.h"

namespace nvk::settings {
class Program;
}

namespace nvk::scope {

class Program;
struct AoStepPlan;

// How the guiding camera sees the sky: the directions in which a west and a north pulse move
// the star (unit vectors on the image) and how fast (pixels per second).
struct GuideAxes {
  double westX = -1.0, westY = 0.0;
  double northX = 0.0, northY = 1.0;
  double westRate = 0.0;
  double northRate = 0.0;
  bool mirrored = false;  // north lies clockwise of west on the image
};
// The direction of (x, y) on the image in degrees from +x toward +y, as the log gives angles.
double axisDegrees(double x, double y);
// The axes the plain rules assume (a positive x error is corrected eastward, a positive y error
// northward), at the rates of `guide`.
GuideAxes untrainedGuideAxes(const settings::GuideParameters& guide);
// The axes a guide-head training measured.
GuideAxes trainedGuideAxes(const TrainedGuideValues& trained);

// The log row of one guide frame: the star against the lock position (`error` is lock minus
// star, in thousandths of a pixel), its components along the axes, and the mount pulses of
// `plan` (none when it is null: the error was beyond the correction's range).
files::GuideLogFrame guideLogFrame(const GuideError& error, const GuideAxes& axes,
                                   const CorrectionPlan* plan,
                                   const settings::DirectionLetters& letters);
// The same for a step of the AO unit: its steps go into XStep/YStep, signed west and north
// positive.
files::GuideLogFrame aoGuideLogFrame(const GuideError& error, const GuideAxes& axes,
                                     const AoStepPlan& plan);

// The summary lines that follow "Guiding Begins at" and "Calibration Begins at".
struct GuideLogSummary {
  std::string equipment;  // "Equipment Profile = ..."
  std::optional<double> arcsecPerPixel;
  bool ao = false;  // an "AO = ..." line before the mount's
  GuideAxes axes;
  double lockX = 0.0;
  double lockY = 0.0;
};

// The guide log of the program: every guiding run and every training appends a section to the
// log of the night in the autosave folder (see files/guide_log_file.h), line by line. Times come
// from the program's clock, local time by the UT offset of the settings. A log that cannot be
// written never stops guiding: the first failure shows one message for the whole session, and
// the lines of that section are dropped.
class GuideLog {
 public:
  explicit GuideLog(settings::Program& program) : program_(program) {}

  // The pixel scales (arc-seconds per pixel) the front end knows. Without one the main camera's
  // comes from the pixel size and focal length of the FITS details, when both are set; the
  // guide head's is unknown.
  std::optional<double> mainCameraArcsecPerPixel;
  std::optional<double> guideHeadArcsecPerPixel;

  // A section that is still open when the next one begins is ended first.
  void beginGuiding(const GuideLogSummary& summary);
  // One guide frame corrected by mount pulses (`plan` null: the error was beyond the range
  // corrected), or by the AO unit; `starMass` is the centroid's weight. Numbered and timed
  // here; nothing outside a guiding section.
  void mountFrame(const GuideError& error, const CorrectionPlan* plan, double starMass);
  void aoFrame(const GuideError& error, const AoStepPlan& plan, double starMass);
  // An "INFO: " line in the open guiding section.
  void info(std::string_view text);
  void endGuiding();
  bool guiding() const { return section_ == Section::Guiding; }

  void beginCalibration(const GuideLogSummary& summary);
  // The star after one move toward `direction` (West, East, Backlash, North, South), in pixels.
  void calibrationMove(std::string_view direction, double x, double y);
  // "<axis> calibration complete. Angle = ... deg, Rate = ... <rateUnit>, Parity = ...".
  void axisCalibrated(std::string_view axis, double angleDegrees, double rate,
                      std::string_view rateUnit, std::string_view parity);
  // "Calibration complete, mount = ..." or "Calibration failed: star lost.".
  void endCalibration(bool complete);

  // The file the lines of the current night go to; empty before the first section.
  const std::filesystem::path& path() const { return file_.path(); }

 private:
  enum class Section { None, Guiding, Calibration };

  // Opens the night's file for a section beginning now; false when it cannot be written.
  bool openForSection();
  void beginSection(Section section, std::string_view beginsAt, const GuideLogSummary& summary);
  void endSection(std::string_view closingLine);
  void write(std::string_view line);
  void reportFailure();
  files::CivilTime localNow();
  double sectionSeconds();
  void writeFrame(files::GuideLogFrame frame, double starMass);

  settings::Program& program_;
  base::AppendFile file_;
  std::optional<files::CivilTime> night_;
  Section section_ = Section::None;
  bool writable_ = false;
  bool failureShown_ = false;
  std::uint32_t sectionStartMs_ = 0;
  int frames_ = 0;
  std::string mountName_;
  GuideAxes axes_;
  double calibrationStartX_ = 0.0;
  double calibrationStartY_ = 0.0;
  std::map<std::string, int, std::less<>> directionSteps_;
};

// The summaries of the two guiding cameras, from the program's state.
GuideLogSummary guideHeadLogSummary(Program& program);
GuideLogSummary mainCameraLogSummary(Program& program);

}  // namespace nvk::scope
