#include <gtest/gtest.h>

#include "process/filters.h"
#include "process/undo.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

class GradientFilterTest : public ::testing::Test {
 protected:
  test::ProgramFixture f;
  app::Program& p = f.program;
  image::Plane raw() { return p.planes.RawImage; }
  std::uint16_t& at(int x, int y) { return raw()[y * p.geometry.width + x]; }
  void patch(int top, int left, std::uint16_t level) {
    for (int y = top; y < top + 40; ++y) {
      for (int x = left; x < left + 40; ++x)
        at(x, y) = level;
    }
  }
  // Patches at the centres of the bins 250, 300, 275 and 325: the plane rises 1600 / 1160 a
  // column and 800 / 880 a row about (329.5, 249.5), where it is at the mean 4608.
  void tiltedPatches() {
    std::fill_n(raw().begin(), p.geometry.pixelCount, 5000);
    patch(10, 20, 4008);
    patch(10, 600, 4808);
    patch(450, 20, 4408);
    patch(450, 600, 5208);
  }
};

// The plane through the patches is subtracted, clamped at both ends; a star inside a patch does
// not move its level.
TEST_F(GradientFilterTest, ThePlaneThroughThePatchesIsSubtracted) {
  tiltedPatches();
  at(30, 20) = 60000;  // a star in the first patch
  at(31, 20) = 60000;
  at(3000, 2000) = 0;
  at(0, 0) = 65535;
  const GradientPlane plane = fitGradientPlane(raw(), p.geometry.width);
  EXPECT_DOUBLE_EQ(plane.slopeX, 1600.0 / 1160.0);
  EXPECT_DOUBLE_EQ(plane.slopeY, 800.0 / 880.0);
  EXPECT_DOUBLE_EQ(plane.centreX, 329.5);
  EXPECT_DOUBLE_EQ(plane.centreY, 249.5);
  EXPECT_DOUBLE_EQ(plane.meanLevel, 4608.0);
  GradientFilter(p);
  // (1000, 1000): 924.83 + 682.27 = 1607.1 -> 5000 - 1607
  EXPECT_EQ(at(1000, 1000), 3393);
  // (39, 29) in the first patch: -400.69 - 200.45 = -601.1 -> 4008 + 601
  EXPECT_EQ(at(39, 29), 4609);
  // (619, 469) in the last patch: 399.3 + 199.5 = 598.8 -> 5208 - 599
  EXPECT_EQ(at(619, 469), 4609);
  EXPECT_EQ(at(3000, 2000), 0);  // 0 - 5275
  EXPECT_EQ(at(0, 0), 65535);    // 65535 + 681
}

TEST_F(GradientFilterTest, TheLabelledBandIsKeptAndUndoRestores) {
  tiltedPatches();
  for (int i = 0; i < 6; ++i)
    raw()[i] = 17;
  const std::uint16_t before = at(3000, 5);
  GradientFilter(p);
  EXPECT_EQ(at(3000, 5), before);
  EXPECT_EQ(raw()[5], 17);
  EXPECT_NE(at(3000, 10), before);
  EXPECT_TRUE(UndoLastFilter(p));
  EXPECT_EQ(at(1000, 1000), 5000);
  EXPECT_EQ(p.history.usedCount(), 0);
}

}  // namespace
}  // namespace nvk::process
