#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "acquire/camera_control.h"
#include "files/bmp_file.h"
#include "port/ui.h"

namespace nvk::acquire {

class Program;

// How the camera control dialog was left.
enum class DialogExit { Open, TakePhoto, AutoguidePhoto, GoToAutoguider, Cancel };

// The camera control dialog "NVK_K7LQ Control Interface". It holds no state of its own: every
// control writes the program's settings at once. A control that closes the dialog returns the
// result the dialog closes with; the others return nothing.
class TNVDialog final : public port::DialogModel {
 public:
  static constexpr std::string_view kTitle = "NVK_K7LQ Control Interface";
  static constexpr std::string_view kHelpTitle = "NVK_K7LQ_USB - Control KR Camera";
  static constexpr int kSetPointMin = -40;
  static constexpr int kSetPointMax = 35;
  static constexpr int kStretchMin = 1;
  static constexpr int kStretchMax = 50;
  static constexpr int kMaxExposures = 99;
  static constexpr int kMaxPause = 20;

  TNVDialog(Program& program, CameraControl& camera);

  std::string_view dialogId() const override { return "TNVDialog"; }
  std::string title() const override { return std::string(kTitle); }

  DialogExit exit() const { return exit_; }
  // A display refresh was asked for while the dialog was open.
  bool redrawRequested() const { return redrawRequested_; }

  // --- closing buttons ---
  std::optional<port::DialogResult> takePhoto();
  std::optional<port::DialogResult> autoguidePhoto();
  std::optional<port::DialogResult> goToAutoguider();
  port::DialogResult cancel();
  void help();

  // --- exposure ---
  // Radio group "Exposure Range": 'q', 'h', 't', 's', 'm'.
  void chooseUnit(char unit);
  // The text of the exposure value field, as typed.
  const std::string& exposureField() const { return exposureField_; }
  void setExposureField(std::string text) { exposureField_ = std::move(text); }
  // Enter in the exposure value field, or leaving it: a typed value other than 0 becomes the
  // exposure value, which every later change of the dialog then shows; other text gives way
  // to the value in force.
  void commitExposureField();
  void exposureLeft();
  void exposureRight();
  void exposuresLeft();
  void exposuresRight();
  void pauseLeft();
  void pauseRight();
  void setPauseInMinutes(bool minutes);
  // Radio group "Exposure Mode": readout modes 1..5.
  void chooseReadoutMode(int mode);

  // --- check boxes ---
  enum class Check {
    Continuous,
    Average,
    AlternativeSlew,
    DelayBeforeExposure,
    AutoSave,
    AutoRemoveDark,
    AutoApplyFlat,
    AutoProcess,
    AutochangeExposure,
    BinFocusFrame,
  };
  void toggle(Check check);
  bool checked(Check check) const;

  // --- focus mode (box "Focus Mode") ---
  // "Start": focus exposures until Esc or "Stop"; each repaints the dialog.
  void startFocus();
  // "Stop": ends the focus loop at its next dispatch.
  void stopFocus() { stopRequested_ = true; }
  bool focusing() const { return focusing_; }
  // The focus window bitmap once a focus exposure has been rendered.
  std::optional<files::Bitmap> focusImage() const;

  // --- the mount's focuser (box "Focus Mode") ---
  // "In" and "Out" move the focuser while held, as the focus arrows of the Move Telescope
  // dialog do (at the focus speed chosen there), so that the FWHM read-out of a running focus
  // mode follows the focuser. Offered when the mount has a focuser it can reach now (an LX200
  // on a route that is there; not the autoguider socket); the first press connects the
  // telescope as Telescope Control does.
  bool focuserAvailable() const;
  void focuserPress(bool in);
  void focuserRelease();

  // --- focus stretch bar (vertical) ---
  void stretchLineUp();
  void stretchLineDown();
  void stretchPageUp();
  void stretchPageDown();
  void stretchDrag(int value);

  // --- cooler ---
  void setPointLineLeft();
  void setPointLineRight();
  void setPointPageLeft();
  void setPointPageRight();
  void setPointDrag(int value);
  void toggleCooling();
  // "Monitor": the cooling monitor until Esc or a second press (on "Monitoring", its caption
  // meanwhile), which ends it.
  void monitor();
  std::string_view monitorText() const { return monitoring_ ? "Monitoring" : "Monitor"; }
  bool coolingOn() const;
  bool coolingEnabled() const;  // "Cooling On" is disabled without cooler control
  std::string actualText() const;
  std::string setText() const;
  int setPoint() const;
  bool setPointBarEnabled() const;
  std::string_view coolingModeText() const;  // "Max Cooling Set" / "Adjust Cooling"

  // --- filter wheel ---
  void filterFirst();
  void filterNext();
  void filterPrev();
  int filterPosition() const;
  std::string filterName() const;

  // --- read-only texts ---
  std::string_view cameraModeText() const;
  std::string_view autoguiderStatusText() const;
  std::string firmwareText() const;
  std::string maxValueText() const;
  std::string fwhmText() const;
  std::string lastFileText() const;
  std::string subDirectoryText() const;
  std::string darkFileText() const;
  std::string flatFileText() const;
  int focusStretch() const;
  char unit() const;
  int readoutMode() const;
  int exposureCount() const;
  int pause() const;
  bool pauseInMinutes() const;

  // The redraw after every control and on every repaint: the cooling command when the cooler
  // is available, and the exposure field showing the setting.
  void refresh();
  // What the view does to show the model's state while a loop runs inside a control.
  void setRepaint(std::function<void()> repaint) { repaint_ = std::move(repaint); }

 private:
  int fieldValue() const;

  Program& program_;
  CameraControl& camera_;
  std::string exposureField_;
  DialogExit exit_ = DialogExit::Open;
  bool redrawRequested_ = false;
  std::function<void()> repaint_;
  bool stopRequested_ = false;
  bool focusing_ = false;
  bool monitoring_ = false;
};

// The dark and flat files of automatic calibration: those chosen in the File menu, else
// dark.def and flat.def in the autosave folder.
std::filesystem::path darkFilePath(const Program& program);
std::filesystem::path flatFilePath(const Program& program);

// The help text of the dialog's "Help" button.
std::string_view cameraDialogHelpText();

}  // namespace nvk::acquire
