#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "image/display_image.h"
#include "image/hot_pixel_map.h"
#include "image/process_state.h"
#include "port/dialog_controls.h"
#include "port/ui.h"
#include "process/program.h"
#include "settings/settings.h"

namespace nvk::process {

// A scroll bar or spin control action.
enum class Scroll { LineLeft, LineRight, PageLeft, PageRight, Thumb };

// "Normal Stretch" (resource 3): black and white levels over the histogram of the last
// background estimate. Both start at 0 and 255 each time it opens; typed values are not read.
class NormalStretchDialog final : public port::DialogModel {
 public:
  static constexpr int kBlackEdit = 101;
  static constexpr int kBlackScroll = 102;  // 0..255
  static constexpr int kWhiteScroll = 103;  // 1..300
  static constexpr int kWhiteEdit = 104;
  static constexpr int kBarLimit = 210;
  static constexpr int kTickSpacing = 32;

  explicit NormalStretchDialog(const image::BackgroundEstimate& histogram)
      : histogram_(histogram) {}
  std::string_view dialogId() const override { return "TNormalStretchDialog"; }
  std::string title() const override { return "Normal Stretch"; }

  int black() const { return black_; }
  int white() const { return white_; }
  std::string blackText() const { return std::to_string(black_); }
  std::string whiteText() const { return std::to_string(white_); }
  void scrollBlack(Scroll action, int thumbPosition = 0);
  void scrollWhite(Scroll action, int thumbPosition = 0);
  // A value typed into the Black or White field and committed (Enter, or leaving the field):
  // taken when it is a whole number the scroll bar could reach (black 0..255 below white,
  // white 1..300 above black); otherwise the value in force stays.
  void typeBlack(std::string_view text);
  void typeWhite(std::string_view text);
  // Where the markers below the histogram are drawn: the white one at 255 when above it.
  int blackMarker() const { return black_; }
  int whiteMarker() const { return white_ > 255 ? 255 : white_; }

  // One bar per value 0..255: count / 5, limited to 210; limited bars take the second colour.
  struct Bar {
    int height;
    bool limited;
  };
  std::array<Bar, 256> bars() const;
  // The baseline's tick marks: every 32 values.
  static std::vector<int> ticks();

  void help(port::Ui& ui) const;

 private:
  const image::BackgroundEstimate& histogram_;
  int black_ = 0;
  int white_ = 255;
};

// "Power Law Stretch" (resource 2): the power in tenths, 1.0 at each opening, 0.1..3.0.
class PowerLawDialog final : public port::DialogModel {
 public:
  static constexpr int kScroll = 101;  // 1..30
  static constexpr int kEdit = 102;

  std::string_view dialogId() const override { return "TPowerLawDialog"; }
  std::string title() const override { return "Power Law Stretch"; }
  int powerTenths() const { return tenths_; }
  int scrollPosition() const { return tenths_; }
  std::string powerText() const;  // "%1.1f"
  void scroll(Scroll action, int thumbPosition = 0);
  void help(port::Ui& ui) const;

 private:
  int tenths_ = 10;
};

// "Non-Linear Stretch" (resource 16): a whole power, 25 at each opening; the arrows move it
// within 2..50, a typed value of 1..50 is accepted by OK.
class NonLinearDialog final : public port::DialogModel {
 public:
  static constexpr int kArrows = 213;
  static constexpr int kEdit = 102;
  static constexpr std::string_view kText =
      "This stretch works well for images of nebulae. First use the stretch that removes the "
      "background. ";

  std::string_view dialogId() const override { return "TNonLinearDialog"; }
  std::string title() const override { return "Non-Linear Stretch"; }
  int power() const { return power_; }
  const std::string& fieldText() const { return field_; }
  void type(std::string text) { field_ = std::move(text); }
  void arrowUp();
  void arrowDown();
  // OK: true (close) for a typed whole number 1..50; otherwise the field and the power return
  // to 25 and the dialog stays open.
  bool ok();
  void help(port::Ui& ui) const;

 private:
  void readTypedValue();
  int power_ = 25;
  std::string field_ = "25";
};

// "Auto-Processing Choices" (resource 20): the automatic processing settings, shared with the
// colour synthesis dialog. Radio buttons and check boxes act at once; "Save" validates the
// three numbers.
class AutoProcessingDialog final : public port::DialogModel {
 public:
  static constexpr int kNoStretch = 101;
  static constexpr int kWeakStretch = 102;
  static constexpr int kStrongStretch = 103;
  static constexpr int kUserStretch = 104;
  static constexpr int kRemoveBackground = 106;
  static constexpr int kHighPassLowPower = 107;
  static constexpr int kUnsharpMask = 108;
  static constexpr int kUserPowerEdit = 111;
  static constexpr int kDiameterEdit = 112;
  static constexpr int kPowerEdit = 113;

  explicit AutoProcessingDialog(settings::Settings& settings);
  std::string_view dialogId() const override { return "TAutoProcessDialog"; }
  std::string title() const override { return "Auto-Processing Choices"; }

  int checkedRadio() const;
  void selectRadio(int controlId);
  bool isChecked(int controlId) const;
  void toggle(int controlId);
  const std::string& text(int editId) const;
  void type(int editId, std::string text);
  // "Save": stores each valid number and closes (true) when all three are valid; otherwise
  // beeps. The fields then show the stored values.
  bool save(port::Ui& ui);
  void help(port::Ui& ui) const;

 private:
  void showStored();
  settings::Settings& settings_;
  port::CheckBoxes boxes_;
  std::array<std::string, 3> fields_;
};

// "Stretch Display" (resource 21): the display stretch power 2..50 and the "Activate" box,
// which toggles the display stretch through the main window's "Max Stretch Toggle" command.
class StretchDisplayDialog final : public port::DialogModel {
 public:
  static constexpr int kActivate = 21002;
  static constexpr int kScroll = 21005;
  static constexpr int kEdit = 21006;
  static constexpr int kMaxStretchToggle = 1906;
  static constexpr int kMaxStretchDo = 1907;

  // `command` runs a main-window command by its id; `colourImage` is whether the current image
  // is colour converted.
  StretchDisplayDialog(image::DisplayOptions& display, bool colourImage,
                       std::function<void(int)> command)
      : display_(display), colourImage_(colourImage), command_(std::move(command)) {}
  std::string_view dialogId() const override { return "TStretchDisplayDialog"; }
  std::string title() const override { return "Stretch Display"; }

  int power() const { return static_cast<int>(display_.stretchPower); }
  std::string powerText() const { return std::to_string(power()); }
  bool activeChecked() const { return display_.maxStretch; }
  void scroll(Scroll action, int thumbPosition = 0);
  void clickActivate() { command_(kMaxStretchToggle); }
  // Each repaint of the dialog on a monochrome image rebuilds the display with the power.
  void repainted() {
    if (!colourImage_) command_(kMaxStretchDo);
  }

 private:
  image::DisplayOptions& display_;
  bool colourImage_;
  std::function<void(int)> command_;
};

// "Unsharp Mask Filter" (resource 1): radius and power, 1..7 each, starting at 3 and 1.
class UnsharpMaskDialog final : public port::DialogModel {
 public:
  std::string_view dialogId() const override { return "TUnsharpMaskDialog"; }
  std::string title() const override { return "Unsharp Mask Filter"; }
  int radius() const { return radius_; }
  int power() const { return power_; }
  void scrollRadius(Scroll action);
  void scrollPower(Scroll action);
  void help(port::Ui& ui) const;

 private:
  int radius_ = 3;
  int power_ = 1;
};

// "Median Filter" (resource 4): radius 1..3 (1 at start) and power 0.1..1.0 in tenths (0.6).
class MedianFilterDialog final : public port::DialogModel {
 public:
  std::string_view dialogId() const override { return "TMedianFilterDialog"; }
  std::string title() const override { return "Median Filter"; }
  int radius() const { return radius_; }
  int powerTenths() const { return tenths_; }
  std::string radiusText() const { return std::to_string(radius_); }
  std::string powerText() const;  // "%1.1f"
  void arrowRadius(bool up);
  void arrowPower(bool up);
  void help(port::Ui& ui) const;

 private:
  int radius_ = 1;
  int tenths_ = 6;
};

// "Calculate Hot Pixel Map" (THPMDialog): the threshold scroller rescans RawImage into the
// program's map after every action; the map's file name can be changed; "Save Pixel Map"
// closes with Ok (the command then writes the file), "Finished" with Cancel.
class HotPixelMapDialog final : public port::DialogModel {
 public:
  static constexpr int kScroll = 32007;  // 5000..65535
  static constexpr int kNameEdit = 32002;
  static constexpr int kChange = 32006;
  static constexpr int kMinThreshold = 5000;
  static constexpr int kMaxThreshold = 65535;
  static constexpr std::size_t kMaxName = 40;

  // Scans once with the current threshold.
  explicit HotPixelMapDialog(Program& program);
  std::string_view dialogId() const override { return "THPMDialog"; }
  std::string title() const override { return "Calculate Hot Pixel Map"; }

  int threshold() const { return program_.hotPixelMap.threshold; }
  std::string thresholdText() const { return std::to_string(threshold()); }
  std::string foundText() const { return std::to_string(found_); }
  std::string directoryText() const;
  const std::string& nameField() const { return nameField_; }
  std::string pathText() const;
  void scroll(Scroll action, int thumbPosition = 0);
  void typeName(std::string text) { nameField_ = std::move(text); }
  // "Change": a name with any of * / : ? \ in its first 40 characters shows an empty message box
  // and keeps the old name; an empty one restores "K7LQ_HPM".
  void change();
  port::DialogResult saveMap() { return port::DialogResult::Ok; }
  port::DialogResult finished() { return port::DialogResult::Cancel; }

 private:
  void rescan();
  Program& program_;
  std::size_t found_ = 0;
  std::string nameField_;
};

// --- the commands that open these dialogs ---
void NormalStretchCommand(Program& program);
void PowerLawStretchCommand(Program& program);
void NonLinearStretchCommand(Program& program);
void AutoProcessingChoicesCommand(Program& program);
void UnsharpMaskCommand(Program& program);
void MedianFilterCommand(Program& program);
// Create Hot Pixel Map (command 32101): the dialog, then the file when "Save Pixel Map" closed it.
void CreateHotPixelMapCommand(Program& program);

}  // namespace nvk::process
