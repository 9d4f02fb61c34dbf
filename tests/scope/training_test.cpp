#include "scope/training.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace nvk::scope {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

TEST(MainTrainingTest, RatesAndBacklashFromHandMadePositions) {
  // T = 2. East moves of 2 s carry the star 20 px (x1 -> x2), west moves 22 px (x3 -> x4);
  // the star ends 4 px short of x0 and the reversal lost 6 px.
  MainTrainingPositions p;
  p.x0 = 100, p.x1 = 118, p.x2 = 138, p.x3 = 124, p.x4 = 102;
  p.y0 = 50, p.y1 = 60, p.y2 = 72, p.y3 = 66, p.y4 = 52;
  const MainTrainingResult r = mainTrainingResult(p, 2);
  EXPECT_EQ(r.raRate, (22 + 20) / 4);    // 10
  EXPECT_EQ(r.raBacklash, (2 + 6) / 4);  // 2
  EXPECT_EQ(r.decRate, 14 / 2);          // the larger move: south 14 against north 12
  EXPECT_EQ(r.decBacklash, 6 / 2);       // the larger loss: |y1 - y3| = 6 against 2
  EXPECT_EQ(mainTrainingText(r),
            "slewx =    10, slewy =     7\nbacklashx =     2, backlashy =     3");
}

TEST(MainTrainingTest, ZeroRatesBecomeOne) {
  MainTrainingPositions still;  // the star never moved
  const MainTrainingResult r = mainTrainingResult(still, 1);
  EXPECT_EQ(r.raRate, 1);
  EXPECT_EQ(r.decRate, 1);
  EXPECT_EQ(r.raBacklash, 0);
  EXPECT_EQ(r.decBacklash, 0);
}

TEST(GuideHeadTrainingTest, TwentyPixelsInOneSecondTrainingGiveRateTen) {
  // T = 1; the first short west move only took up the play (A = P0); after the third the star
  // lies 20 px from P0 with y unchanged. The Dec. moves carry it 10 px per second south-free.
  GuideHeadTrainingPositions p;
  p.p0 = {200, 150};
  p.a = {200, 150};
  p.b = {190, 150};
  p.c = {180, 150};
  p.d = {190, 150};
  p.e = {180, 150};
  p.f = {180, 152};
  p.g = {180, 162};
  p.h = {180, 152};  // no Dec. play: the south move undoes the north move exactly
  const TrainedGuideValues v = guideHeadTrainingResult(p, 1);
  EXPECT_EQ(std::abs(static_cast<int>(v.raRateX)), 10);
  EXPECT_EQ(static_cast<int>(v.raRateY), 0);
  EXPECT_EQ(v.raAngle, 0.0);
  EXPECT_EQ(v.raLength, 10);
  EXPECT_EQ(v.quadrant, 2);  // west moves the star to smaller x
  EXPECT_EQ(v.decLength, 10);
  EXPECT_EQ(v.raBacklash, 0);
  EXPECT_EQ(v.decBacklash, 0);
  EXPECT_EQ(guideHeadTrainingText(v),
            "slew RA =   -10,    0,    10\nslew Dec =     0,    10,    10\nbacklash RA =     0,"
            "     0,     0\nbacklash Dec =     0,     0,     0\nTheta =     0");
}

TEST(GuideHeadTrainingTest, QuadrantFollowsTheSignsOfTheWestMotion) {
  struct Case {
    int cx, cy;  // C - A over 2T = 2 s
    int quadrant;
    double degrees;
  };
  for (const Case& c :
       {Case{20, 0, 1, 0.0}, Case{-20, 0, 2, 0.0}, Case{20, 20, 1, 45.0}, Case{-20, 20, 2, 45.0},
        Case{-20, -20, 3, 45.0}, Case{20, -20, 4, 45.0}, Case{0, 20, 1, 90.0}}) {
    GuideHeadTrainingPositions p;
    p.p0 = p.a = {200, 150};
    p.b = {200 + c.cx / 2, 150 + c.cy / 2};
    p.c = p.d = p.e = {200 + c.cx, 150 + c.cy};
    p.f = p.g = p.h = p.e;
    const TrainedGuideValues v = guideHeadTrainingResult(p, 1);
    EXPECT_EQ(v.quadrant, c.quadrant) << c.cx << "," << c.cy;
    EXPECT_NEAR(v.raAngle / kDegree, c.degrees, 1e-9) << c.cx << "," << c.cy;
  }
}

TEST(GuideHeadTrainingTest, PlayOfTheDecAxisIsWhatTheReversalLoses) {
  // T = 2, north 6 px/s along +y; the south move of 2 s brings the star back only 9 px.
  GuideHeadTrainingPositions p;
  p.p0 = p.a = p.b = p.c = p.d = p.e = {250, 100};
  p.f = {250, 103};
  p.g = {250, 115};
  p.h = {250, 106};
  const TrainedGuideValues v = guideHeadTrainingResult(p, 2);
  EXPECT_DOUBLE_EQ(v.decRateY, 6.0);
  EXPECT_EQ(v.decBacklashY, 3);
  EXPECT_EQ(v.decBacklash, 3);
}

TEST(GuideHeadTrainingTest, SearchStartsAheadByTheExpectedMotion) {
  EXPECT_EQ(searchAhead({110, 100}, {100, 100}, 9), (PixelPoint{201, 101}));
  EXPECT_EQ(searchAhead({100, 95}, {100, 100}, 5), (PixelPoint{101, 71}));
}

TEST(AoTrainingTest, GainsAreStepsPerPixel) {
  // 25 steps move the star 5 px west/east and 2.5 px north/south.
  const PixelPoint p0{100, 100}, a{105, 100}, b{100, 100}, c{100, 103}, d{100, 98};
  const AoTrainingResult r = aoTrainingResult(p0, a, b, c, d);
  EXPECT_EQ(r.ax, 5);
  EXPECT_EQ(r.ay, 0);
  EXPECT_EQ(r.firstGain, 5);
  EXPECT_EQ(r.bx, 0);
  EXPECT_EQ(r.by, 4);          // (2 x 103 - 100 - 98) / 2
  EXPECT_EQ(r.secondGain, 6);  // trunc(25 / 4)
  // A unit that did not move the star at all still gives gains of 1.
  const AoTrainingResult still = aoTrainingResult(p0, p0, p0, p0, p0);
  EXPECT_EQ(still.firstGain, 1);
  EXPECT_EQ(still.secondGain, 1);
  EXPECT_EQ(aoTrainingText(r, p0, a, b, c, d),
            "slew RA =     5,    0,     5\nslew Dec =     0,     4,     6\npos 1 =   100,   100\n"
            "pos 2 =   105,   100\npos 3 =   100,   100\npos 4 =   100,   103\npos 5 =   100,    "
            "98\n");
}

}  // namespace
}  // namespace nvk::scope
