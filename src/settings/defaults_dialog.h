#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/com_port_map.h"
#include "base/paths.h"
#include "image/fits_header_info.h"
#include "port/ui.h"
#include "settings/preferences.h"
#include "settings/settings.h"
#include "settings/value_ranges.h"

namespace nvk::settings {

// "Set Program Defaults": every control acts on the settings in memory at once; "Save Changes"
// takes over the autosave folder and the slew values and writes the settings file.
class DefaultsDialog final : public port::DialogModel {
 public:
  // The edits of one column of guide values ("Main Camera" or "Autoguider"), as typed.
  struct SlewEdits {
    std::string raRate, decRate, raBacklash, decBacklash, raHysteresis, decHysteresis;
  };
  static constexpr int kMaxHysteresis = kHysteresisRange.hi;
  static constexpr std::size_t kMaxDirectoryChars = 78;

  DefaultsDialog(Settings& settings, image::FitsHeaderInfo& fits, const base::ProgramPaths& paths,
                 base::ComPortMap& comPorts, port::Ui& ui);

  std::string_view dialogId() const override { return "TDefaultsDialog"; }
  std::string title() const override { return "Set Program Defaults"; }

  // Opening: the settings file is loaded first (a failure is reported; the dialog still opens)
  // and the edits are filled from the settings. Before the first save there is no file: the
  // settings in memory are shown as they are.
  void open();

  // Whether a USB filter wheel was found: "Use USB Filterwheel " only takes effect then.
  void setUsbFilterWheelFound(bool found) { usbFilterWheelFound_ = found; }
  // Called when the window background changes, so the main window repaints it.
  std::function<void()> onBackgroundChanged;
  // Called when "Force Maximum Cooling" is turned on: the cooler set-point goes to its maximum.
  std::function<void()> onForceMaximumCooling;

  // --- radio groups ---
  void setGuideStarMaskRadius(int pixels);  // 7, 8, 9, 11, 13 or 15
  void setWindowBackground(WindowBackground background);
  void setGuideOutputMode(GuideOutputMode mode);
  void setGuideAccuracy(int thousandths);                 // 1000, 800, 500 or 200
  void setTelescopeComPort(int index);                    // 0 = "Com1", 1 = "Com2"
  void setTrainingSeconds(bool mainCamera, int seconds);  // 1, 2, 4 or 8

  // --- check boxes (each click toggles) ---
  void toggleIgnoreDrift() { flip(settings_.ignoreDriftBelowAccuracy); }
  void toggleIgnoreBacklash() { flip(settings_.ignoreBacklash); }
  void toggleNoNorthCorrections() { flip(settings_.noNorthCorrections); }
  void toggleNoSouthCorrections() { flip(settings_.noSouthCorrections); }
  void toggleDoubleSlewTimes() { settings_.slewTimeFactor = settings_.slewTimeFactor == 2 ? 1 : 2; }
  void toggleBypassHelmix() { flip(settings_.bypassHelmixInterface); }
  void toggleFilterWheelOnSerialPort() { flip(settings_.filterWheelOnSerialPort); }
  void toggleUseUsbFilterWheel();
  void togglePixelOffset() { flip(settings_.pixelOffset); }
  void toggleLineOffset() { flip(settings_.lineOffset); }
  void toggleFocusDelay() { flip(settings_.focusOneSecondDelay); }
  void toggleShowInterfaceDetails() { flip(settings_.showInterfaceDetails); }
  void toggleForceMaximumCooling();
  void togglePadFits() { flip(settings_.padFits); }
  void toggleAoAvailable();
  void toggleAoHalfRate() { flip(settings_.aoHalfRate); }
  void toggleIgnoreVidPid() { flip(settings_.ignoreCameraVidPid); }
  void toggleTiff16Bit() { flip(settings_.tiff16Bit); }

  // "Standard FITS Keywords" (the preference fits.standard_keywords): the dialog edits the
  // preferences attached by attachPreferences (below) and "Save Changes" writes their file;
  // unattached, the box reads off and does nothing.
  void toggleStandardKeywords() {
    if (preferences_) flip(preferences_->fitsStandardKeywords);
  }
  bool standardKeywords() const { return preferences_ && preferences_->fitsStandardKeywords; }

  // The read-only text beside "Filter Wheel".
  std::string filterWheelPortText() const;
  // Beside the autosave folder: where the folder typed is on this machine ("c:\AUTOSAVE" is
  // <data root>/autosave); empty while the text names no usable drive.
  std::string autosaveFolderOnThisMachine() const;
  // Beside "Com1"/"Com2": the serial device the telescope commands reach. On the PC route
  // ("PC" serial route) it is the device of the PC COM port; otherwise the camera's own serial
  // port that Com1/Com2 choose.
  std::string telescopeDeviceText() const;
  // "Last Num": the autosave counter.
  std::string lastNumText() const { return std::to_string(settings_.autosaveCounter); }

  // --- edits and their buttons ---
  SlewEdits mainEdits;
  SlewEdits guiderEdits;
  // "Set slew values": takes over both columns. A field that is not a whole number in its range
  // (value_ranges.h: rates 1..49, RA backlash 0..30, Dec backlash 0..49) keeps its value and beeps;
  // the hysteresis values are capped at 20.
  void setSlewValues();

  std::string filterCountEdit;
  std::array<std::string, Settings::kMaxFilters> filterNameEdits;
  // "Set Filter Details": a count outside 1..8 becomes 7, names are cut to 8 characters.
  void setFilterDetails();

  std::string autosaveDirEdit;
  // "Set AutoSave Dir": makes the text a full path and checks that the folder can be entered
  // or created ("Sorry, Invalid directory" otherwise). True when it was taken.
  bool setAutosaveDir();

  std::string pcComPortEdit;  // "PC Com Port", 1..7
  // Takes the edit when it holds 1..7; otherwise beeps and keeps the port.
  bool setPcComPort();

  // The serial device of each PC COM port, edited in place; saved by "Save Changes".
  std::array<std::string, base::ComPortMap::kPorts> comPortDeviceEdits;

  // --- the INDI mount: a fourth "Telescope Guiding" choice, kept in the preferences file ---
  // Offers the choice; the program attaches its preferences, which "Save Changes" saves.
  void attachPreferences(Preferences& preferences);
  bool indiOffered() const { return preferences_ != nullptr; }
  // "INDI": the preferences choose the INDI mount; the settings file's drive stays as it is
  // (another choice of setGuideOutputMode turns INDI off again).
  void chooseIndi();
  bool indiChosen() const { return preferences_ != nullptr && preferences_->indiEnabled; }
  // The server and device edits, as typed.
  struct IndiEdits {
    std::string host, port, mount, focuser;
  };
  IndiEdits indiEdits;
  // Takes the edits into the preferences, each on its own; an empty host or mount, or a port
  // outside 1..65535, beeps and keeps its own preference (false).
  bool setIndiDetails();

  // --- closing ---
  // "Save Changes": applies the folder and the slew values; closes (true) only with a valid
  // folder, after saving the settings file (a failure is reported).
  bool saveChanges();
  // "Cancel": changes already applied stay in memory but are not saved.
  void cancel() {}

  const Settings& settings() const { return settings_; }

 private:
  static void flip(bool& b) { b = !b; }
  void fillEdits();
  void fillIndiEdits();
  void fillSlewEdits();
  void applySlewColumn(const SlewEdits& edits, GuideParameters& guide);

  Settings& settings_;
  image::FitsHeaderInfo& fits_;
  const base::ProgramPaths& paths_;
  base::ComPortMap& comPorts_;
  port::Ui& ui_;
  Preferences* preferences_ = nullptr;
  bool usbFilterWheelFound_ = false;
};

// Makes the typed autosave folder a full path as the defaults dialog does, without touching the
// disk: empty stays empty (the default folder), a drive path must name drive c:, a POSIX path
// stays, anything else lies on drive c:. Returns nullopt for a drive that does not exist.
std::optional<std::string> normaliseAutosaveDirectory(std::string_view typed);

// Checks that the folder named by a normalised setting can be entered or created.
bool autosaveDirectoryUsable(const base::ProgramPaths& paths, std::string_view setting);

}  // namespace nvk::settings
