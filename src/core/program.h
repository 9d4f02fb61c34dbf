#pragma once

#include <cstdint>
#include <memory>

#include "acquire/acquire_settings.h"
#include "acquire/exposure_guiding.h"
#include "base/com_port_map.h"
#include "base/paths.h"
#include "camera/camera.h"
#include "camera/devices.h"
#include "colour/colour_state.h"
#include "colour/colour_tools_state.h"
#include "files/file_menu_state.h"
#include "image/display_image.h"
#include "image/fits_header_info.h"
#include "image/geometry.h"
#include "image/hot_pixel_map.h"
#include "image/image_state.h"
#include "image/plane_pool.h"
#include "port/clock.h"
#include "port/ui.h"
#include "process/measure_state.h"
#include "process/process_state.h"
#include "scope/guiding_state.h"
#include "scope/telescope_state.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace nvk::core {

// The one object that owns all program-wide state: created once in main() (or by a test) and
// alive until exit. Operations reach the planes, the image state, the settings and the ports
// through it; nothing in the program is a global variable.
class Program {
 public:
  Program(port::Clock& clock, port::Ui& ui, base::ProgramPaths paths);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  port::Clock& clock() { return clock_; }
  port::Ui& ui() { return ui_; }
  // The camera's main head (with its cooler, guide outputs, serial ports and filters) and its
  // guide head, over the channels in `devices`.
  camera::Camera& camera() { return *camera_; }
  camera::GuideHead& guideHead() { return *guideHead_; }
  const base::ProgramPaths& paths() const { return paths_; }

  // Recomputes `geometry` from `state.binned` and the half-size display option. Called after
  // every change of either.
  void applyGeometry();

  // Loads the settings file (and the COM port map) into `settings` and `fits`; the caller shows
  // the message for a failure.
  settings::SettingsStatus loadSettingsFile();
  // Saves `settings` and `fits` to the settings file.
  settings::SettingsStatus saveSettingsFile();

  // The autosave folder the settings name, on this machine.
  std::filesystem::path autosaveFolder() const {
    return paths_.resolveAutosaveDirectory(settings.autosaveDirectory);
  }

  image::PlanePool planes;
  image::ImageGeometry geometry;
  image::ImageState state;
  settings::Settings settings;
  image::FitsHeaderInfo fits;
  image::ProcessingHistory history;
  image::DisplayImage display;
  image::HotPixelMap hotPixelMap;
  base::ComPortMap comPorts;
  // Stretch table, background estimate and the undo record.
  process::ProcessState processing;
  // "Auto Date" of the label dialog: kept for the run, not stored in the settings file.
  bool labelAutoDate = false;
  // The mount: its serial routes, the Move Telescope state and the info lines.
  scope::TelescopeState telescope;
  // Guide star, guiding loops, trained guide-head values and the AO unit.
  scope::GuidingState guiding;
  // Session choices of the colour tools (daylight image, single-filter site, balance starts).
  colour::ColourState colour;
  // Photometry, row plot, merging and show-values state.
  process::MeasureState measure;
  // Colour balance, chromatism and colour filter choices.
  colour::ColourToolsState colourTools;
  // "Bin High Res Display": show every second sample of every second row.
  bool halfSizeDisplay = false;
  files::FileMenuState fileMenu;
  // Wall-clock seconds at which the last exposure began and ended; quick save stamps the
  // mid-point into DATE-OBS and TIME-OBS.
  std::int64_t exposureStartSeconds = 0;
  std::int64_t exposureEndSeconds = 0;
  image::DisplayOptions displayOptions;
  // The camera and filter-wheel channels, discovery results and camera state.
  camera::CameraDevices devices;
  // The exposure run's settings (the camera control dialog edits them).
  acquire::AcquireSettings acquisition;
  // Guiding with the guide head during an exposure; null until the guiding subsystem sets it.
  std::unique_ptr<acquire::ExposureGuiding> exposureGuiding;

 private:
  port::Clock& clock_;
  port::Ui& ui_;
  base::ProgramPaths paths_;
  std::unique_ptr<camera::Camera> camera_;
  std::unique_ptr<camera::GuideHead> guideHead_;
};

}  // namespace nvk::core
