#pragma once

#include <cstdint>
#include <filesystem>

#include "base/com_port_map.h"
#include "base/paths.h"
#include "image/display_image.h"
#include "image/fits_header_info.h"
#include "image/geometry.h"
#include "image/hot_pixel_map.h"
#include "image/image_state.h"
#include "image/plane_pool.h"
#include "image/process_state.h"
#include "port/clock.h"
#include "port/ui.h"
#include "settings/preferences.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace nvk::settings {

// The program-wide state, as far as the image and the settings go: the ports, the data root,
// the plane pool, the image state and the settings. It is the bottom of a stack of classes, one
// for each layer of folders, each adding the state of its own folder:
//
//   Program   ports, planes, geometry, image and processing state, settings,
//                       display
//   files::Program      + the File menu's choices
//   camera::Program     + the camera, its guide head and the filter-wheel channels
//   process::Program    + the measuring tools (photometry, plots, merging, show values)
//   colour::Program     + the colour tools' session choices
//   scope::Program      + the mount, the guiding loops, the AO unit
//   acquire::Program    + the exposure run's settings and guiding during an exposure
//   app::Program        the one object created in main() (or by a test) and alive until exit
//
// Code in a folder takes its own layer's Program, so it reaches only the state of its folder and
// of the folders below; nothing in the program is a global variable.
class Program {
 public:
  Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  port::Clock& clock() { return clock_; }
  port::Ui& ui() { return ui_; }
  const base::ProgramPaths& paths() const { return paths_; }

  // Recomputes `geometry` from `state.binned` and the half-size display option. Called after
  // every change of either.
  void applyGeometry();

  // Loads the settings file (and the COM port map) into `settings` and `fits`; the caller shows
  // the message for a failure.
  SettingsStatus loadSettingsFile();
  // Saves `settings` and `fits` to the settings file. While a session drive is in use it is
  // not written: the file keeps "no drive".
  SettingsStatus saveSettingsFile();

  // The simulated mount offered as the telescope drive for this run only (--simulate): it
  // speaks LX200 on the PC port, so while the settings choose no drive, `settings` choose that
  // one in memory, and guiding and Telescope Control are available; the settings file keeps
  // what it had. Loading the settings file offers it again; choosing another drive, or the user
  // saving the program defaults (sessionDriveSaved), ends the offer.
  void offerSimulatedDrive();
  // Takes the offer up again after the settings were read from the file by someone else.
  void applySessionDrive();
  // The user saved the program defaults: the drive shown there is the user's own from now on.
  void sessionDriveSaved() { sessionDrive_ = GuideOutputMode::None; }
  // True while `settings` choose the offered session drive.
  bool usingSessionDrive() const {
    return sessionDrive_ != GuideOutputMode::None && settings.guideOutputMode == sessionDrive_;
  }
  // Loads the preferences file into `preferences` (bad values take their defaults); the caller
  // shows what the load found. The file itself is not written.
  PreferencesLoad loadPreferencesFile();
  // Saves `preferences` to the preferences file; false when it could not be written.
  bool savePreferencesFile();

  // The autosave folder the settings name, on this machine.
  std::filesystem::path autosaveFolder() const {
    return paths_.resolveAutosaveDirectory(settings.autosaveDirectory);
  }

  image::PlanePool planes;
  image::ImageGeometry geometry;
  image::ImageState state;
  Settings settings;
  image::FitsHeaderInfo fits;
  // The text preferences file's keys (INDI server and devices, FITS keyword choice).
  Preferences preferences;
  image::ProcessingHistory history;
  image::DisplayImage display;
  image::HotPixelMap hotPixelMap;
  // Stretch table, background estimate and the undo record.
  image::ProcessState processing;
  base::ComPortMap comPorts;
  // "Auto Date" of the label dialog: kept for the run, not stored in the settings file.
  bool labelAutoDate = false;
  // "Bin High Res Display": show every second sample of every second row.
  bool halfSizeDisplay = false;
  // Wall-clock seconds at which the last exposure began and ended; quick save stamps the
  // mid-point into DATE-OBS and TIME-OBS.
  std::int64_t exposureStartSeconds = 0;
  std::int64_t exposureEndSeconds = 0;
  image::DisplayOptions displayOptions;
  // How a colour image is shown (and written to 8-bit files) while no balance was set.
  image::ColourDisplayStretch colourStretch;

 private:
  port::Clock& clock_;
  port::Ui& ui_;
  base::ProgramPaths paths_;
  GuideOutputMode sessionDrive_ = GuideOutputMode::None;
};

}  // namespace nvk::settings
