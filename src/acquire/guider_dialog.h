#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/bmp_file.h"
#include "port/ui.h"
#include "scope/move_telescope_dialog.h"
#include "scope/training.h"

namespace nvk::acquire {

class Program;

// How the autoguider camera dialog was left.
enum class GuiderDialogExit { Open, Close, GoToMainCamera, StartGuiding };

// "Auto Guider Camera Control": the guide head's exposures and display options, the guider
// dark frame, guide-star selection on the 500 x 290 guide image, the guide-head training with
// its default and latest values, the AO unit, the guiding mode and the arming of guiding for
// the next main exposure. Session state lives in Program::guiding, the rest in the settings,
// which are saved whenever a control changes a value the settings file holds.
class TGNVDialog final : public port::DialogModel {
 public:
  static constexpr std::string_view kTitle = "Auto Guider Camera Control";
  // The smallest exposure value of every unit.
  static constexpr int kMinimumValue = 1;

  explicit TGNVDialog(Program& program);

  std::string_view dialogId() const override { return "TGNVDialog"; }
  // The caption: the title, or the step of a training under way.
  std::string title() const override { return caption_; }

  GuiderDialogExit exit() const { return exit_; }

  // --- exposure ---
  // Radio group: 'h' "Hundredths" (value 5), 't' "Tenths" (5), 's' "Seconds" (1).
  void chooseUnit(char unit);
  char unit() const;
  int value() const;
  int maximum() const;
  // The "Value" arrows: one step, between kMinimumValue and the unit's maximum.
  void valueUp();
  void valueDown();

  // --- guide exposures ---
  // "Start": guide exposures until "Stop" or Esc, each shown, with a beep and ("1 Sec
  // Pause") a one-second wait between them.
  void start();
  void stop() { stopRequested_ = true; }
  bool running() const { return running_; }
  // "Take DarkFrame".
  void takeDark();
  bool darkAvailable() const;
  // The dark's exposure, "%2d" followed by " hundredth ", " tenth " or " second "; empty
  // before the first dark.
  std::string darkLabel() const;
  // The guide image as last written to the guider bitmap; kept when a write fails.
  const std::optional<files::Bitmap>& image() const { return image_; }

  // --- check boxes ---
  enum class Check {
    OneSecondPause,  // "1 Sec Pause"
    ApplyDark,       // "Apply DarkFrame": only while a dark is available
    Median,          // "Apply Median Filter to all Images"
    Stretch,         // "Apply Stretch to Guider Images"
    Bin2x2,          // "Bin 2x2" (settings)
    ClearCamera,     // "Clear Camera" (settings)
    IgnoreBacklash,  // "Ignore Backlash" (settings)
    IgnoreRaAngle,   // "Ignore RA Angle" (settings)
    SwapNorthSouth,  // "Swap n/s direction" (settings)
    SwapEastWest,    // "Swap e/w direction" (settings)
    SwapAoUpDown,    // "Swap AO Up/Down" (settings)
    SwapAoLeftRight,
    SwapMountNorthSouth,  // "Swap scope::Mount N/S" (settings)
    SwapMountEastWest,
  };
  void toggle(Check check);
  bool checked(Check check) const;
  bool enabled(Check check) const;

  // "Stretch Image", Min (scope::kStretchMin) to Max (scope::kStretchMax): how far the display
  // stretch lowers its white point below the brightest star (see guideDisplayCopy). A change draws
  // the shown image again from the last guide exposure while the stretch is applied.
  void setStretchLevel(int level);
  int stretchLevel() const;

  // --- the guide image ---
  // The mouse over image point (x, y): the co-ordinate read-out.
  void pointerAt(int x, int y);
  const std::string& xText() const { return xText_; }
  const std::string& yText() const { return yText_; }
  const std::string& valText() const { return valText_; }
  // The selected star, empty until one is selected.
  std::string starXText() const;
  std::string starYText() const;
  // "Select Guide Star": the next release on the image picks the star.
  void selectGuideStar() { picking_ = true; }
  bool picking() const { return picking_; }
  // A mouse button released over image point (x, y). The right button first releases a held
  // move. While picking: three centroid passes from the point and the star selected, or the
  // refusal message (picking stays armed then).
  void releaseOnImage(int x, int y, bool rightButton);
  // Where the selection moved the point (the view moves the mouse cursor there).
  std::optional<scope::PixelPoint> lastSelection() const { return lastSelection_; }

  // --- training and the correction values ---
  void train();
  // "Use Default" / "Use Trained": toggles while trained values exist.
  void useDefault();
  std::string_view useDefaultText() const;   // the button: "Use Trained" or "Use Defaults"
  std::string_view valuesInUseText() const;  // "Using Default Vals" / "Using Trained Vals"
  // The "Default" column edits: R.A., Dec, RA Backlash, Dec Backlash, RA Angle (degrees).
  enum class Column { Ra, Dec, RaBacklash, DecBacklash, RaAngle };
  std::string& defaultText(Column column);
  const std::string& defaultText(Column column) const;
  // The "Latest" column: the last training's values; empty before one.
  std::string latestText(Column column) const;
  // "Change Defaults": the edits into the settings (refused with a message when a value is
  // outside its range in value_ranges.h); "Save Latest": the latest values into the defaults, each
  // brought into its range.
  void changeDefaults();
  void saveLatest();

  // --- AO unit ---
  void trainAo();
  void centraliseAo();
  // "AO Mode": pulses on the guide outputs instead of serial commands.
  void toggleAoMode();
  bool aoPulseMode() const;
  // The default gain edits, first "Up/Down" then "Left/Right", and the latest gains.
  std::string& aoDefaultText(int gain);
  const std::string& aoDefaultText(int gain) const;
  std::string aoLatestText(int gain) const;
  void aoChangeDefaults();
  void aoSaveLatest();
  // The AO gains' "Use Default" / "Use Trained": toggles while trained gains exist; the guide
  // step then moves by the default or by the latest gains.
  void aoUseDefault();
  std::string_view aoUseDefaultText() const;  // the button: "Use Trained" or "Use Defaults"
  std::string_view aoGainsInUseText() const;  // "Using Default Gains" / "Using Trained Gains"
  // The AO position (up/down, left/right steps) and "At Limit" while at its limit.
  std::string aoPositionText() const;

  // --- moves ---
  // "Guiding Mode": 'T' telescope drives, 'A' AO unit; shown beside the button.
  void toggleGuidingMode();
  char guidingMode() const;
  // The "Move Telescope" arrows: with 'T' the mount moves while the arrow is held (guide
  // socket lines or LX200 move commands); with 'A' each press moves the AO unit 100 steps.
  void pressArrow(scope::Arrow arrow);
  void releaseArrow();

  // --- closing buttons ---
  std::optional<port::DialogResult> goToMainCamera();
  // Arms guider-camera guiding for the next main exposure. Refused with a message without a
  // drive method, without a selected star, or while guiding runs.
  std::optional<port::DialogResult> startGuiding();
  port::DialogResult close();

  // The room the disk has for the guider bitmap (a test plays a full disk with it).
  void setDiskSpace(files::DiskSpace disk) { disk_ = disk; }

  // What the view does to show the model's state while a loop runs inside a control.
  void setRepaint(std::function<void()> repaint) { repaint_ = std::move(repaint); }

 private:
  void repaint();
  void saveSettings();
  void loadDefaultTexts();
  std::optional<files::Bitmap> expose(bool dark);

  Program& program_;
  std::string caption_{kTitle};
  GuiderDialogExit exit_ = GuiderDialogExit::Open;
  std::optional<files::Bitmap> image_;
  std::function<void()> repaint_;
  bool running_ = false;
  bool stopRequested_ = false;
  bool picking_ = false;
  bool moveHeld_ = false;
  bool telescopeConnected_ = false;
  std::optional<scope::PixelPoint> lastSelection_;
  files::DiskSpace disk_;
  std::string xText_, yText_, valText_;
  std::string defaults_[5];
  std::string aoDefaults_[2];
};

// How the autoguider camera command ended.
enum class GuiderOutcome { NoCamera, Closed, GoToMainCamera, GuidingArmed };

// Command 27 "AutoGuider Camera": connects to the camera when needed and shows the dialog.
GuiderOutcome AutoGuiderCamera(Program& program);

}  // namespace nvk::acquire
