#include "process/calibration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "files/raw_file.h"
#include "process/random_frames.h"
#include "process/undo.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

using Frame = std::vector<std::uint16_t>;

// The per-row flat correction as described, one sample at a time.
void referenceFlatRow(Frame& image, const Frame& flat, double m, int row, int width) {
  for (int x = 3; x <= width - 1; ++x) {
    const std::size_t i = static_cast<std::size_t>(row) * width + x;
    const int v = image[i];
    const int f = flat[i];
    double r;
    if (f != 0) {
      r = static_cast<double>(v) / f * m;
    } else if (v == 0) {
      r = m;
    } else {
      r = v;
    }
    image[i] = r >= 65535 ? 65535 : static_cast<std::uint16_t>(static_cast<int>(r));
  }
}

class DarkFlatHotPixelTest : public ::testing::Test {
 protected:
  test::ProgramFixture f;
  app::Program& p = f.program;

  void useBinned() {
    p.state.binned = true;
    p.applyGeometry();
  }
  image::Plane raw() { return p.planes.RawImage; }
  std::uint16_t& at(int x, int y) { return raw()[y * p.geometry.width + x]; }
  std::size_t pixels() const { return p.geometry.pixelCount; }
  std::vector<std::string> messages() { return f.ui.messageTexts(); }
};

TEST_F(DarkFlatHotPixelTest, DarkSubtractionMatchesThePlainVersionOnARandomFullFrame) {
  const Frame in = test::randomFrame(image::kFullWidth, image::kFullHeight, 30);
  const Frame dark = test::randomFrame(image::kFullWidth, image::kFullHeight, 31);
  std::copy(in.begin(), in.end(), raw().begin());
  std::copy(dark.begin(), dark.end(), p.planes.RawImage2.begin());
  subtractLoadedDarkFrame(p);
  std::size_t mismatches = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    mismatches += raw()[i] != (dark[i] < in[i] ? in[i] - dark[i] : 0);
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(p.history.slot(0), "Dark Frame Subtracted");
  EXPECT_EQ(f.ui.redraws(), 1);
  EXPECT_TRUE(UndoLastFilter(p));
  EXPECT_TRUE(std::equal(in.begin(), in.end(), raw().begin()));
}

TEST_F(DarkFlatHotPixelTest, FlatCorrectionCasesWorkedOutByHand) {
  const int w = 8;
  struct Row {
    int image, flat, expected;
  };
  // mean 2000
  const Row rows[] = {{1000, 2000, 1000}, {1000, 1000, 2000},   {0, 0, 2000},         {500, 0, 500},
                      {65535, 1, 65535},  {40000, 1000, 65535}, {32767, 1000, 65534}, {3, 7, 857}};
  for (const Row& r : rows) {
    Frame image(w * 2, static_cast<std::uint16_t>(r.image));
    Frame flat(w * 2, static_cast<std::uint16_t>(r.flat));
    flatCorrectRow(image.data(), flat.data(), 2000.0, 1, w);
    EXPECT_EQ(image[w + 3], r.expected) << r.image << "/" << r.flat;
    EXPECT_EQ(image[w + 2], r.image) << "columns 0..2 are kept";
    EXPECT_EQ(image[3], r.image) << "other rows are kept";
  }
}

TEST_F(DarkFlatHotPixelTest, FlatFieldMatchesThePlainVersionOnARandomFullFrame) {
  const int w = image::kFullWidth, h = image::kFullHeight;
  const Frame in = test::randomFrame(w, h, 32);
  Frame flat = test::randomFrame(w, h, 33);
  std::copy(in.begin(), in.end(), raw().begin());
  std::copy(flat.begin(), flat.end(), p.planes.RawImage2.begin());
  applyLoadedFlatField(p);
  Frame expected = in;
  const double m = flatFieldMean(flat, w);
  for (int y = 7; y < h; ++y)
    referenceFlatRow(expected, flat, m, y, w);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), raw().begin()));
  EXPECT_EQ(p.history.slot(0), "Flat Field Applied");
  EXPECT_EQ(f.ui.progressCaptions(), std::vector<std::string>{"FLAT FIELD PROGRESS"});
  EXPECT_EQ(f.ui.progressPositions().front(), 10);
}

TEST_F(DarkFlatHotPixelTest, FlatFieldOfALabelledImageStartsAtRowEleven) {
  useBinned();
  const int w = p.geometry.width;
  // Flat 500 with a mean of 1000 (its measuring block holds 1000): every sample doubles.
  std::fill_n(p.planes.RawImage2.begin(), pixels(), 500);
  for (int y = 10; y <= 19; ++y)
    std::fill_n(p.planes.RawImage2.begin() + y * w + 5, 500, 1000);
  std::fill_n(raw().begin(), pixels(), 1000);
  for (int i = 0; i < 6; ++i)
    raw()[i] = 17;
  applyLoadedFlatField(p);
  EXPECT_EQ(at(600, 10), 1000);
  EXPECT_EQ(at(600, 11), 2000);
  EXPECT_EQ(at(2, 11), 1000);
  EXPECT_EQ(at(3, 11), 2000);
  // Unlabelled: from row 7.
  std::fill_n(raw().begin(), pixels(), 1000);
  applyLoadedFlatField(p);
  EXPECT_EQ(at(600, 6), 1000);
  EXPECT_EQ(at(600, 7), 2000);
}

TEST_F(DarkFlatHotPixelTest, DarkAndFlatFilesAreLoadedThroughTheFileLoader) {
  useBinned();
  const auto darkFile = f.root / "dark~1";
  std::fill_n(raw().begin(), pixels(), 300);
  ASSERT_EQ(files::saveRawFile(p, darkFile), files::SaveResult::Saved);
  std::fill_n(raw().begin(), pixels(), 1000);
  EXPECT_TRUE(SubtractDarkFrame(p, darkFile));
  EXPECT_EQ(at(100, 100), 700);
  // A dark frame is not a flat field: refused, nothing changes.
  EXPECT_FALSE(ApplyFlatField(p, darkFile));
  EXPECT_EQ(messages().back(), "Sorry, this is not a suitable Flat file");
  EXPECT_EQ(at(100, 100), 700);
  EXPECT_EQ(p.history.usedCount(), 1);
  // The menu command asks for the file; Cancel ends it.
  f.ui.answerFileDialog(std::nullopt);
  SubtractDarkFrameCommand(p);
  EXPECT_EQ(at(100, 100), 700);
  f.ui.answerFileDialog(darkFile.string());
  SubtractDarkFrameCommand(p);
  EXPECT_EQ(at(100, 100), 400);
  // The folder of the chosen file is offered next time, as by every open dialog.
  EXPECT_EQ(p.fileMenu.lastDirectory, darkFile.parent_path().string());
}

TEST_F(DarkFlatHotPixelTest, HotPixelScanListsSamplesInsideItsMargins) {
  useBinned();
  const int w = p.geometry.width, h = p.geometry.height;
  std::fill_n(raw().begin(), pixels(), 100);
  const std::pair<int, int> inside[] = {{5, 5}, {w - 6, 5}, {300, 200}, {5, h - 6}};
  const std::pair<int, int> outside[] = {{4, 5}, {w - 5, 6}, {7, 4}, {8, h - 5}};
  for (auto [x, y] : inside)
    at(x, y) = 65535;
  for (auto [x, y] : outside)
    at(x, y) = 65535;
  at(400, 300) = 65534;  // below a threshold of 65535
  EXPECT_EQ(ScanHotPixels(p, 65535), 4u);
  std::vector<std::int32_t> expected;
  for (auto [x, y] : inside)
    expected.push_back(y * w + x);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(p.hotPixelMap.entries, expected);
  EXPECT_TRUE(p.hotPixelMap.loaded);
  // Labelled: from row 15.
  for (int i = 0; i < 6; ++i)
    raw()[i] = 17;
  at(20, 14) = 65535;
  at(20, 15) = 65535;
  ScanHotPixels(p, 65535);
  EXPECT_EQ(p.hotPixelMap.entries.front(), 15 * w + 20);
}

// The scan keeps at most 99,001 entries: with more, the message is shown and the map loaded
// before stays as it was.
TEST_F(DarkFlatHotPixelTest, TooManyHotPixelsKeepThePreviousMap) {
  std::fill_n(raw().begin(), pixels(), 10000);
  p.hotPixelMap.entries = {1, 2, 3};
  p.hotPixelMap.loaded = false;
  EXPECT_EQ(ScanHotPixels(p, 5000), 99'001u);
  EXPECT_EQ(messages(), std::vector<std::string>{
                            "Too many hot pixels found - ensure you have a darkframe loaded."});
  EXPECT_EQ(p.hotPixelMap.entries, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_FALSE(p.hotPixelMap.loaded);
  const HotPixelScan scan = scanHotPixels(raw(), p.geometry.width, p.geometry.height, 5000);
  EXPECT_TRUE(scan.tooMany);
  EXPECT_EQ(scan.entries.size(), image::HotPixelMap::kCapacity);
}

TEST_F(DarkFlatHotPixelTest, HotPixelScanMatchesThePlainVersionOnARandomFullFrame) {
  Frame frame(pixels());
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> noise(0, 50000), hot(0, 400);
  for (auto& v : frame)
    v = static_cast<std::uint16_t>(hot(rng) == 0 ? 50001 + noise(rng) % 15535 : noise(rng));
  const HotPixelScan scan = scanHotPixels(frame, image::kFullWidth, image::kFullHeight, 50001);
  std::vector<std::int32_t> expected;
  for (int y = 5; y < image::kFullHeight - 5; ++y) {
    for (int x = 5; x <= image::kFullWidth - 6; ++x) {
      if (frame[y * image::kFullWidth + x] >= 50001) expected.push_back(y * image::kFullWidth + x);
    }
  }
  ASSERT_GT(expected.size(), 10'000u);
  EXPECT_EQ(scan.entries, expected);
  EXPECT_FALSE(scan.tooMany);
}

TEST_F(DarkFlatHotPixelTest, ApplyingAMapRepairsInOrderWithEarlierRepairs) {
  useBinned();
  const int w = p.geometry.width;
  std::fill_n(raw().begin(), pixels(), 100);
  at(50, 50) = 60000;
  at(51, 50) = 60000;
  at(50, 49) = 200;  // above the first hot pixel
  p.hotPixelMap.entries = {50 * w + 50, 50 * w + 51};
  p.hotPixelMap.loaded = true;
  ApplyHotPixelMap(p);
  // (100 + 60000 + 200 + 100) / 4 = 15100; then (15100 + 100 + 100 + 100) / 4 = 3850
  EXPECT_EQ(at(50, 50), 15100);
  EXPECT_EQ(at(51, 50), 3850);
  EXPECT_EQ(p.history.usedCount(), 0);
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(f.ui.redraws(), 1);
}

// A map made from a full-resolution frame applied to a binned one (or read from a file) may
// name samples beyond the frame or on its edge: those entries are skipped and counted, and
// nothing outside the frame is read or written.
TEST_F(DarkFlatHotPixelTest, MapEntriesOutsideTheFrameAreSkippedAndReported) {
  useBinned();
  const int w = p.geometry.width;
  std::fill_n(raw().begin(), image::kPlaneSamples, 100);
  at(10, 10) = 5000;
  raw()[pixels() + 5] = 7;  // just beyond the binned frame
  p.hotPixelMap.entries = {-1,
                           0,
                           w - 1,
                           static_cast<std::int32_t>(pixels()) - 1,
                           static_cast<std::int32_t>(pixels()) + 5,
                           10 * w + 10,
                           3040 * 2023};
  p.hotPixelMap.loaded = true;
  ApplyHotPixelMap(p);
  EXPECT_EQ(at(10, 10), 100);
  EXPECT_EQ(raw()[pixels() + 5], 7);
  EXPECT_EQ(messages(), std::vector<std::string>{
                            "6 hot pixel map entries lie outside this image and were skipped."});
}

TEST_F(DarkFlatHotPixelTest, ApplyingWithoutAMapIsRefused) {
  at(10, 10) = 5;
  ApplyHotPixelMap(p);
  EXPECT_EQ(messages(), std::vector<std::string>{"Sorry, you haven't loaded a hot pixel map"});
  EXPECT_FALSE(UndoLastFilter(p));
}

TEST_F(DarkFlatHotPixelTest, SavingTheMapWritesTheFileAndRemovesTestData) {
  useBinned();
  std::filesystem::create_directories(p.autosaveFolder());
  std::ofstream(p.autosaveFolder() / "testdata.csv") << "x";
  p.hotPixelMap.entries = {7, 300000};
  p.hotPixelMap.name = "MYMAP";
  EXPECT_TRUE(SaveHotPixelMap(p));
  EXPECT_EQ(std::filesystem::file_size(p.autosaveFolder() / "MYMAP.HPM"), 19u + 8u);
  EXPECT_FALSE(std::filesystem::exists(p.autosaveFolder() / "testdata.csv"));
  p.settings.autosaveDirectory = (f.root / "missing" / "folder").string();
  EXPECT_FALSE(SaveHotPixelMap(p));
  EXPECT_EQ(messages(), std::vector<std::string>{
                            "Failed to create Hot Pixel Map file\nNo such file or directory"});
}

}  // namespace
}  // namespace nvk::process
