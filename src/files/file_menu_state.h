#pragma once

#include <cstdint>
#include <string>

namespace nvk::files {

// What the File menu remembers between commands for the run.
struct FileMenuState {
  // Chosen by "Select Dark Frame..." and "Select Flatfield File..."; read by the calibration
  // steps, nothing is read when they are chosen.
  std::string darkFramePath;
  std::string flatFieldPath;
  // The number of the last IMGn.FIT opened; 0 until one is. "Load next Autosaved File" goes on
  // from it.
  std::uint16_t lastLoadedAutosaveNumber = 0;
  // "8 bit integer (16 bit default)" of the FITS DETAILS dialog.
  bool fitsEightBit = false;
  // The filter entry (1-based) and folder the Open and Save dialogs last used; shared by both.
  int filterIndex = 1;
  std::string lastDirectory;
};

}  // namespace nvk::files
