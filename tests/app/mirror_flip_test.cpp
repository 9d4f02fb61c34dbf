#include "app/mirror_flip.h"

#include <gtest/gtest.h>

#include <vector>

#include "process/random_frames.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

// Plain references written from the rule: mirror takes column width - 1 - c, flip takes row
// height - 1 - r, both only below `firstRow`.
std::vector<std::uint16_t> referenceMirror(const std::vector<std::uint16_t>& in, int w, int h,
                                           int firstRow) {
  std::vector<std::uint16_t> out = in;
  for (int y = firstRow; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      out[y * w + x] = in[y * w + (w - 1 - x)];
  }
  return out;
}

std::vector<std::uint16_t> referenceFlip(const std::vector<std::uint16_t>& in, int w, int h,
                                         int firstRow) {
  std::vector<std::uint16_t> out = in;
  for (int k = 0; firstRow + k < h; ++k) {
    for (int x = 0; x < w; ++x)
      out[(firstRow + k) * w + x] = in[(h - 1 - k) * w + x];
  }
  return out;
}

struct MirrorFlipTest : ::testing::Test {
  nvk::test::ProgramFixture f;

  std::vector<std::uint16_t> fill(image::Plane plane, std::uint32_t seed) {
    const auto values =
        nvk::test::randomFrame(f.program.geometry.width, f.program.geometry.height, seed);
    std::copy(values.begin(), values.end(), plane.begin());
    return values;
  }
  std::vector<std::uint16_t> read(image::Plane plane) const {
    return {plane.begin(),
            plane.begin() + static_cast<std::ptrdiff_t>(f.program.geometry.pixelCount)};
  }
  void label() {
    for (int i = 0; i < 6; ++i)
      f.program.planes.RawImage[i] = 17;
  }
};

TEST(LabelTest, SamplesFourAndFiveAddingUpTo34MarkALabelledImage) {
  std::vector<std::uint16_t> raw(8, 17);
  EXPECT_TRUE(isLabelledImage(raw));
  raw[4] = 0;
  raw[5] = 34;
  EXPECT_TRUE(isLabelledImage(raw));
  raw[5] = 35;
  EXPECT_FALSE(isLabelledImage(raw));
}

// Both geometries, unlabelled and labelled: a labelled image keeps its top ten rows (the band
// of the label) and mirrors and flips the rows below them.
TEST_F(MirrorFlipTest, MatchReferenceOnRandomFrames) {
  const struct {
    bool binned, labelled;
    std::uint32_t seed;
    int firstRow;
  } cases[] = {{false, false, 2, 0}, {true, false, 1, 0}, {true, true, 3, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "binned " << c.binned << " labelled " << c.labelled);
    f.program.state.binned = c.binned;
    f.program.applyGeometry();
    const int w = f.program.geometry.width;
    const int h = f.program.geometry.height;
    fill(f.program.planes.RawImage, c.seed);
    if (c.labelled) {
      label();
    } else {
      f.program.planes.RawImage[4] = 1;
    }
    std::vector<std::uint16_t> before = read(f.program.planes.RawImage);
    MirrorImage(f.program);
    EXPECT_EQ(read(f.program.planes.RawImage), referenceMirror(before, w, h, c.firstRow));

    before = read(f.program.planes.RawImage);
    FlipImage(f.program);
    EXPECT_EQ(read(f.program.planes.RawImage), referenceFlip(before, w, h, c.firstRow));
  }
  EXPECT_EQ(f.ui.redraws(), 6);
  EXPECT_FALSE(f.ui.busy());
}

TEST_F(MirrorFlipTest, ColourPlanesFollowOnlyWhenColourConverted) {
  f.program.state.binned = true;
  f.program.applyGeometry();
  const int w = f.program.geometry.width;
  const int h = f.program.geometry.height;
  fill(f.program.planes.RawImage, 4);
  label();
  const auto red = fill(f.program.planes.ColourImage.red(), 5);
  const auto blue = fill(f.program.planes.ColourImage.blue(), 6);
  const auto green = fill(f.program.planes.ColourImage.green(), 7);

  FlipImage(f.program);
  EXPECT_EQ(read(f.program.planes.ColourImage.red()), red);

  f.program.state.colourConverted = true;
  MirrorImage(f.program);
  EXPECT_EQ(read(f.program.planes.ColourImage.red()), referenceMirror(red, w, h, kLabelBandRows));
  EXPECT_EQ(read(f.program.planes.ColourImage.blue()), referenceMirror(blue, w, h, kLabelBandRows));
  EXPECT_EQ(read(f.program.planes.ColourImage.green()),
            referenceMirror(green, w, h, kLabelBandRows));
}

}  // namespace
}  // namespace nvk::app
