#include "image/geometry.h"

#include <gtest/gtest.h>

#include "image/image_state.h"
#include "image/plane_pool.h"
#include "support/program_fixture.h"

namespace nvk::image {
namespace {

struct GeometryCase {
  bool binned;
  int width, height, rowBytes;
  std::size_t pixelCount, frameBytes, chunkBytes;
  int lastColumn, lastRow;
  int halfDisplayWidth, halfDisplayHeight;
};

class GeometryTable : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(GeometryTable, FollowsBinnedFlag) {
  const auto& c = GetParam();
  const ImageGeometry g = applyGeometry(c.binned, false);
  EXPECT_EQ(g.width, c.width);
  EXPECT_EQ(g.height, c.height);
  EXPECT_EQ(g.rowBytes, c.rowBytes);
  EXPECT_EQ(g.pixelCount, c.pixelCount);
  EXPECT_EQ(g.frameBytes, c.frameBytes);
  EXPECT_EQ(g.chunkBytes, c.chunkBytes);
  EXPECT_EQ(g.lastColumn, c.lastColumn);
  EXPECT_EQ(g.lastRow, c.lastRow);
  EXPECT_EQ(g.displayWidth, c.width);
  EXPECT_EQ(g.displayHeight, c.height);
  EXPECT_EQ(g.chunkBytes * 10, g.frameBytes);
  // The half-size display halves only the display.
  const ImageGeometry half = applyGeometry(c.binned, true);
  EXPECT_EQ(half.width, c.width);
  EXPECT_EQ(half.pixelCount, c.pixelCount);
  EXPECT_EQ(half.displayWidth, c.halfDisplayWidth);
  EXPECT_EQ(half.displayHeight, c.halfDisplayHeight);
}

INSTANTIATE_TEST_SUITE_P(BothGeometries, GeometryTable,
                         ::testing::Values(GeometryCase{false, 3040, 2024, 6080, 6'152'960,
                                                        12'305'920, 1'230'592, 3039, 2023, 1520,
                                                        1012},
                                           GeometryCase{true, 1520, 1012, 3040, 1'538'240,
                                                        3'076'480, 307'648, 1519, 1011, 760, 506}));

TEST(ReadoutModes, TableOfModes) {
  struct Row {
    int code;
    bool binned;
    char modeCode;
    const char* history;
  };
  const Row rows[] = {{1, false, '1', "Fullframe Image"},       {2, true, '2', "Binned Image"},
                      {3, true, '4', "Binned Image"},           {4, true, '3', "Binned Image"},
                      {5, true, '5', "Subframe Image"},         {6, false, '6', "Fullframe Image"},
                      {7, false, '7', "Fullframe Image Binned"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.code);
    const auto& info = readoutModeInfo(static_cast<ReadoutMode>(r.code));
    EXPECT_EQ(static_cast<int>(info.mode), r.code);
    EXPECT_EQ(info.binned, r.binned);
    EXPECT_EQ(info.modeCode, r.modeCode);
    EXPECT_EQ(info.historyText, r.history);
    const ReadoutModeInfo* back = readoutModeForCode(r.modeCode);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->mode, info.mode);
  }
  EXPECT_EQ(readoutModeForCode('8'), nullptr);
  EXPECT_EQ(readoutModeForCode('0'), nullptr);
}

TEST(PlanePoolTest, SeventeenDistinctZeroedPlanesThatNeverMove) {
  PlanePool pool;
  for (int n = 1; n <= PlanePool::kPlaneCount; ++n) {
    const Plane p = pool.plane(n);
    EXPECT_EQ(p.size(), kPlaneSamples);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[kPlaneSamples - 1], 0);
    if (n > 1) {
      EXPECT_EQ(pool.plane(n - 1).data() + kPlaneSamples, p.data()) << n;
    }
  }
  EXPECT_EQ(pool.RawImage.data(), pool.plane(1).data());
  EXPECT_EQ(pool.RawImage2.data(), pool.plane(2).data());
  EXPECT_EQ(pool.ColourImage.red().data(), pool.plane(6).data());
  EXPECT_EQ(pool.ColourImage.blue().data(), pool.plane(7).data());
  EXPECT_EQ(pool.ColourImage.green().data(), pool.plane(8).data());
  EXPECT_EQ(pool.RgbOutputImage[0].data(), pool.plane(9).data());
  EXPECT_EQ(pool.ColourWorkImage[2].data(), pool.plane(17).data());
  EXPECT_EQ(pool.cameraBuffer.size(), 12'305'920u);
  EXPECT_THROW(pool.plane(0), std::out_of_range);
  EXPECT_THROW(pool.plane(18), std::out_of_range);

  // Writing the last sample of one plane must not touch the next.
  pool.RawImage[kPlaneSamples - 1] = 65535;
  EXPECT_EQ(pool.RawImage2[0], 0);
}

TEST(ProgramTest, StartsInHighResolutionAndFollowsBinned) {
  test::ProgramFixture f;
  auto& p = f.program;
  EXPECT_EQ(p.geometry, applyGeometry(false, false));
  p.state.binned = true;
  p.applyGeometry();
  EXPECT_EQ(p.geometry, applyGeometry(true, false));
  p.halfSizeDisplay = true;
  p.applyGeometry();
  EXPECT_EQ(p.geometry, applyGeometry(true, true));
}

}  // namespace
}  // namespace nvk::image
