#include "files/file_commands.h"

#include "app/command_map.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>

#include "files/fits_details_dialog.h"
#include "files/fits_file.h"
#include "files/fits_time.h"
#include "files/hot_pixel_map_file.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "files/tiff_file.h"
#include "files_test_support.h"
#include "process/measure_merge.h"
#include "support/program_fixture.h"

namespace nvk::files {
namespace {

using port::DialogResult;
using test::makeImage;

class FileCommandsTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  void run(int id) {
    const FileCommand* c = findFileCommand(id);
    ASSERT_NE(c, nullptr) << id;
    c->run(program);
  }
  void continueDetails() {
    ui.onDialog<FitsDetailsDialog>("TFitsDetailsDialog",
                                   [](FitsDetailsDialog& d) { return d.pressContinue(); });
  }
};

TEST_F(FileCommandsTest, QuickSaveNamesTheFileByTheNextCounterAndStampsMidExposureUt) {
  makeImage(program, true, false);
  program.settings.autosaveCounter = 65529;
  program.fits.utOffsetHours = 2;
  program.fileMenu.fitsEightBit = true;  // quick save ignores it
  program.exposureStartSeconds = 1'000'000'000;
  program.exposureEndSeconds = 1'000'000'601;
  ASSERT_EQ(quickSaveFits(program), SaveResult::Saved);
  const auto first = program.autosaveFolder() / "IMG65530.FIT";
  ASSERT_TRUE(std::filesystem::exists(first));
  EXPECT_EQ(std::filesystem::file_size(first), 3'084'480u);  // 16 bits, padded
  EXPECT_EQ(program.settings.autosaveCounter, 65530);
  const CivilTime ut = addHours(localTimeOf(1'000'000'300), 2);
  EXPECT_EQ(program.fits.timeObs, timeObsText(ut));
  EXPECT_EQ(program.fits.dateObs, dateObsText(ut));
  const auto bytes = test::readBytes(first);
  EXPECT_EQ(test::cardOf(bytes, 11).substr(0, 20),
            "TIME-OBS= '" + timeObsText(ut).substr(0, 8) + "'");

  // The counter persisted in the settings file, and wraps to 1 on the next save.
  app::Program reloaded(clock, ui, base::ProgramPaths(root.path()));
  ASSERT_EQ(reloaded.loadSettingsFile(), settings::SettingsStatus::Ok);
  EXPECT_EQ(reloaded.settings.autosaveCounter, 65530);
  ASSERT_EQ(quickSaveFits(program), SaveResult::Saved);
  EXPECT_TRUE(std::filesystem::exists(program.autosaveFolder() / "IMG1.FIT"));
  EXPECT_EQ(program.settings.autosaveCounter, 1);
}

TEST_F(FileCommandsTest, FailedQuickSaveKeepsTheCounter) {
  makeImage(program, true, false);
  program.settings.autosaveCounter = 7;
  EXPECT_EQ(quickSaveFits(program, DiskSpace{10}), SaveResult::WriteFailed);
  EXPECT_EQ(program.settings.autosaveCounter, 7);
  EXPECT_FALSE(std::filesystem::exists(program.autosaveFolder() / "IMG8.FIT"));
  EXPECT_EQ(
      ui.messageTexts(),
      std::vector<std::string>{"Unable to create file, check disk space\nNo space left on device"});
}

TEST_F(FileCommandsTest, LoadNextAutosavedWalksToTheCounterThenStops) {
  const std::vector<std::string> sorry{
      "Sorry, you must first load an autosaved file to start the sequence, or there are no more "
      "files"};
  makeImage(program, true, false);
  program.settings.autosaveCounter = 11;
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(quickSaveFits(program), SaveResult::Saved);  // 12..14
  run(command::kLoadNextAutosaved);                        // no autosaved file loaded yet
  EXPECT_EQ(ui.messageTexts(), sorry);
  EXPECT_EQ(program.fileMenu.lastLoadedAutosaveNumber, 0);
  ui.clearRecord();
  ui.answerFileDialog((program.autosaveFolder() / "IMG12.FIT").string());
  run(command::kOpen);
  EXPECT_EQ(program.fileMenu.lastLoadedAutosaveNumber, 12);
  run(command::kLoadNextAutosaved);
  EXPECT_EQ(program.fileMenu.lastLoadedAutosaveNumber, 13);
  run(command::kLoadNextAutosaved);
  EXPECT_EQ(program.fileMenu.lastLoadedAutosaveNumber, 14);
  EXPECT_TRUE(ui.messageTexts().empty());
  run(command::kLoadNextAutosaved);
  EXPECT_EQ(program.fileMenu.lastLoadedAutosaveNumber, 14);
  EXPECT_EQ(ui.messageTexts(), sorry);
}

TEST_F(FileCommandsTest, SaveFitsOffersTodayShowsDetailsAndWritesOnContinue) {
  makeImage(program, false, false);
  program.fileMenu.fitsEightBit = true;  // cleared before the dialog opens
  ui.onDialog<FitsDetailsDialog>("TFitsDetailsDialog", [this](FitsDetailsDialog& d) {
    EXPECT_FALSE(d.eightBit());
    EXPECT_EQ(d.text(103), todayDateObsText(localTimeOf(clock.wallSeconds())));
    d.setText(101, "M51");
    return d.pressContinue();
  });
  ui.answerFileDialog((root / "m51.FIT").string());
  run(command::kSaveFits);
  EXPECT_TRUE(ui.scriptErrors().empty());
  ASSERT_EQ(ui.fileDialogRequests().size(), 1u);
  EXPECT_EQ(ui.fileDialogRequests()[0].filter, "FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|");
  EXPECT_EQ(ui.fileDialogRequests()[0].defaultExtension, "FIT");
  EXPECT_EQ(std::filesystem::file_size(root / "m51.FIT"), 12'312'000u);
  EXPECT_EQ(program.fits.object, "M51");
  EXPECT_EQ(program.fileMenu.filterIndex, 2);
}

TEST_F(FileCommandsTest, AbortWritesNothingAndKeepsTheRecord) {
  makeImage(program, false, false);
  program.fits.dateObs = "2026-01-02";
  ui.onDialog<FitsDetailsDialog>("TFitsDetailsDialog", [](FitsDetailsDialog& d) {
    d.setText(101, "typed");
    return d.pressAbort();
  });
  run(command::kSaveFits);
  EXPECT_TRUE(ui.fileDialogRequests().empty());
  EXPECT_EQ(program.fits.object, "");
  EXPECT_EQ(program.fits.dateObs, "2026-01-02");
}

// Save RGB FITS and Save Flat File refuse a monochrome image before any dialog.
TEST_F(FileCommandsTest, ColourSavesRefuseAMonochromeImageBeforeAnyDialog) {
  makeImage(program, true, false);
  run(command::kSaveRgbFits);
  run(command::kSaveFlat);
  EXPECT_EQ(ui.messageTexts(),
            (std::vector<std::string>{
                "Sorry, you can only save a colour converted file as a RGB FITS file",
                "Sorry, you can only save a colour converted file as a Flat file"}));
  EXPECT_TRUE(ui.dialogsShown().empty());
  EXPECT_TRUE(ui.fileDialogRequests().empty());

  makeImage(program, true, true);
  continueDetails();
  ui.answerFileDialog((root / "rgb.FIT").string());
  run(command::kSaveRgbFits);
  EXPECT_EQ(std::filesystem::file_size(root / "rgb.FIT"), 5760u + 3 * 3'076'480u + 960u);
}

TEST_F(FileCommandsTest, SaveChoosesTheWriterByTheName) {
  makeImage(program, true, false);
  program.state.modeCode = '2';
  for (const char* name : {"a.FIT", "b.tif", "~c", "d.raw"})
    ui.answerFileDialog((root / name).string());
  for (int i = 0; i < 4; ++i)
    run(command::kSave);
  EXPECT_EQ(std::filesystem::file_size(root / "a.FIT"), 3'084'480u);
  EXPECT_EQ(std::filesystem::file_size(root / "b.tif"), 186u + 40 + 1010 * 1520);
  EXPECT_EQ(std::filesystem::file_size(root / "~c"), 3'076'490u);
  EXPECT_EQ(std::filesystem::file_size(root / "d.raw"), 3'076'490u);
  EXPECT_EQ(ui.fileDialogRequests()[0].filter,
            "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|");
  // The filter entry follows the last choice: FITS, all files, the program's own, all files.
  EXPECT_EQ(ui.fileDialogRequests()[1].filterIndex, 2);
  EXPECT_EQ(ui.fileDialogRequests()[2].filterIndex, 3);
  EXPECT_EQ(ui.fileDialogRequests()[3].filterIndex, 1);
  EXPECT_EQ(program.fileMenu.filterIndex, 3);
}

TEST_F(FileCommandsTest, DeleteFileAsksAndDeletesOnOk) {
  test::writeBytes(root / "old.raw", "x");
  test::writeBytes(root / "keep.raw", "x");
  ui.answerFileDialog((root / "keep.raw").string());
  ui.onDialog("TDeleteFileDialog", [](port::DialogModel&) { return DialogResult::Cancel; });
  run(command::kDeleteFile);
  ui.answerFileDialog((root / "old.raw").string());
  ui.onDialog<DeleteFileDialog>("TDeleteFileDialog", [this](DeleteFileDialog& d) {
    EXPECT_EQ(d.path(), (root / "old.raw").string());
    EXPECT_EQ(d.title(), "DELETE FILE DIALOG");
    return DialogResult::Ok;
  });
  run(command::kDeleteFile);
  EXPECT_TRUE(ui.scriptErrors().empty());
  EXPECT_FALSE(std::filesystem::exists(root / "old.raw"));
  EXPECT_TRUE(std::filesystem::exists(root / "keep.raw"));
}

// Open named the window after any chosen file, so a file it refused renamed the old image.
TEST_F(FileCommandsTest, OpenGivesATitleOnlyWhenItLoadsAnImage) {
  makeImage(program, true, false);
  ASSERT_EQ(saveRawFile(program, root / "frame~1"), SaveResult::Saved);
  ASSERT_EQ(saveTiffFile(program, root / "frame.TIF"), SaveResult::Saved);
  std::ofstream(root / "garbage.FIT") << "not an image";
  image::HotPixelMap map;
  map.entries = {3045};
  ASSERT_EQ(writeHotPixelMapFile(root / "K7LQ_HPM.HPM", map), HotPixelMapWrite::Written);
  const struct {
    const char* name;
    bool titled;
  } cases[] = {{"frame~1", true},
               {"frame.TIF", false},
               {"garbage.FIT", false},
               {"missing.FIT", false},
               {"K7LQ_HPM.HPM", false}};
  for (const auto& c : cases) {
    ui.answerFileDialog((root / c.name).string());
    const auto title = findFileCommand(command::kOpen)->run(program);
    EXPECT_EQ(title.has_value(), c.titled) << c.name;
    if (title) {
      EXPECT_EQ(*title, root / c.name);
    }
  }
}

// Open while merging: the merge ends first, so its picks no longer act on the opened file.
TEST_F(FileCommandsTest, OpenEndsAMergeInProgress) {
  makeImage(program, true, false);
  ASSERT_EQ(saveRawFile(program, root / "frame~1"), SaveResult::Saved);
  ASSERT_TRUE(process::StartMerging(program, false));
  ui.answerFileDialog((root / "frame~1").string());
  run(command::kOpen);
  EXPECT_EQ(program.measure.active, process::MeasureTool::None);
  EXPECT_EQ(process::mergePick(program, 100, 100), process::MergePickOutcome::Ignored);
  EXPECT_TRUE(ui.messageTexts().empty());
}

// File > Open over an image not saved since its exposure asks first: Cancel (or a save that
// does not happen) keeps the image and opens nothing; Save writes it through File > Save.
TEST_F(FileCommandsTest, OpenOverAnUnsavedExposureAsksSaveDiscardOrCancel) {
  makeImage(program, true, false);
  ASSERT_EQ(saveRawFile(program, root / "other~1"), SaveResult::Saved);
  const struct {
    const char* what;
    port::SaveChoice choice;
    std::optional<std::string> saveAs;  // the Save dialog's answer
    bool opened;
    bool savedFile;
  } cases[] = {
      {"cancel", port::SaveChoice::Cancel, std::nullopt, false, false},
      {"discard", port::SaveChoice::Discard, std::nullopt, true, false},
      {"save", port::SaveChoice::Save, "kept.FIT", true, true},
      {"save, dialog cancelled", port::SaveChoice::Save, std::nullopt, false, false},
      {"save fails", port::SaveChoice::Save, "no/such/folder/kept.FIT", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(root / "kept.FIT");
    ui.clearRecord();
    program.planes.RawImage[0] = 1234;
    program.state.unsavedSinceExposure = true;
    ui.answerSaveQuestion(c.choice);
    if (c.choice == port::SaveChoice::Save) {
      ui.answerFileDialog(c.saveAs ? std::optional((root / *c.saveAs).string()) : std::nullopt);
    }
    if (c.opened) ui.answerFileDialog((root / "other~1").string());
    run(command::kOpen);
    EXPECT_EQ(ui.saveQuestions().size(), 1u);
    EXPECT_TRUE(ui.scriptErrors().empty());
    EXPECT_EQ(program.planes.RawImage[0] != 1234, c.opened);
    EXPECT_EQ(program.state.unsavedSinceExposure, !c.opened);
    EXPECT_EQ(std::filesystem::exists(root / "kept.FIT"), c.savedFile);
  }
  // A saved image is not asked about.
  ASSERT_EQ(saveRawFile(program, root / "saved~1"), SaveResult::Saved);
  ui.clearRecord();
  ui.answerFileDialog((root / "other~1").string());
  run(command::kOpen);
  EXPECT_TRUE(ui.saveQuestions().empty());
}

TEST_F(FileCommandsTest, SavesClearTheUnsavedMarkAndAFailedOneKeepsIt) {
  makeImage(program, true, false);
  const struct {
    const char* what;
    std::function<SaveResult()> save;
    bool cleared;
  } cases[] = {
      {"FITS", [&] { return saveFitsFile(program, root / "a.FIT", {}); }, true},
      {"raw", [&] { return saveRawFile(program, root / "a~1"); }, true},
      {"TIFF", [&] { return saveTiffFile(program, root / "a.TIF"); }, true},
      {"quick save", [&] { return quickSaveFits(program); }, true},
      {"full disk", [&] { return quickSaveFits(program, DiskSpace{10}); }, false},
  };
  for (const auto& c : cases) {
    program.state.unsavedSinceExposure = true;
    c.save();
    EXPECT_EQ(program.state.unsavedSinceExposure, !c.cleared) << c.what;
  }
}

TEST_F(FileCommandsTest, AutosaveFitsTextIsEditedIntoTheSettingsFile) {
  continueDetails();
  ui.onDialog<FitsDetailsDialog>("TFitsDetailsDialog", [](FitsDetailsDialog& d) {
    d.setText(102, "Observer Ann");
    return d.pressContinue();
  });
  run(command::kLoadEditAutosaveFitsText);  // first run: creates the file, nothing typed
  run(command::kLoadEditAutosaveFitsText);
  app::Program reloaded(clock, ui, base::ProgramPaths(root.path()));
  ASSERT_EQ(reloaded.loadSettingsFile(), settings::SettingsStatus::Ok);
  EXPECT_EQ(reloaded.fits.observer, "Observer Ann");
}

TEST_F(FileCommandsTest, ProcessingHistoryStopsAtTheFirstShortLaterSlot) {
  program.history.setSlot(0, "");
  program.history.setSlot(1, "Dark Frame Subtracted");
  EXPECT_EQ(processingHistoryText(program.history), " \nDark Frame Subtracted \n");
  program.history.setSlot(2, "x");
  program.history.setSlot(3, "Flatfield Applied");
  EXPECT_EQ(processingHistoryText(program.history), " \nDark Frame Subtracted \n");
  run(command::kProcessingHistory);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ - PROCESSING HISTORY");
}

TEST(FitsDetailsDialogModel, ShowsTheRecordAndCopiesBackOnlyOnContinue) {
  image::FitsHeaderInfo info;
  info.object = "M1";
  info.focalLength = 80;
  info.utOffsetHours = 14;  // out of range: shown as 0
  bool eightBit = false;
  FitsDetailsDialog d(info, eightBit);
  EXPECT_EQ(d.text(101), "M1");
  EXPECT_EQ(d.text(113), "80.000000");
  EXPECT_EQ(d.text(105), "Norvane CCD");
  EXPECT_EQ(d.text(FitsDetailsDialog::kUtOffsetEdit), "0");
  EXPECT_FALSE(d.setText(999, "x"));
  d.setText(101, std::string(80, 'o'));
  EXPECT_EQ(d.text(101).size(), 67u);
  d.setText(103, "2026-03-07-extra");
  EXPECT_EQ(d.text(103), "2026-03-07-");
  d.setText(113, "12.5 inches");
  d.setText(114, "not a number");
  d.setText(116, "-3e1");
  for (int i = 0; i < 15; ++i)
    d.scrollUtOffset(-1);
  EXPECT_EQ(d.utOffset(), -11);
  d.scrollUtOffset(+1);
  EXPECT_EQ(d.text(FitsDetailsDialog::kUtOffsetEdit), "-10");
  d.toggleEightBit();
  EXPECT_TRUE(eightBit);
  EXPECT_EQ(info.object, "M1");  // nothing copied yet
  EXPECT_EQ(d.pressContinue(), DialogResult::Ok);
  EXPECT_EQ(info.object, std::string(67, 'o'));
  EXPECT_EQ(info.dateObs, "2026-03-07-");
  EXPECT_EQ(info.focalLength, 12.5);
  EXPECT_EQ(info.aperture, 0.0);
  EXPECT_EQ(info.exposureSeconds, -30.0);
  EXPECT_EQ(info.utOffsetHours, -10);
}

TEST(FileCommandTable, EveryFileMenuIdHasAHandler) {
  for (int id :
       {24332, 24333, 24334, 24335, 24336, 24337, 24338, 127, 13, 19, 104, 122, 17, 20, 32102}) {
    EXPECT_NE(findFileCommand(id), nullptr) << id;
  }
  EXPECT_EQ(findFileCommand(12), nullptr);
  EXPECT_EQ(findFileCommand(32102)->run, findFileCommand(24332)->run);
}

}  // namespace
}  // namespace nvk::files
