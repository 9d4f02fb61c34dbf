#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "colour/colour_reference.h"
#include "colour/colour_tools.h"
#include "colour/synthesis.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "process/measure_merge.h"
#include "process/measure_test_support.h"
#include "support/cli_run.h"
#include "support/program_fixture.h"

namespace nvk::cli {
namespace {

// The colour tools and the merge of `process`, end to end: files in, a raw file out, compared
// with the same tool run on the program directly.
struct ProcessMeasureTest : ::testing::Test, test::ProgramFixture {
  std::string err;

  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "process");
    const test::CliRun r = test::cliRun(root, std::move(args));
    err = r.err;
    return r.status;
  }
  std::filesystem::path save(const std::string& name) {
    const auto path = root / name;
    EXPECT_EQ(files::saveRawFile(program, path), files::SaveResult::Saved);
    return path;
  }
  // A random mosaic saved as a raw file.
  std::filesystem::path monoRawFile() {
    const auto raw = test::randomSamples(program.geometry.pixelCount, program.geometry.width, 9);
    std::copy(raw.begin(), raw.end(), program.planes.RawImage.begin());
    return save("mono.raw");
  }
  void useBinnedGeometry() {
    program.state.binned = true;
    program.state.readoutMode = image::ReadoutMode::Binned2x2;
    program.state.modeCode = '2';
    program.applyGeometry();
  }
};

struct ColourToolCase {
  const char* op;
  std::function<bool(app::Program&)> direct;
};

TEST_F(ProcessMeasureTest, ColourToolsDoWhatTheirMenuCommandsDo) {
  useBinnedGeometry();
  monoRawFile();
  colour::synthesizeColour(program);
  const auto colourIn = save("colour.raw");
  const ColourToolCase cases[] = {
      {"balance:0:0:-9:2.5:10:250:0:255:3:200",
       [](app::Program& p) {
         colour::ColourBalance b;
         b.start = {0, 0, -9};
         b.saturation = 2.5;
         b.minimum = {10, 0, 3};
         b.maximum = {250, 255, 200};
         return colour::applyColourBalanceToImage(p, b);
       }},
      {"chromatism:1.5:-0.3:-2:1",
       [](app::Program& p) {
         return colour::applyChromatismToImage(p, {1.5, -0.3, -2, 1});
       }},
      {"overload", colour::ColourOverloadSmoothing},
      {"lowpasscolour:4",
       [](app::Program& p) {
         p.colourTools.lowPassRadius = 4;
         return colour::LowPassColourFilter(p);
       }},
      {"balancehist", colour::BalanceColourHistogram},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.op);
    const auto out = root / "out.raw";
    ASSERT_EQ(run({colourIn.string(), out.string(), c.op}), 0) << err;
    test::ProgramFixture expected;
    ASSERT_TRUE(files::openImageFile(expected.program, colourIn).loaded);
    ASSERT_TRUE(c.direct(expected.program));
    test::ProgramFixture got;
    ASSERT_TRUE(files::openImageFile(got.program, out).loaded);
    ASSERT_TRUE(got.program.state.colourConverted);
    const std::size_t n = got.program.geometry.pixelCount;
    for (int p = 0; p < 3; ++p)
      EXPECT_TRUE(std::equal(got.program.planes.ColourImage[p].begin(),
                             got.program.planes.ColourImage[p].begin() + std::ptrdiff_t(n),
                             expected.program.planes.ColourImage[p].begin()))
          << "plane " << p;
  }
}

TEST_F(ProcessMeasureTest, RefusalsAndBadNumbersWriteNothing) {
  const auto in = monoRawFile();
  const auto out = root / "out.raw";
  // On a monochrome image each colour tool is refused with message 69.
  for (const char* op :
       {"balance:1:2:3", "chromatism:1:0:0:0", "overload", "lowpasscolour", "balancehist"}) {
    SCOPED_TRACE(op);
    EXPECT_EQ(run({in.string(), out.string(), op}), 1);
    EXPECT_NE(err.find("Image Not Colour Converted"), std::string::npos) << err;
  }
  // Values the dialogs refuse are usage errors.
  for (const char* op :
       {"balance:300:0:0", "balance:1:2", "balance:0:0:0:1:9:9:0:255:0:255", "chromatism:21:0:0:0",
        "overload:0", "lowpasscolour:11", "merge:x.raw:1:2:3", "merge:x.raw:1:2:3:y"}) {
    SCOPED_TRACE(op);
    EXPECT_EQ(run({in.string(), out.string(), op}), 2);
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Two copies of a star field shifted by (+6, -4) merge into one aligned frame, added or
// averaged, exactly as mergeShifted lays them.
TEST_F(ProcessMeasureTest, MergeAlignsAShiftedCopyOnTheStar) {
  useBinnedGeometry();
  const std::vector<test::SyntheticStar> stars{
      {400, 300, 2.0, 400000}, {700.3, 520.6, 1.6, 80000}, {1100, 800, 2.5, 1500000}};
  auto shifted = stars;
  for (auto& s : shifted)
    s.x += 6, s.y -= 4;
  const auto firstFrame = test::starFrame(1520, 1012, 900, stars, 20, 1);
  const auto secondFrame = test::starFrame(1520, 1012, 900, shifted, 20, 2);
  std::copy(firstFrame.begin(), firstFrame.end(), program.planes.RawImage.begin());
  const auto first = save("first.raw");
  std::copy(secondFrame.begin(), secondFrame.end(), program.planes.RawImage.begin());
  const auto second = save("second.raw");

  for (const auto mode : {process::MergeMode::Add, process::MergeMode::Average}) {
    const bool average = mode == process::MergeMode::Average;
    SCOPED_TRACE(average ? "average" : "add");
    // The picks are a few pixels off the star on both images.
    const auto out = root / "merged.raw";
    const std::string op =
        "merge:" + second.string() + ":402:298:405:297" + (average ? ":avg" : "");
    ASSERT_EQ(run({first.string(), out.string(), op}), 0) << err;
    std::vector<std::uint16_t> expected = firstFrame;
    process::mergeShifted(expected, secondFrame, 1520, 1012, {-6, 4}, mode);
    test::ProgramFixture merged;
    ASSERT_TRUE(files::openImageFile(merged.program, out).loaded);
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.end(), merged.program.planes.RawImage.begin()));
  }

  // A pick whose aperture leaves the image names why and leaves nothing written.
  const auto none = root / "none.raw";
  EXPECT_EQ(run({first.string(), none.string(), "merge:" + second.string() + ":2:2:8:0"}), 1);
  EXPECT_NE(err.find("too close to the edge"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(none));
}

}  // namespace
}  // namespace nvk::cli
