#include "scope/guide_log.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <system_error>

#include "base/messages.h"
#include "scope/ao_unit.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

constexpr std::string_view kVersionLine = "PHD2 version NVK K7LQ [Linux], Log version ";
constexpr double kArcsecPerRadian = 206264.806;
constexpr double kMillimetresPerInch = 25.4;

char raLetter(const std::optional<GuideMove>& move, const settings::DirectionLetters& letters) {
  if (!move) return 0;
  return move->letter == letters.west ? 'W' : move->letter == letters.east ? 'E' : 0;
}

char decLetter(const std::optional<GuideMove>& move, const settings::DirectionLetters& letters) {
  if (!move) return 0;
  return move->letter == letters.north ? 'N' : move->letter == letters.south ? 'S' : 0;
}

// The star against the lock position, in pixels, and along the two axes.
files::GuideLogFrame offsetFrame(const GuideError& error, const GuideAxes& axes) {
  files::GuideLogFrame f;
  f.dx = -error.x / 1000.0;
  f.dy = -error.y / 1000.0;
  f.raRaw = f.dx * axes.westX + f.dy * axes.westY;
  f.decRaw = f.dx * axes.northX + f.dy * axes.northY;
  return f;
}

std::string fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string axesText(const GuideAxes& axes) {
  return "xAngle = " + fixed(axisDegrees(axes.westX, axes.westY), 1) +
         ", xRate = " + fixed(axes.westRate, 3) +
         ", yAngle = " + fixed(axisDegrees(axes.northX, axes.northY), 1) +
         ", yRate = " + fixed(axes.northRate, 3);
}

}  // namespace

double axisDegrees(double x, double y) {
  return std::atan2(y, x) * 180.0 / std::numbers::pi;
}

GuideAxes untrainedGuideAxes(const settings::GuideParameters& guide) {
  GuideAxes axes;
  axes.westRate = guide.raRate;
  axes.northRate = guide.decRate;
  return axes;
}

GuideAxes trainedGuideAxes(const TrainedGuideValues& trained) {
  const double phi = westDirection(trained);
  GuideAxes axes;
  axes.westX = std::cos(phi);
  axes.westY = std::sin(phi);
  axes.northX = -axes.westY * trained.decTurn;
  axes.northY = axes.westX * trained.decTurn;
  axes.westRate = std::hypot(trained.raRateX, trained.raRateY);
  axes.northRate = std::hypot(trained.decRateX, trained.decRateY);
  axes.mirrored = trained.decTurn < 0;
  return axes;
}

files::GuideLogFrame guideLogFrame(const GuideError& error, const GuideAxes& axes,
                                   const CorrectionPlan* plan,
                                   const settings::DirectionLetters& letters) {
  files::GuideLogFrame f = offsetFrame(error, axes);
  if (plan == nullptr) return f;
  if (plan->xMove) {
    f.raGuide = f.raRaw;
    f.raDurationMs = plan->xMove->durationMs;
    f.raDirection = raLetter(plan->xMove, letters);
  }
  if (plan->yMove) {
    f.decGuide = f.decRaw;
    f.decDurationMs = plan->yMove->durationMs;
    f.decDirection = decLetter(plan->yMove, letters);
  }
  return f;
}

files::GuideLogFrame aoGuideLogFrame(const GuideError& error, const GuideAxes& axes,
                                     const AoStepPlan& plan) {
  files::GuideLogFrame f = offsetFrame(error, axes);
  f.mount = "AO";
  f.xStep = plan.xLetter == 'w' ? plan.xSteps : plan.xLetter == 'e' ? -plan.xSteps : 0;
  f.yStep = plan.yLetter == 'n' ? plan.ySteps : plan.yLetter == 's' ? -plan.ySteps : 0;
  if (*f.xStep != 0) f.raGuide = f.raRaw;
  if (*f.yStep != 0) f.decGuide = f.decRaw;
  return f;
}

files::CivilTime GuideLog::localNow() {
  // UT = local time + the UT offset of the settings.
  return files::addHours(files::utcTimeOf(program_.clock().wallSeconds()),
                         -program_.fits.utOffsetHours);
}

double GuideLog::sectionSeconds() {
  return port::msElapsed(sectionStartMs_, program_.clock().nowMs()) / 1000.0;
}

void GuideLog::reportFailure() {
  writable_ = false;
  if (failureShown_) return;
  failureShown_ = true;
  program_.ui().showMessage(base::kMessageTitle, "The guide log " + file_.path().string() +
                                                     " could not be written (" + file_.failure() +
                                                     "); guiding goes on without it.");
}

bool GuideLog::openForSection() {
  const files::CivilTime night = files::guideLogNight(localNow());
  if (file_.isOpen() && night_ == night) return true;
  night_ = night;
  const std::filesystem::path folder = program_.autosaveFolder();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::filesystem::path path = folder / files::guideLogFileName(night);
  const bool fresh = base::fileSize(path) <= 0;
  if (!file_.open(path)) return false;
  if (fresh) {
    return file_.appendLine(std::string(kVersionLine) + std::string(files::kGuideLogVersion) +
                            ". Log enabled at " + files::guideLogTimeText(localNow())) &&
           file_.appendLine("");
  }
  return true;
}

void GuideLog::write(std::string_view line) {
  if (writable_ && !file_.appendLine(line)) reportFailure();
}

void GuideLog::beginSection(Section section, std::string_view beginsAt,
                            const GuideLogSummary& summary) {
  if (section_ == Section::Guiding) endGuiding();
  if (section_ == Section::Calibration) endCalibration(false);
  writable_ = openForSection();
  if (!writable_) reportFailure();
  section_ = section;
  sectionStartMs_ = program_.clock().nowMs();
  frames_ = 0;
  directionSteps_.clear();
  calibrationStartX_ = summary.lockX;
  calibrationStartY_ = summary.lockY;
  mountName_ = "Mount";
  axes_ = summary.axes;
  write(std::string(beginsAt) + files::guideLogTimeText(localNow()));
  write("Equipment Profile = " + summary.equipment);
  write("Pixel scale = " + fixed(summary.arcsecPerPixel.value_or(0.0), 2) +
        " arc-sec/px, Binning = 1");
  const std::string parity = summary.axes.mirrored ? "+/-" : "+/+";
  if (summary.ao) write("AO = AO unit, " + axesText(summary.axes));
  write("Mount = " + mountName_ + ", connected, guiding enabled, " + axesText(summary.axes) +
        ", parity = " + parity);
  write("Lock position = " + fixed(summary.lockX, 3) + ", " + fixed(summary.lockY, 3));
}

void GuideLog::endSection(std::string_view closingLine) {
  write(closingLine);
  write("");
  section_ = Section::None;
}

void GuideLog::beginGuiding(const GuideLogSummary& summary) {
  beginSection(Section::Guiding, "Guiding Begins at ", summary);
  write(files::kGuideLogFrameHeader);
}

void GuideLog::writeFrame(files::GuideLogFrame frame, double starMass) {
  frame.frame = ++frames_;
  frame.timeSeconds = sectionSeconds();
  frame.starMass = starMass;
  write(files::guideLogFrameRow(frame));
}

void GuideLog::mountFrame(const GuideError& error, const CorrectionPlan* plan, double starMass) {
  if (section_ != Section::Guiding) return;
  writeFrame(guideLogFrame(error, axes_, plan, program_.settings.directionLetters), starMass);
}

void GuideLog::aoFrame(const GuideError& error, const AoStepPlan& plan, double starMass) {
  if (section_ != Section::Guiding) return;
  writeFrame(aoGuideLogFrame(error, axes_, plan), starMass);
}

void GuideLog::info(std::string_view text) {
  if (section_ == Section::Guiding) write("INFO: " + std::string(text));
}

void GuideLog::endGuiding() {
  if (section_ == Section::Guiding)
    endSection("Guiding Ends at " + files::guideLogTimeText(localNow()));
}

void GuideLog::beginCalibration(const GuideLogSummary& summary) {
  beginSection(Section::Calibration, "Calibration Begins at ", summary);
  write(files::kGuideLogCalibrationHeader);
}

void GuideLog::calibrationMove(std::string_view direction, double x, double y) {
  if (section_ != Section::Calibration) return;
  const int step = ++directionSteps_[std::string(direction)];
  write(files::guideLogCalibrationRow(
      {std::string(direction), step, x - calibrationStartX_, y - calibrationStartY_, x, y}));
}

void GuideLog::axisCalibrated(std::string_view axis, double angleDegrees, double rate,
                              std::string_view rateUnit, std::string_view parity) {
  if (section_ != Section::Calibration) return;
  write(std::string(axis) + " calibration complete. Angle = " + fixed(angleDegrees, 1) +
        " deg, Rate = " + fixed(rate, 3) + ' ' + std::string(rateUnit) +
        ", Parity = " + std::string(parity));
}

void GuideLog::endCalibration(bool complete) {
  if (section_ != Section::Calibration) return;
  endSection(complete ? "Calibration complete, mount = " + mountName_ + "."
                      : std::string("Calibration failed: star lost."));
}

GuideLogSummary guideHeadLogSummary(Program& program) {
  const auto& s = program.settings;
  const auto& g = program.guiding;
  GuideLogSummary summary;
  summary.ao = s.guidingMode == settings::GuidingMode::AoUnit;
  summary.equipment = summary.ao ? "NVK K7LQ guide head with the AO unit" : "NVK K7LQ guide head";
  summary.arcsecPerPixel = program.guideLog.guideHeadArcsecPerPixel;
  summary.axes = !summary.ao && g.useTrained && g.trainedAvailable && !s.ignoreRaAngle
                     ? trainedGuideAxes(g.trained)
                     : untrainedGuideAxes(s.guiderGuide);
  summary.lockX = g.reference.x + g.reference.xTenths / 10.0;
  summary.lockY = g.reference.y + g.reference.yTenths / 10.0;
  return summary;
}

GuideLogSummary mainCameraLogSummary(Program& program) {
  const auto& g = program.guiding;
  const auto& fits = program.fits;
  GuideLogSummary summary;
  summary.equipment = "NVK K7LQ main camera";
  summary.arcsecPerPixel = program.guideLog.mainCameraArcsecPerPixel;
  if (!summary.arcsecPerPixel && fits.pixelWidth > 0.0 && fits.focalLength > 0.0) {
    summary.arcsecPerPixel =
        kArcsecPerRadian * fits.pixelWidth / 1000.0 / (fits.focalLength * kMillimetresPerInch);
  }
  summary.axes = untrainedGuideAxes(program.settings.mainGuide);
  summary.lockX = g.mainStar.windowLeft + g.reference.x + g.reference.xTenths / 10.0;
  summary.lockY = g.mainStar.windowTop + g.reference.y + g.reference.yTenths / 10.0;
  return summary;
}

}  // namespace nvk::scope
