#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "acquire/camera_control.h"
#include "acquire/camera_dialog.h"
#include "acquire/star_alignment.h"
#include "image/fits_header_info.h"

namespace nvk::acquire {

class Program;

// Calibration results of the automatic dark and flat.
inline constexpr int kCalibrationOpenFailed = 11;
inline constexpr int kCalibrationNotKrFile = 12;

// What happened to the last run.
struct RunState {
  bool aborted = false;
  bool continuousRunning = false;
  int remaining = 0;
  double accumulatedSeconds = 0.0;
  std::int64_t startSeconds = 0;
  std::uint32_t waitEndMs = 0;  // the end of the current wait; an abort moves it to now
  int progressPosition = 0;
  bool darkLoaded = false;
  bool flatLoaded = false;
  int framesRead = 0;
  int framesFinished = 0;
  bool guidingStarted = false;  // guiding runs during the current exposure
  // What the camera reported after the last readout, for the FITS keywords.
  std::optional<int> sensorTemperatureC;
  // Where the mount said it pointed as the exposure began, for the FITS keywords.
  std::optional<image::MountPointing> mountPointing;
};

// The exposure run of the camera interface command: start delay, timed exposure with its
// progress dialog, readout, automatic calibration and processing, display and autosave,
// repeated for a run or continuously. Single-threaded: every wait dispatches events through
// the Ui, and the user's abort (Esc, the progress window's Abort) ends it.
class ExposureSequence {
 public:
  explicit ExposureSequence(Program& program);

  // Connects on first use: settings file, camera and filter-wheel discovery, firmware version.
  // Shows "Sorry, No camera found on USB" and returns false without a camera.
  bool connect();
  // The run with the program's current acquisition settings (what "Take Photo" starts).
  void run();

  // Waits n seconds dispatching events; the user's abort beeps, ends the wait and makes the
  // result true.
  bool WaitSeconds(int n);
  // Dispatches events; the user's abort beeps and sets the remaining count to 1 (mode 1, which also
  // marks the frame aborted) or 0 (mode 0), stops continuous running and ends the current wait.
  void PumpWithAbort(int mode);
  // The user's abort as PumpWithAbort() takes it.
  void abortRun(int mode);

  const RunState& state() const { return state_; }
  const StarAlignedSum& summation() const { return sum_; }

 private:
  void startDelay();
  void takeFrame(int steps, std::int32_t exposureMs);
  void timeExposure(int steps, std::int32_t exposureMs);
  // False when the frame did not arrive whole.
  bool readOut(std::int32_t exposureMs);
  // A camera that failed a command or a frame ends the run: the failure has been shown, and
  // neither that frame nor the sum so far is processed or saved; frames saved before stay.
  void endOnCameraFailure();
  void calibrate();
  void addToSum();
  void stopGuiding();
  int subtractDark();
  int applyFlat();
  void pauseBetweenExposures();
  void finishFrame(bool historyWritten);
  std::string leftSuffix() const;

  Program& program_;
  RunState state_;
  StarAlignedSum sum_;
  std::vector<std::uint16_t> dark_;
  std::vector<std::uint16_t> flat_;
};

// Progress steps of an exposure of `value` units of `unit`: 2; 6 for 5..12 seconds; 20 for 13
// seconds or more and for minutes.
int progressSteps(char unit, int value);

// How the camera interface command ended.
enum class InterfaceOutcome { NoCamera, Closed, GoToAutoguider, Ran };

// Command 12: connect, show the camera control dialog and, on "Take Photo" or "Autoguide
// Photo", run. `camera` is what the dialog drives (the protocol when null).
InterfaceOutcome CameraInterface(Program& program, CameraControl* camera = nullptr);

}  // namespace nvk::acquire
