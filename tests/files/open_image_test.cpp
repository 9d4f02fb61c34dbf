#include "files/open_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>

#include "files/fits_file.h"
#include "files/hot_pixel_map_file.h"
#include "files/raw_file.h"
#include "files_test_support.h"
#include "support/program_fixture.h"

namespace nvk::files {
namespace {

using test::makeImage;

class OpenImageTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  // A file of `size` bytes: zeros ending in `trailer`.
  std::filesystem::path sized(std::int64_t size, const std::string& trailer = "") {
    const auto path = root / ("f" + std::to_string(size));
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!trailer.empty()) bytes.replace(bytes.size() - trailer.size(), trailer.size(), trailer);
    test::writeBytes(path, bytes);
    return path;
  }

  // Marks the current image, state and header record so a test can see they were kept.
  void markCurrentImage() {
    makeImage(program, true, true, 11);
    program.state.readoutMode = image::ReadoutMode::SubFrame;
    program.state.modeCode = '5';
    program.fits.object = "current";
    program.history.add("Colour Overload Filter");
    ui.clearRecord();
  }

  void expectCurrentImageKept() {
    EXPECT_TRUE(program.state.binned);
    EXPECT_TRUE(program.state.colourConverted);
    EXPECT_EQ(program.state.modeCode, '5');
    EXPECT_EQ(program.fits.object, "current");
    EXPECT_EQ(program.history.slot(0), "Colour Overload Filter");
    test::ProgramFixture fresh;
    makeImage(fresh.program, true, true, 11);
    EXPECT_TRUE(test::samePlanePart(program.planes.RawImage, fresh.program.planes.RawImage,
                                    image::kPlaneSamples));
  }
};

// Every size of the open table, with what it gives.
TEST_F(OpenImageTest, RawSizesOpenByTheirTable) {
  struct Case {
    std::int64_t size;
    std::string trailer;
    bool binned, colour;
    image::ReadoutMode mode;
    char code;
  };
  const Case cases[] = {
      {3'076'490, "BINNED 3  ", true, false, image::ReadoutMode::Binned2x2, '3'},
      {3'076'490, "BINNED 5  ", true, false, image::ReadoutMode::SubFrame, '5'},
      {12'305'920, "", false, false, image::ReadoutMode::HighResolution, '1'},
      {12'305'930, "HIRES  1  ", false, false, image::ReadoutMode::HighResolution, '1'},
      {12'305'930, "HIRES  6  ", false, false, image::ReadoutMode::FullFrame6, '6'},
      {12'305'930, "HIRES  7  ", false, false, image::ReadoutMode::FullFrameBinned7, '7'},
      {12'305'930, "SUBFRM 2  ", true, true, image::ReadoutMode::SubFrame, '5'},
      {49'223'690, "HIRES  1  ", false, true, image::ReadoutMode::HighResolution, '1'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    SCOPED_TRACE(c.trailer);
    ASSERT_TRUE(openImageFile(program, sized(c.size, c.trailer)).loaded);
    const auto& st = program.state;
    EXPECT_EQ(std::tie(st.binned, st.colourConverted, st.readoutMode, st.modeCode),
              std::tie(c.binned, c.colour, c.mode, c.code));
    EXPECT_EQ(program.geometry.width, c.binned ? 1520 : 3040);
  }
  EXPECT_TRUE(ui.messageTexts().empty());
  EXPECT_EQ(ui.redraws(), 8);
}

TEST_F(OpenImageTest, RawTrailerModeTheProgramNeverWritesIsRefused) {
  // The mode byte was never checked: 0xFF was loaded as the image's readout mode.
  const std::pair<std::int64_t, std::string> cases[] = {
      {3'076'490, "BINNED \xFF  "},  {3'076'490, "BINNED 0  "},  {3'076'490, "FLAT B 8  "},
      {12'305'930, "HIRES  \xFF  "}, {12'305'930, "HIRES     "}, {12'305'930, "FLATH  x  "}};
  for (const auto& [size, trailer] : cases) {
    SCOPED_TRACE(trailer);
    markCurrentImage();
    EXPECT_FALSE(openImageFile(program, sized(size, trailer)).loaded);
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"You didn't choose a valid KR or suitable FITs File"});
    expectCurrentImageKept();
  }
}

// Files of a FITS size that this program did not write (no header of ours, or an eight-bit
// file padded to the binned mono size) are refused and nothing changes.
TEST_F(OpenImageTest, FitsSizesWithoutOurHeaderAreRefusedAndNothingChanges) {
  makeImage(program, true, false);
  ASSERT_EQ(writeFitsFile(program, root / "8.fit", {true, false, {}}), SaveResult::Saved);
  std::filesystem::resize_file(root / "8.fit", 3'084'480);
  std::vector<std::filesystem::path> files{root / "8.fit"};
  for (std::int64_t size : {3'082'240, 3'084'480, 12'311'680, 12'312'000, 49'229'440})
    files.push_back(sized(size));
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    markCurrentImage();
    EXPECT_FALSE(openImageFile(program, file).loaded);
    EXPECT_EQ(
        ui.messageTexts(),
        std::vector<std::string>{"Unable to load FITS file, File was not saved by this program"});
    expectCurrentImageKept();
  }
}

TEST_F(OpenImageTest, OtherSizesAreRefusedOrTakenForHotPixelMaps) {
  const std::string sig = "K7LQHotPixelMap";
  auto le = [](std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  const std::string cases[] = {
      "",
      // A map with count 0 is 19 bytes: below the smallest map file, refused by size.
      sig + le(0),
      std::string(20, 'x'),
      std::string(3'076'480, 'x'),
      // Counts that are negative, too big for the map or for the file.
      sig + le(-1) + le(5),
      sig + le(2) + le(5),
      sig + le(99'002) + std::string(4 * 99'002, '\0'),
      // An index outside a plane.
      sig + le(1) + le(6'152'960),
      sig + le(1) + le(-4),
  };
  for (const auto& c : cases) {
    markCurrentImage();
    program.hotPixelMap.entries = {1, 2, 3};
    program.hotPixelMap.loaded = false;
    SCOPED_TRACE(c.size());
    test::writeBytes(root / "x.hpm", c);
    EXPECT_FALSE(openImageFile(program, root / "x.hpm").loaded);
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"You didn't choose a valid KR or suitable FITs File"});
    EXPECT_EQ(program.hotPixelMap.entries, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_FALSE(program.hotPixelMap.loaded);
    expectCurrentImageKept();
  }
  ui.clearRecord();
  EXPECT_FALSE(openImageFile(program, root / "does-not-exist").loaded);
  EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Failed to Open KR File"});
}

TEST_F(OpenImageTest, HotPixelMapLoadsThroughOpenAndLeavesTheImage) {
  markCurrentImage();
  image::HotPixelMap map;
  map.entries = {3045, 0, 6'152'959, 12};
  ASSERT_EQ(writeHotPixelMapFile(root / "K7LQ_HPM.HPM", map), HotPixelMapWrite::Written);
  const auto bytes = test::readBytes(root / "K7LQ_HPM.HPM");
  const std::vector<std::uint8_t> expected = {
      'K',  '7',  'L', 'Q', 'H', 'o', 't', 'P', 'i',  'x',  'e',  'l',  'M', 'a', 'p',  // signature
      4,    0,    0,   0,                                                               // count
      0xE5, 0x0B, 0,   0,   0,   0,   0,   0,   0xFF, 0xE2, 0x5D, 0x00, 12,  0,   0,   0};
  EXPECT_EQ(bytes, expected);

  const auto result = openImageFile(program, root / "K7LQ_HPM.HPM");
  EXPECT_TRUE(result.loaded);
  EXPECT_EQ(result.kind, FileKind::HotPixelMap);
  EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Hot Pixel Map Loaded"});
  EXPECT_TRUE(program.hotPixelMap.loaded);
  EXPECT_EQ(program.hotPixelMap.entries, map.entries);
  expectCurrentImageKept();
}

TEST_F(OpenImageTest, HotPixelMapWriteFailureKeepsTheOldFile) {
  image::HotPixelMap map;
  map.entries = {1, 2, 3};
  test::writeBytes(root / "m.HPM", "old map");
  EXPECT_EQ(writeHotPixelMapFile(root / "m.HPM", map, DiskSpace{20}),
            HotPixelMapWrite::WriteFailed);
  const auto kept = test::readBytes(root / "m.HPM");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old map");
  EXPECT_EQ(writeHotPixelMapFile(root / "nowhere" / "m.HPM", map), HotPixelMapWrite::CannotCreate);
}

TEST(AutosaveNumber, ComesFromImgFileNamesInAnyCase) {
  EXPECT_EQ(autosaveNumberOf("/a/b/IMG12.FIT"), 12);
  EXPECT_EQ(autosaveNumberOf("img7.fit"), 7);
  EXPECT_EQ(autosaveNumberOf("Img65535.Fit"), 65535);
  EXPECT_EQ(autosaveNumberOf("IMG65536.FIT"), 0);
  EXPECT_EQ(autosaveNumberOf("M42.FIT"), 0);
  EXPECT_EQ(autosaveNumberOf("IMGx.FIT"), 0);
  EXPECT_EQ(autosaveNumberOf("/IMG/a12.FIT"), 0);
}

}  // namespace
}  // namespace nvk::files
