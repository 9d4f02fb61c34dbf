#include "files/file_commands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "base/messages.h"
#include "files/fits_details_dialog.h"
#include "files/fits_file.h"
#include "files/fits_time.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "files/tiff_file.h"
#include "settings/settings_file.h"

namespace nvk::files {
namespace {

constexpr int kFitsFilterEntry = 2;
constexpr int kAllFilesFilterEntry = 3;

bool hasExtension(const std::filesystem::path& path, std::string_view extension) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ext == extension;
}

port::FileDialogRequest request(const Program& program, std::string_view title,
                                std::string_view filter, std::string_view extension = {}) {
  port::FileDialogRequest r;
  r.title = title;
  r.filter = filter;
  r.directory = program.fileMenu.lastDirectory;
  r.defaultExtension = extension;
  r.filterIndex = program.fileMenu.filterIndex;
  return r;
}

// Remembers the folder and the filter entry of a chosen file, for Open and Save alike.
void rememberChoice(Program& program, const std::filesystem::path& chosen) {
  program.fileMenu.lastDirectory = chosen.parent_path().string();
  if (hasExtension(chosen, ".FIT")) {
    program.fileMenu.filterIndex = kFitsFilterEntry;
  } else if (chosen.filename().string().find('~') != std::string::npos) {
    program.fileMenu.filterIndex = 1;
  } else {
    program.fileMenu.filterIndex = kAllFilesFilterEntry;
  }
}

std::optional<std::filesystem::path> chooseRawOrFits(Program& program, std::string_view title) {
  const auto chosen = program.ui().openFileDialog(request(program, title, kOpenFilter));
  if (!chosen) return std::nullopt;
  return std::filesystem::path(*chosen);
}

// Save FITS and Save RGB FITS: today's date when DATE-OBS is short, the FITS DETAILS dialog,
// then the file.
std::optional<std::filesystem::path> saveFitsWithDetails(Program& program, bool rgb) {
  program.fileMenu.fitsEightBit = false;
  stampTodayWhenUndated(program);
  FitsDetailsDialog dialog(program.fits, program.fileMenu.fitsEightBit);
  if (program.ui().runDialog(dialog) != port::DialogResult::Ok) return std::nullopt;
  const auto chosen = program.ui().saveFileDialog(request(program, "Save", kFitsFilter, "FIT"));
  if (!chosen) return std::nullopt;
  rememberChoice(program, *chosen);
  FitsSaveOptions options;
  options.eightBit = program.fileMenu.fitsEightBit;
  options.rgb = rgb;
  saveFitsFile(program, *chosen, options);
  return std::filesystem::path(*chosen);
}

const std::array kFileCommands{
    FileCommand{command::kOpen, openCommand},
    FileCommand{command::kSave, saveCommand},
    FileCommand{command::kSaveTiff, saveTiffCommand},
    FileCommand{command::kSaveFits, saveFitsCommand},
    FileCommand{command::kQuickSaveFits, quickSaveFitsCommand},
    FileCommand{command::kLoadNextAutosaved, loadNextAutosavedCommand},
    FileCommand{command::kSaveRgbFits, saveRgbFitsCommand},
    FileCommand{command::kSaveFlat, saveFlatCommand},
    FileCommand{command::kDeleteFile, deleteFileCommand},
    FileCommand{command::kLoadEditAutosaveFitsText, loadEditAutosaveFitsTextCommand},
    FileCommand{command::kSelectDarkFrame, selectDarkFrameCommand},
    FileCommand{command::kSelectFlatField, selectFlatFieldCommand},
    FileCommand{command::kProcessingHistory, processingHistoryCommand},
    FileCommand{command::kShowFitsDetails, showFitsDetailsCommand},
    FileCommand{command::kLoadHotPixelMap, openCommand},
};

}  // namespace

void stampObservationTime(Program& program) {
  const std::int64_t start = program.exposureStartSeconds;
  const std::int64_t middle = start + (program.exposureEndSeconds - start) / 2;
  const CivilTime ut = addHours(localTimeOf(middle), program.fits.utOffsetHours);
  program.fits.timeObs = timeObsText(ut);
  program.fits.dateObs = dateObsText(ut);
}

void stampTodayWhenUndated(Program& program) {
  if (program.fits.dateObs.size() < 10) {
    program.fits.dateObs = todayDateObsText(localTimeOf(program.clock().wallSeconds()));
  }
}

SaveResult quickSaveFits(Program& program, DiskSpace disk) {
  const auto folder = program.autosaveFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::uint16_t previous = program.settings.autosaveCounter;
  program.settings.autosaveCounter = nextAutosaveCounter(previous);
  const auto path = folder / ("IMG" + std::to_string(program.settings.autosaveCounter) + ".FIT");

  stampObservationTime(program);

  FitsSaveOptions options;
  options.disk = disk;  // always 16 bits, whatever the eight-bit box says
  const SaveResult result = saveFitsFile(program, path, options);
  if (result != SaveResult::Saved) {
    program.settings.autosaveCounter = previous;
    return result;
  }
  if (program.saveSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowWriteFailure(program.ui(), base::Message::UnableToSaveIni);
  }
  return result;
}

std::string processingHistoryText(const image::ProcessingHistory& history) {
  std::string text;
  for (int slot = 0; slot < image::ProcessingHistory::kSlots; ++slot) {
    if (slot > 0 && history.slot(slot).size() < 2) break;
    text += history.slot(slot) + " \n";
  }
  return text;
}

using ChosenFile = std::optional<std::filesystem::path>;

bool settleUnsavedImage(Program& program) {
  if (!program.state.unsavedSinceExposure) return true;
  switch (program.ui().askSaveImage(
      base::kMessageTitle, "The image has not been saved since its exposure. Save it first?")) {
    case port::SaveChoice::Discard:
      return true;
    case port::SaveChoice::Cancel:
      return false;
    case port::SaveChoice::Save:
      break;
  }
  // A successful save of the image clears the mark; a cancelled or failed one keeps it.
  saveCommand(program);
  return !program.state.unsavedSinceExposure;
}

ChosenFile openCommand(Program& program) {
  if (!settleUnsavedImage(program)) return std::nullopt;
  const auto chosen = chooseRawOrFits(program, "Open");
  if (!chosen) return std::nullopt;
  rememberChoice(program, *chosen);
  if (program.beforeOpen) program.beforeOpen();
  // The window takes the file's name only when its image replaced the old one: a refused or
  // unreadable file, and a hot pixel map, leave the image and so its title.
  const OpenResult opened = openImageFile(program, *chosen);
  if (!opened.loaded || opened.kind == FileKind::HotPixelMap) return std::nullopt;
  return chosen;
}

ChosenFile saveCommand(Program& program) {
  const auto chosen = program.ui().saveFileDialog(request(program, "Save", kSaveFilter));
  if (!chosen) return std::nullopt;
  const std::filesystem::path path(*chosen);
  rememberChoice(program, path);
  if (hasExtension(path, ".FIT")) {
    FitsSaveOptions options;
    options.eightBit = program.fileMenu.fitsEightBit;
    saveFitsFile(program, path, options);
  } else if (hasExtension(path, ".TIF")) {
    saveTiffFile(program, path);
  } else {
    saveRawFile(program, path);
  }
  return path;
}

ChosenFile saveTiffCommand(Program& program) {
  const auto chosen = program.ui().saveFileDialog(request(program, "Save", kTiffFilter, "TIF"));
  if (!chosen) return std::nullopt;
  rememberChoice(program, *chosen);
  saveTiffFile(program, *chosen);
  return std::filesystem::path(*chosen);
}

ChosenFile saveFitsCommand(Program& program) {
  return saveFitsWithDetails(program, false);
}

ChosenFile quickSaveFitsCommand(Program& program) {
  quickSaveFits(program);
  return std::nullopt;
}

ChosenFile loadNextAutosavedCommand(Program& program) {
  auto& last = program.fileMenu.lastLoadedAutosaveNumber;
  if (last == 0 || last >= program.settings.autosaveCounter) {
    base::ShowMessage(program.ui(), base::Message::NoAutosavedFile);
    return std::nullopt;
  }
  if (!settleUnsavedImage(program)) return std::nullopt;
  ++last;
  openImageFile(program, program.autosaveFolder() / ("IMG" + std::to_string(last) + ".FIT"));
  return std::nullopt;
}

ChosenFile saveRgbFitsCommand(Program& program) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::RgbFitsNeedsColourConverted);
    return std::nullopt;
  }
  return saveFitsWithDetails(program, true);
}

ChosenFile saveFlatCommand(Program& program) {
  // Refused before a name is asked for: nothing on disk is touched.
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::FlatNeedsColourConverted);
    return std::nullopt;
  }
  const auto chosen = program.ui().saveFileDialog(request(program, "Save", kSaveFilter));
  if (!chosen) return std::nullopt;
  rememberChoice(program, *chosen);
  saveFlatFile(program, *chosen);
  return std::filesystem::path(*chosen);
}

ChosenFile deleteFileCommand(Program& program) {
  const auto chosen = chooseRawOrFits(program, "Delete File");
  if (!chosen) return std::nullopt;
  DeleteFileDialog dialog(std::filesystem::absolute(*chosen).string());
  if (program.ui().runDialog(dialog) == port::DialogResult::Ok) {
    std::error_code ec;
    std::filesystem::remove(*chosen, ec);
  }
  return std::nullopt;
}

ChosenFile loadEditAutosaveFitsTextCommand(Program& program) {
  if (program.loadSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowMessage(program.ui(), base::Message::UnableToLoadIni);
    return std::nullopt;
  }
  program.fileMenu.fitsEightBit = false;
  FitsDetailsDialog dialog(program.fits, program.fileMenu.fitsEightBit);
  program.ui().runDialog(dialog);
  if (program.saveSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowWriteFailure(program.ui(), base::Message::UnableToSaveIni);
  }
  return std::nullopt;
}

ChosenFile chooseCalibrationFile(Program& program, std::string_view title) {
  const auto chosen = program.ui().openFileDialog(request(program, title, kSaveFilter));
  if (!chosen) return std::nullopt;
  rememberChoice(program, *chosen);
  return std::filesystem::path(*chosen);
}

ChosenFile selectDarkFrameCommand(Program& program) {
  if (const auto chosen = chooseCalibrationFile(program, "Select Dark Frame")) {
    program.fileMenu.darkFramePath = std::filesystem::absolute(*chosen).string();
  }
  return std::nullopt;
}

ChosenFile selectFlatFieldCommand(Program& program) {
  if (const auto chosen = chooseCalibrationFile(program, "Select Flatfield File")) {
    program.fileMenu.flatFieldPath = std::filesystem::absolute(*chosen).string();
  }
  return std::nullopt;
}

ChosenFile processingHistoryCommand(Program& program) {
  program.ui().showMessage(kProcessingHistoryTitle, processingHistoryText(program.history));
  return std::nullopt;
}

ChosenFile showFitsDetailsCommand(Program& program) {
  FitsDetailsDialog dialog(program.fits, program.fileMenu.fitsEightBit);
  program.ui().runDialog(dialog);
  return std::nullopt;
}

const FileCommand* findFileCommand(int id) {
  const auto it = std::find_if(kFileCommands.begin(), kFileCommands.end(),
                               [id](const FileCommand& c) { return c.id == id; });
  return it == kFileCommands.end() ? nullptr : &*it;
}

}  // namespace nvk::files
