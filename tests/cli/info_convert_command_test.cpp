#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <sstream>

#include "files/files_test_support.h"
#include "files/fits_file.h"
#include "files/fits_time.h"
#include "files/hot_pixel_map_file.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "files/tiff_file.h"
#include "support/cli_run.h"
#include "support/program_fixture.h"

namespace nvk::cli {
namespace {

using test::CliRun;

class InfoConvertTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  CliRun run(std::vector<std::string> args) { return test::cliRun(root, std::move(args)); }

  // A binned colour sub-frame image saved as a raw file (four planes and "SUBFRM 3  ").
  std::filesystem::path colourRawFile() {
    test::makeImage(program, true, true);
    program.state.readoutMode = image::ReadoutMode::SubFrame;
    program.state.modeCode = '5';
    program.state.subFrameFraction = 3;
    const auto path = root / "colour.raw";
    EXPECT_EQ(files::saveRawFile(program, path), files::SaveResult::Saved);
    return path;
  }
  // The value of the string card `key` ("DATE-OBS", say) of one of our FITS files.
  static std::string cardValue(const std::filesystem::path& path, std::string_view key) {
    const auto bytes = test::readBytes(path);
    for (int i = 0; i < 72; ++i) {
      const std::string card = test::cardOf(bytes, i);
      if (card.starts_with(key)) return card.substr(11, card.find('\'', 11) - 11);
    }
    return "no card " + std::string(key);
  }
  // Today's local date as a FITS date, from the system's clock as a CLI run reads it.
  static std::string todayText() {
    return files::todayDateObsText(files::localTimeOf(std::time(nullptr)));
  }
};

TEST_F(InfoConvertTest, InfoDescribesARawFile) {
  const auto r = run({"info", colourRawFile().string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "kind: raw\n"
            "geometry: 1520 x 1012 (binned)\n"
            "readoutMode: 5\n"
            "modeCode: 5\n"
            "colour converted: yes\n");
}

TEST_F(InfoConvertTest, InfoPrintsTheFitsHeaderValuesItRead) {
  program.state.binned = false;
  program.state.modeCode = '7';
  program.state.readoutMode = image::ReadoutMode::FullFrameBinned7;
  program.applyGeometry();
  program.fits.object = "M13";
  program.fits.exposureSeconds = 120;
  program.history.add("Flatfield Applied");
  ASSERT_EQ(files::writeFitsFile(program, root / "m13.fit", {}), files::SaveResult::Saved);
  const auto r = run({"info", (root / "m13.fit").string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("kind: fits\ngeometry: 3040 x 2024 (full)\nreadoutMode: 7\nmodeCode: 7\n"
                       "colour converted: no\nOBJECT: M13\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("history 1: Flatfield Applied\n"), std::string::npos);
  EXPECT_NE(r.out.find("EXPTIME: 120\n"), std::string::npos);
}

TEST_F(InfoConvertTest, InfoCountsAHotPixelMapAndPrintsRefusals) {
  image::HotPixelMap map;
  map.entries = {10, 20, 30};
  ASSERT_EQ(files::writeHotPixelMapFile(root / "m.HPM", map), files::HotPixelMapWrite::Written);
  const auto r = run({"info", (root / "m.HPM").string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "kind: hot-pixel map\ncount: 3\n");

  test::writeBytes(root / "junk.bin", "not an image at all");
  const auto bad = run({"info", (root / "junk.bin").string()});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("You didn't choose a valid KR or suitable FITs File"), std::string::npos);
  EXPECT_EQ(run({"info"}).status, 2);
}

// convert writes the same bytes as the save command would on the opened image.
TEST_F(InfoConvertTest, ConvertWritesWhatTheSaveCommandsWrite) {
  const auto in = colourRawFile();
  app::Program opened(clock, ui, base::ProgramPaths(root.path()));
  ASSERT_TRUE(files::openImageFile(opened, in).loaded);
  struct Case {
    const char* as;
    std::function<files::SaveResult(const std::filesystem::path&)> save;
  };
  const Case cases[] = {
      {"raw", [&](const auto& p) { return files::saveRawFile(opened, p); }},
      {"flat", [&](const auto& p) { return files::saveFlatFile(opened, p); }},
      {"fits", [&](const auto& p) { return files::saveFitsFile(opened, p, {}); }},
      {"fits8",
       [&](const auto& p) {
         return files::saveFitsFile(opened, p, {true, false, {}});
       }},
      {"rgbfits",
       [&](const auto& p) {
         return files::saveFitsFile(opened, p, {false, true, {}});
       }},
      {"tiff",
       [&](const auto& p) {
         opened.settings.tiff16Bit = false;
         return files::saveTiffFile(opened, p);
       }},
      {"tiff16",
       [&](const auto& p) {
         opened.settings.tiff16Bit = true;
         return files::saveTiffFile(opened, p);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.as);
    const auto expected = root / (std::string("expected.") + c.as);
    const auto written = root / (std::string("converted.") + c.as);
    const auto r = run({"convert", in.string(), written.string(), "--as", c.as});
    EXPECT_EQ(r.status, 0) << r.err;
    // The FITS saves date an undated image today, by the clock of the run; that date is
    // checked on its own below.
    if (std::string_view(c.as).find("fits") != std::string_view::npos) {
      opened.fits.dateObs = cardValue(written, "DATE-OBS");
    }
    ASSERT_EQ(c.save(expected), files::SaveResult::Saved);
    EXPECT_TRUE(test::readBytes(expected) == test::readBytes(written));
  }
}

// convert and process once wrote the FITS file of an undated image (opened from a raw file)
// with DATE-OBS = '', which fitsverify reports as an error. They now date it today, as Save
// FITS does, and keep the date of a FITS file that had one.
TEST_F(InfoConvertTest, FitsOutputIsDatedTodayUnlessTheInputHadADate) {
  const auto undated = colourRawFile();
  program.fits.dateObs = "2025-01-02";
  program.fits.timeObs = "21:30:00";
  const auto dated = root / "dated.FIT";
  ASSERT_EQ(files::saveFitsFile(program, dated, {}), files::SaveResult::Saved);
  struct Case {
    std::vector<std::string> args;  // {command, IN, OUT, ...}
    bool keepsDate;
  };
  const auto out = (root / "out.FIT").string();
  const Case cases[] = {
      {{"convert", undated.string(), out, "--as", "fits"}, false},
      {{"convert", undated.string(), out, "--as", "fits8"}, false},
      {{"convert", undated.string(), out, "--as", "rgbfits"}, false},
      {{"process", undated.string(), out, "invert"}, false},
      {{"convert", dated.string(), out, "--as", "fits"}, true},
      {{"process", dated.string(), out, "invert"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args.back());
    std::filesystem::remove(out);
    const std::string before = todayText();
    const auto r = run(c.args);
    const std::string after = todayText();
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string date = cardValue(out, "DATE-OBS");
    if (c.keepsDate) {
      EXPECT_EQ(date, "2025-01-02");
      EXPECT_EQ(cardValue(out, "TIME-OBS"), "21:30:00");
    } else {
      EXPECT_TRUE(date == before || date == after) << date << " " << before;
    }
  }
}

TEST_F(InfoConvertTest, ConvertRefusesWhatTheSaveCommandsRefuse) {
  program.state.binned = true;
  program.applyGeometry();
  ASSERT_EQ(files::saveRawFile(program, root / "mono.raw"), files::SaveResult::Saved);
  const auto rgb =
      run({"convert", (root / "mono.raw").string(), (root / "x.fit").string(), "--as", "rgbfits"});
  EXPECT_EQ(rgb.status, 1);
  EXPECT_NE(rgb.err.find("Sorry, you can only save a colour converted file as a RGB FITS file"),
            std::string::npos);
  const auto flat =
      run({"convert", (root / "mono.raw").string(), (root / "x.flat").string(), "--as", "flat"});
  EXPECT_EQ(flat.status, 1);
  EXPECT_NE(flat.err.find("Sorry, you can only save a colour converted file as a Flat file"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(root / "x.fit"));
  EXPECT_FALSE(std::filesystem::exists(root / "x.flat"));
  EXPECT_EQ(run({"convert", "a", "b", "--as", "jpeg"}).status, 2);
  EXPECT_EQ(run({"convert", (root / "none").string(), "b", "--as", "raw"}).status, 1);
}

TEST_F(InfoConvertTest, FilesThatCannotBeOpenedAreNamedWithTheReason) {
  const auto good = colourRawFile();
  const std::string missing = (root / "M31.FIT").string();
  const std::string folder = root.path().string();
  struct Case {
    std::vector<std::string> args;
    std::string named;
    std::string reason;
  };
  const Case cases[] = {
      {{"info", missing}, missing, "does not exist"},
      {{"info", folder}, folder, "is a folder"},
      {{"convert", missing, (root / "o.fit").string(), "--as", "fits"}, missing, "does not exist"},
      {{"photometry", missing, "10", "10"}, missing, "does not exist"},
      {{"process", good.string(), (root / "o").string(), "dark:" + missing},
       missing,
       "does not exist"},
      {{"process", good.string(), (root / "o").string(), "hpm:" + missing},
       missing,
       "does not exist"},
  };
  for (const Case& c : cases) {
    const auto r = run(c.args);
    EXPECT_EQ(r.status, 1) << c.args[0];
    EXPECT_NE(r.err.find("Failed to Open KR File\n'" + c.named + "' " + c.reason),
              std::string::npos)
        << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(root / "o"));
}

}  // namespace
}  // namespace nvk::cli
