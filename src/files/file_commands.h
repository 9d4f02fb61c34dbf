#pragma once

#include <filesystem>
#include <string_view>

#include "core/program.h"
#include "files/atomic_file.h"
#include "files/save_result.h"

namespace nvk::files {

// The file dialogs' filter strings.
inline constexpr std::string_view kOpenFilter =
    "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|";
inline constexpr std::string_view kSaveFilter =
    "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|";
inline constexpr std::string_view kFitsFilter = "FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|";
inline constexpr std::string_view kTiffFilter = "Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|";
inline constexpr std::string_view kProcessingHistoryTitle = "NVK_K7LQ - PROCESSING HISTORY";

// Quick Save as FITS: IMGn.FIT in the autosave folder under the next autosave number, stamped
// with the mid-exposure time in UT; on success the settings file is saved so the number
// persists. A failed save keeps the number it had.
SaveResult quickSaveFits(core::Program& program, DiskSpace disk = {});

// The text of the Processing History box: each entry and " \n", from the first slot, stopping
// before the first later slot with fewer than two characters.
std::string processingHistoryText(const image::ProcessingHistory& history);

// The File menu's commands, by their ids.
namespace command {
inline constexpr int kOpen = 24332;
inline constexpr int kSave = 24333;
inline constexpr int kSaveTiff = 24334;
inline constexpr int kSaveFits = 24335;
inline constexpr int kQuickSaveFits = 24336;
inline constexpr int kLoadNextAutosaved = 24337;
inline constexpr int kSaveRgbFits = 24338;
inline constexpr int kSaveFlat = 127;
inline constexpr int kDeleteFile = 13;
inline constexpr int kLoadEditAutosaveFitsText = 19;
inline constexpr int kSelectDarkFrame = 104;
inline constexpr int kSelectFlatField = 122;
inline constexpr int kProcessingHistory = 17;
inline constexpr int kShowFitsDetails = 20;
inline constexpr int kLoadHotPixelMap = 32102;
}  // namespace command

void openCommand(core::Program& program);
void saveCommand(core::Program& program);
void saveTiffCommand(core::Program& program);
void saveFitsCommand(core::Program& program);
void quickSaveFitsCommand(core::Program& program);
void loadNextAutosavedCommand(core::Program& program);
void saveRgbFitsCommand(core::Program& program);
void saveFlatCommand(core::Program& program);
void deleteFileCommand(core::Program& program);
void loadEditAutosaveFitsTextCommand(core::Program& program);
void selectDarkFrameCommand(core::Program& program);
void selectFlatFieldCommand(core::Program& program);
void processingHistoryCommand(core::Program& program);
void showFitsDetailsCommand(core::Program& program);

struct FileCommand {
  int id;
  void (*run)(core::Program& program);
};
// The handler of File menu command `id`; nullptr when the id is not one of them.
const FileCommand* findFileCommand(int id);

}  // namespace nvk::files
