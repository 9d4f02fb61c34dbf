#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "files/atomic_file.h"
#include "files/program.h"
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

// Sets DATE-OBS and TIME-OBS to the last exposure's mid-exposure time in UT.
void stampObservationTime(Program& program);

// What Save FITS and Save RGB FITS do before they write: a DATE-OBS too short to be a date
// becomes today's local date (an empty DATE-OBS is no FITS date); a date the image has, from
// its exposure or the file it was opened from, is kept.
void stampTodayWhenUndated(Program& program);

// Quick Save as FITS: IMGn.FIT in the autosave folder under the next autosave number, stamped
// with the mid-exposure time in UT; on success the settings file is saved so the number
// persists. A failed save keeps the number it had.
SaveResult quickSaveFits(Program& program, DiskSpace disk = {});

// Before the window closes or another file is opened over an image not saved since its
// exposure: asks whether to save it (Save, Discard, Cancel); Save runs File > Save. True when
// the image may go (there was nothing to save, it was saved, or the user discarded it); false
// when the user cancelled or the save did not happen.
bool settleUnsavedImage(Program& program);

// The open dialog of the calibration commands (Subtract Image, Apply Flat Field, Select Dark
// Frame, Select Flatfield File): it offers the folder and the filter entry chosen last and
// remembers the new choice, as Open does. nullopt when the user cancelled.
std::optional<std::filesystem::path> chooseCalibrationFile(Program& program,
                                                           std::string_view title);

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

std::optional<std::filesystem::path> openCommand(Program& program);
std::optional<std::filesystem::path> saveCommand(Program& program);
std::optional<std::filesystem::path> saveTiffCommand(Program& program);
std::optional<std::filesystem::path> saveFitsCommand(Program& program);
std::optional<std::filesystem::path> quickSaveFitsCommand(Program& program);
std::optional<std::filesystem::path> loadNextAutosavedCommand(Program& program);
std::optional<std::filesystem::path> saveRgbFitsCommand(Program& program);
std::optional<std::filesystem::path> saveFlatCommand(Program& program);
std::optional<std::filesystem::path> deleteFileCommand(Program& program);
std::optional<std::filesystem::path> loadEditAutosaveFitsTextCommand(Program& program);
std::optional<std::filesystem::path> selectDarkFrameCommand(Program& program);
std::optional<std::filesystem::path> selectFlatFieldCommand(Program& program);
std::optional<std::filesystem::path> processingHistoryCommand(Program& program);
std::optional<std::filesystem::path> showFitsDetailsCommand(Program& program);

// Each command returns the file the user chose in its file dialog, when the window is to take
// that file's name as its title (the saves, and Open when it loaded an image); nullopt
// otherwise.
struct FileCommand {
  int id;
  std::optional<std::filesystem::path> (*run)(Program& program);
};
// The handler of File menu command `id`; nullptr when the id is not one of them.
const FileCommand* findFileCommand(int id);

}  // namespace nvk::files
