#include "files/raw_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "files/fits_file.h"
#include "files/open_image.h"
#include "files_test_support.h"
#include "support/program_fixture.h"

namespace nvk::files {
namespace {

using test::makeImage;
using test::readBytes;

std::string text(const RawTrailer& t) {
  return std::string(t.data(), t.size());
}

TEST(RawTrailer, TagFollowsGeometryAndColourInOrder) {
  struct Case {
    bool binned, colour;
    char modeCode;
    std::int16_t subFrameFraction;
    const char* raw;
    const char* flat;
  };
  const Case cases[] = {
      {true, false, '2', 2, "BINNED 2  ", "FLAT B 2  "},
      {true, false, '5', 3, "BINNED 5  ", "FLAT B 5  "},
      {false, false, '1', 2, "HIRES  1  ", "FLATH  1  "},
      {false, true, '7', 2, "HIRES  7  ", "FLATH  1  "},
      {false, false, '6', 2, "HIRES  6  ", "FLATH  1  "},
      {true, true, '5', 3, "SUBFRM 3  ", "FLAT B 5  "},
      {true, true, '5', 4, "SUBFRM 4  ", "FLAT B 5  "},
  };
  for (const auto& c : cases) {
    image::ImageState state;
    state.binned = c.binned;
    state.colourConverted = c.colour;
    state.modeCode = c.modeCode;
    state.subFrameFraction = c.subFrameFraction;
    EXPECT_EQ(text(rawTrailer(state)), c.raw);
    EXPECT_EQ(text(flatTrailer(state)), c.flat);
  }
}

class RawFileTest : public ::testing::Test, protected test::ProgramFixture {};

TEST_F(RawFileTest, EachImageIsWrittenAsItsPlanesAndTrailer) {
  struct Case {
    bool binned, colour;
    std::uint64_t size;
  };
  const Case cases[] = {{true, false, 3'076'490},
                        {false, false, 12'305'930},
                        {true, true, 12'305'930},
                        {false, true, 49'223'690}};
  for (const auto& c : cases) {
    makeImage(program, c.binned, c.colour);
    program.state.modeCode = c.binned ? '2' : '1';
    ASSERT_EQ(saveRawFile(program, root / "r.raw"), SaveResult::Saved);
    const auto b = readBytes(root / "r.raw");
    ASSERT_EQ(b.size(), c.size);
    const std::size_t frame = program.geometry.frameBytes;
    EXPECT_EQ(0, std::memcmp(b.data(), program.planes.RawImage.data(), frame));
    const auto& colour = program.planes.ColourImage;
    const image::Plane order[] = {colour.red(), colour.green(), colour.blue()};
    for (int k = 0; k < (c.colour ? 3 : 0); ++k)
      EXPECT_EQ(0, std::memcmp(b.data() + (k + 1) * frame, order[k].data(), frame)) << k;
    EXPECT_EQ(std::string(b.end() - 10, b.end()), text(rawTrailer(program.state)));
  }
}

TEST_F(RawFileTest, FlatFileIsTheRawPlaneAndTheFlatTrailer) {
  makeImage(program, false, true);
  ASSERT_EQ(saveFlatFile(program, root / "f.raw"), SaveResult::Saved);
  const auto b = readBytes(root / "f.raw");
  ASSERT_EQ(b.size(), 12'305'930u);
  EXPECT_EQ(0, std::memcmp(b.data(), program.planes.RawImage.data(), 12'305'920));
  EXPECT_EQ(std::string(b.end() - 10, b.end()), "FLATH  1  ");
}

// Saving a flat from an image that is not colour converted used to delete the file of that name
// before refusing; the refusal now comes first and the old file stays.
TEST_F(RawFileTest, FlatRefusalKeepsAnExistingFile) {
  makeImage(program, true, false);
  test::writeBytes(root / "flat.raw", "old flat");
  EXPECT_EQ(saveFlatFile(program, root / "flat.raw"), SaveResult::Refused);
  EXPECT_EQ(
      ui.messageTexts(),
      std::vector<std::string>{"Sorry, you can only save a colour converted file as a Flat file"});
  const auto kept = readBytes(root / "flat.raw");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old flat");
}

TEST_F(RawFileTest, ShortWriteKeepsThePreviousFileAndLeavesNoPartialFile) {
  for (std::uint64_t room : {0ull, 5ull, 3'076'480ull, 3'076'489ull}) {
    makeImage(program, true, false);
    test::writeBytes(root / "r.raw", "previous");
    ui.clearRecord();
    EXPECT_EQ(saveRawFile(program, root / "r.raw", DiskSpace{room}), SaveResult::WriteFailed);
    EXPECT_EQ(
        ui.messageTexts(),
        std::vector<std::string>{"Unable to create/overwrite KR File\nNo space left on device"});
    const auto kept = readBytes(root / "r.raw");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()), {}), 1);
  }
  ui.clearRecord();
  EXPECT_EQ(saveRawFile(program, root / "missing" / "r.raw"), SaveResult::CannotCreate);
  EXPECT_EQ(ui.messageTexts(),
            std::vector<std::string>{"Failed to Save KR File\nNo such file or directory"});
}

// Every raw shape opens back as the same planes and state.
TEST_F(RawFileTest, RawFilesRoundTripThroughOpen) {
  struct Case {
    bool binned, colour;
    image::ReadoutMode mode;
    char code;
    image::ReadoutMode readMode;  // what Open restores
    char readCode;
  };
  using M = image::ReadoutMode;
  const Case cases[] = {
      {true, false, M::Binned2x2, '2', M::Binned2x2, '2'},
      {true, false, M::Binned4x4, '4', M::Binned2x2, '4'},
      {true, false, M::SubFrame, '5', M::SubFrame, '5'},
      {false, false, M::HighResolution, '1', M::HighResolution, '1'},
      {false, false, M::FullFrame6, '6', M::FullFrame6, '6'},
      {false, false, M::FullFrameBinned7, '7', M::FullFrameBinned7, '7'},
      {true, true, M::SubFrame, '5', M::SubFrame, '5'},
      {false, true, M::HighResolution, '1', M::HighResolution, '1'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    makeImage(program, c.binned, c.colour, 9);
    program.state.readoutMode = c.mode;
    program.state.modeCode = c.code;
    ASSERT_EQ(saveRawFile(program, root / "r.raw"), SaveResult::Saved);
    app::Program other(clock, ui, base::ProgramPaths(root.path()));
    other.fits.object = "stale";
    const auto result = openImageFile(other, root / "r.raw");
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ(result.kind, FileKind::Raw);
    const auto& st = other.state;
    EXPECT_EQ(std::tie(st.binned, st.colourConverted, st.readoutMode, st.modeCode),
              std::tie(c.binned, c.colour, c.readMode, c.readCode));
    EXPECT_EQ(other.geometry, program.geometry);
    EXPECT_EQ(other.fits.object, "");
    const std::size_t n = program.geometry.pixelCount;
    EXPECT_TRUE(test::samePlanePart(other.planes.RawImage, program.planes.RawImage, n));
    if (c.colour) {
      for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(
            test::samePlanePart(other.planes.ColourImage[k], program.planes.ColourImage[k], n));
      }
    }
  }
}

class CalibrationTest : public RawFileTest {};

TEST_F(CalibrationTest, DarkFramesOfEveryRawSizeGoToTheSecondPlane) {
  struct Case {
    bool binned, colour, trailer;
    std::uint64_t size;
  };
  const Case cases[] = {
      {true, false, true, 3'076'490},   {false, false, false, 12'305'920},
      {false, false, true, 12'305'930}, {true, true, true, 12'305'930},
      {false, true, true, 49'223'690},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    makeImage(program, c.binned, c.colour, 5);
    ASSERT_EQ(saveRawFile(program, root / "dark.raw"), SaveResult::Saved);
    if (!c.trailer) std::filesystem::resize_file(root / "dark.raw", c.size);
    ASSERT_EQ(std::filesystem::file_size(root / "dark.raw"), c.size);
    app::Program other(clock, ui, base::ProgramPaths(root.path()));
    ui.clearRecord();
    EXPECT_EQ(loadCalibrationFile(other, root / "dark.raw", CalibrationKind::DarkFrame),
              CalibrationLoad::Loaded);
    EXPECT_TRUE(ui.messageTexts().empty());
    const std::size_t n = program.geometry.pixelCount;
    EXPECT_TRUE(test::samePlanePart(other.planes.RawImage2, program.planes.RawImage, n));
    if (c.colour) {
      for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(
            test::samePlanePart(other.planes.RgbOutputImage[k], program.planes.ColourImage[k], n));
      }
    }
    // The current image is not touched.
    EXPECT_EQ(other.planes.RawImage[0], 0);
    EXPECT_FALSE(other.state.colourConverted);
  }
}

TEST_F(CalibrationTest, FlatFieldNeedsTheFlatMarkerAndRefusalTouchesNothing) {
  makeImage(program, true, true, 6);
  program.state.modeCode = '2';
  ASSERT_EQ(saveFlatFile(program, root / "flat.raw"), SaveResult::Saved);
  EXPECT_EQ(loadCalibrationFile(program, root / "flat.raw", CalibrationKind::FlatField),
            CalibrationLoad::Loaded);
  EXPECT_TRUE(test::samePlanePart(program.planes.RawImage2, program.planes.RawImage, 1'538'240));

  program.state.colourConverted = false;
  ASSERT_EQ(saveRawFile(program, root / "notflat.raw"), SaveResult::Saved);
  std::fill(program.planes.RawImage2.begin(), program.planes.RawImage2.end(), std::uint16_t{77});
  ui.clearRecord();
  EXPECT_EQ(loadCalibrationFile(program, root / "notflat.raw", CalibrationKind::FlatField),
            CalibrationLoad::Failed);
  EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Sorry, this is not a suitable Flat file"});
  EXPECT_TRUE(std::all_of(program.planes.RawImage2.begin(), program.planes.RawImage2.end(),
                          [](std::uint16_t v) { return v == 77; }));
}

TEST_F(CalibrationTest, OtherSizesAndMissingFilesAreRefused) {
  test::writeBytes(root / "small.raw", std::string(3'076'480, 'x'));
  EXPECT_EQ(loadCalibrationFile(program, root / "small.raw", CalibrationKind::DarkFrame),
            CalibrationLoad::Failed);
  // Dark frames and flat fields are never FITS files.
  makeImage(program, true, false);
  ASSERT_EQ(writeFitsFile(program, root / "dark.fit", {}), SaveResult::Saved);
  EXPECT_EQ(loadCalibrationFile(program, root / "dark.fit", CalibrationKind::DarkFrame),
            CalibrationLoad::Failed);
  EXPECT_EQ(loadCalibrationFile(program, root / "missing.raw", CalibrationKind::FlatField),
            CalibrationLoad::Failed);
  EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{"Sorry, you didn't choose a KR File",
                                                         "Sorry, you didn't choose a KR File",
                                                         "Failed to Open KR File"}));
}

}  // namespace
}  // namespace nvk::files
