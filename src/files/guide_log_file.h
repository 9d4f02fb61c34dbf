#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/fits_time.h"

namespace nvk::files {

// The guide log: a text file in the layout of PHD2's guide log, so that PHD2 Log Viewer and the
// other tools that read that layout open it. One file per night, lines appended as guiding and
// training run:
//
//   PHD2 version ..., Log version 2.5. Log enabled at YYYY-MM-DD HH:MM:SS
//   <blank>
//   Calibration Begins at ...        summary lines, the calibration header, one row per move,
//                                    "<Axis> calibration complete. ..." lines,
//                                    "Calibration complete, mount = ..." (or "failed")
//   <blank>
//   Guiding Begins at ...            summary lines (Pixel scale = ..., Mount = ...), the frame
//                                    header, one row per guide frame, INFO: lines,
//                                    "Guiding Ends at ..."
//   <blank>

inline constexpr std::string_view kGuideLogVersion = "2.5";
inline constexpr std::string_view kGuideLogFrameHeader =
    "Frame,Time,mount,dx,dy,RARawDistance,DECRawDistance,RAGuideDistance,DECGuideDistance,"
    "RADuration,RADirection,DECDuration,DECDirection,XStep,YStep,StarMass,SNR,ErrorCode";
inline constexpr std::string_view kGuideLogCalibrationHeader = "Direction,Step,dx,dy,x,y,Dist";

// One guide frame: where the star was against the lock position and what was done about it.
struct GuideLogFrame {
  int frame = 0;
  double timeSeconds = 0.0;     // since the guiding section began
  std::string mount = "Mount";  // "Mount" for the mount's pulses, "AO" for the AO unit's steps
  double dx = 0.0;              // the star minus the lock position, in pixels of the guiding camera
  double dy = 0.0;
  double raRaw = 0.0;  // the same along the R.A. and Dec. axes
  double decRaw = 0.0;
  double raGuide = 0.0;  // the part the correction acted on (0 on an axis left alone)
  double decGuide = 0.0;
  int raDurationMs = 0;
  char raDirection = 0;  // 'E', 'W' or none
  int decDurationMs = 0;
  char decDirection = 0;     // 'N', 'S' or none
  std::optional<int> xStep;  // the AO unit's steps, signed
  std::optional<int> yStep;
  double starMass = 0.0;
  double snr = 0.0;
  int errorCode = 0;
};

// One move of a calibration: the star after the move, against where the calibration began.
struct GuideLogCalibrationStep {
  std::string direction;  // West, East, Backlash, North, South
  int step = 0;           // counted per direction from 1
  double dx = 0.0;
  double dy = 0.0;
  double x = 0.0;
  double y = 0.0;
};

std::string guideLogFrameRow(const GuideLogFrame& frame);
std::string guideLogCalibrationRow(const GuideLogCalibrationStep& step);
// "YYYY-MM-DD HH:MM:SS", the time stamp of the section lines.
std::string guideLogTimeText(const CivilTime& local);

// The night a local time belongs to begins at local noon: the noon at or before `local`.
CivilTime guideLogNight(const CivilTime& local);
// "PHD2_GuideLog_YYYY-MM-DD_120000.txt": named after the noon that begins its night, so that
// every run of one night finds the same file.
std::string guideLogFileName(const CivilTime& night);

// --- reading ---

struct GuideLogSection {
  std::string beganAt;
  std::string mount;                     // the name on the "Mount = " line
  std::optional<double> arcsecPerPixel;  // when the "Pixel scale" line gives one above 0
  std::vector<GuideLogFrame> frames;     // the mount and AO rows
  int droppedFrames = 0;
  std::vector<std::string> infos;  // the INFO: lines, without the prefix
  bool ended = false;              // "Guiding Ends at" was reached
};

struct GuideLogCalibration {
  std::string beganAt;
  std::vector<GuideLogCalibrationStep> steps;
  std::vector<std::string> axisResults;  // the "... calibration complete. ..." lines
  bool complete = false;
};

struct GuideLogContents {
  std::string versionLine;
  std::vector<GuideLogCalibration> calibrations;
  std::vector<GuideLogSection> guiding;
};

struct GuideLogParse {
  std::optional<GuideLogContents> log;
  std::string error;  // why the text is not a guide log, with the line number
};

// Reads a guide log of the published layout. The columns of a frame row are found by the
// names of the header line before it, so that logs with columns in another order or with
// more columns read too. Refused: text without the version line, a frame or calibration row
// with a field that is not a number.
GuideLogParse parseGuideLog(std::string_view text);

// The figures of one guiding section, in pixels: root mean square of the distance from the
// lock position along R.A., along Dec. and in total, and the largest distance.
struct GuideLogStats {
  int frames = 0;
  double rmsRa = 0.0;
  double rmsDec = 0.0;
  double rmsTotal = 0.0;
  double worst = 0.0;
  int worstFrame = 0;
  double worstTimeSeconds = 0.0;
};
GuideLogStats guideLogStats(const GuideLogSection& section);

}  // namespace nvk::files
