#include "process/measure_merge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "base/messages.h"
#include "files/raw_file.h"
#include "measure_test_support.h"
#include "process/measure_tools.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

using port::DialogResult;

TEST(MergeShift, RoundsAndKeepsTheMosaicPhase) {
  const struct {
    double x1, y1, x2, y2;
    bool mosaic;
    MergeShift shift;
  } cases[] = {
      {100.0, 50.0, 93.0, 54.0, false, {7, -4}}, {100.2, 50.6, 93.0, 54.0, false, {7, -3}},
      {100.0, 50.0, 93.0, 54.0, true, {8, -4}},  {100.0, 50.0, 101.0, 50.9, true, {-2, 0}},
      {10.0, 10.0, 12.6, 7.0, true, {-2, 4}},    {5.0, 5.0, 5.0, 5.0, false, {0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(mergeShift(c.x1, c.y1, c.x2, c.y2, c.mosaic), c.shift) << c.x2 << "," << c.y2;
}

// The plain definition, one pixel at a time.
std::vector<std::uint16_t> referenceMerge(std::vector<std::uint16_t> first,
                                          const std::vector<std::uint16_t>& second, int w, int h,
                                          MergeShift s, MergeMode mode) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = x - s.dx, sy = y - s.dy;
      if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
      const int a = first[static_cast<std::size_t>(y * w + x)];
      const int b = second[static_cast<std::size_t>(sy * w + sx)];
      first[static_cast<std::size_t>(y * w + x)] =
          std::uint16_t(mode == MergeMode::Add ? std::min(a + b, 65535) : (a + b) / 2);
    }
  return first;
}

// Random frames with the 16-bit boundary values, every direction of shift, both modes.
TEST(MergeShifted, MatchesThePlainDefinition) {
  const int w = 37, h = 23;
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> sample(0, 65535);
  const std::uint16_t boundary[] = {0, 1, 65534, 65535};
  for (const MergeShift s : {MergeShift{0, 0}, MergeShift{3, -2}, MergeShift{-5, 4},
                             MergeShift{36, 0}, MergeShift{-40, 1}}) {
    for (const MergeMode mode : {MergeMode::Add, MergeMode::Average}) {
      std::vector<std::uint16_t> a(w * h), b(w * h);
      for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = i % 7 == 0 ? boundary[i % 4] : std::uint16_t(sample(rng));
        b[i] = i % 5 == 0 ? boundary[(i / 5) % 4] : std::uint16_t(sample(rng));
      }
      const auto expected = referenceMerge(a, b, w, h, s, mode);
      mergeShifted(a, b, w, h, s, mode);
      EXPECT_EQ(a, expected) << s.dx << "," << s.dy;
    }
  }
}

class MergeFlowTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  static constexpr int kW = 1520, kH = 1012;
  // A star field, and the same field moved by (7, -4) (a whole-pixel shift, as a mount drift).
  std::vector<std::uint16_t> fieldA = field(0, 0);
  std::vector<std::uint16_t> fieldB = field(7, -4);
  std::filesystem::path secondPath = root / "second.raw";

  static std::vector<std::uint16_t> field(double dx, double dy) {
    return test::starFrame(kW, kH, 900,
                           {{400 + dx, 300 + dy, 2.0, 150000.0},
                            {1000 + dx, 700 + dy, 1.6, 60000.0},
                            {200 + dx, 900 + dy, 2.4, 90000.0},
                            {1300 + dx, 100 + dy, 1.2, 3000000.0}});  // saturated core
  }

  void SetUp() override {
    program.state.binned = true;
    program.state.readoutMode = image::ReadoutMode::Binned2x2;
    program.state.modeCode = '2';
    program.applyGeometry();
    show(fieldB);
    ASSERT_EQ(files::saveRawFile(program, secondPath), files::SaveResult::Saved);
    show(fieldA);
    program.fits.object = "M42";
    program.history.add("Dark Frame Subtracted");
    ui.clearRecord();
  }
  void show(const std::vector<std::uint16_t>& f) {
    std::copy(f.begin(), f.end(), program.planes.RawImage.begin());
  }
  std::vector<std::uint16_t> raw() const {
    return {program.planes.RawImage.begin(), program.planes.RawImage.begin() + kW * kH};
  }
};

// Cancelling at either step, or a second image that cannot be used, puts the first image back
// with its state, record and history.
TEST_F(MergeFlowTest, CancelAndRefusalsRestoreTheFirstImage) {
  const auto differentSize = root / "full.raw";
  {
    test::ProgramFixture other;
    ASSERT_EQ(files::saveRawFile(other.program, differentSize), files::SaveResult::Saved);
  }
  const auto junk = root / "junk.txt";
  std::ofstream(junk) << "not an image";

  const struct {
    const char* name;
    std::optional<std::filesystem::path> file;  // none: the open dialog is cancelled
    bool reachSecondPick;
    std::string message;
  } cases[] = {
      {"open cancelled", std::nullopt, false, ""},
      {"different size", differentSize, false,
       "Sorry, the second image must have the same size as the first"},
      {"not an image", junk, false, std::string(base::messageText(base::Message::NotKrOrFitsFile))},
      {"merge dialog cancelled", secondPath, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui.clearRecord();
    ASSERT_TRUE(StartMerging(program, false));
    ui.answerFileDialog(c.file ? std::optional<std::string>(c.file->string()) : std::nullopt);
    const auto first = mergePick(program, 400, 300);
    if (c.reachSecondPick) {
      ASSERT_EQ(first, MergePickOutcome::SecondOpened);
      ui.onDialog("TMergeDialog", [](port::DialogModel&) { return DialogResult::Cancel; });
      EXPECT_EQ(mergePick(program, 407, 296), MergePickOutcome::Cancelled);
    } else {
      EXPECT_EQ(first, MergePickOutcome::Cancelled);
    }
    EXPECT_EQ(raw(), fieldA);
    EXPECT_TRUE(program.state.binned);
    EXPECT_EQ(program.geometry.width, kW);
    EXPECT_EQ(program.state.modeCode, '2');
    EXPECT_EQ(program.fits.object, "M42");
    EXPECT_EQ(program.history.slot(0), "Dark Frame Subtracted");
    EXPECT_EQ(program.history.usedCount(), 1);
    EXPECT_EQ(program.measure.active, MeasureTool::None);
    if (c.message.empty()) {
      EXPECT_TRUE(ui.messages().empty());
    } else {
      EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{c.message});
    }
  }
}

// A pick on empty sky is not a star: the message says so and merging waits for another pick.
TEST_F(MergeFlowTest, PickWithoutAStarKeepsWaiting) {
  ASSERT_TRUE(StartMerging(program, false));
  EXPECT_EQ(mergePick(program, 700, 500), MergePickOutcome::Ignored);
  EXPECT_EQ(ui.messageTexts(),
            std::vector<std::string>{"Sorry, no star above the sky background here"});
  EXPECT_EQ(program.measure.merge.step, MergeStep::PickFirstStar);
  EXPECT_EQ(program.measure.active, MeasureTool::Merging);
  EXPECT_TRUE(ui.fileDialogRequests().empty());
}

}  // namespace
}  // namespace nvk::process
