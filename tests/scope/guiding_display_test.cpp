#include "scope/guiding_display.h"

#include <gtest/gtest.h>

namespace nvk::scope {
namespace {

// The "Guidestar Movement" plot: the error (reference minus star, thousandths of a pixel) as a
// cross in the 100 x 100 square, 10 points per pixel, the star's way to the right and upward.
TEST(GuidestarPlotTest, ErrorMapsToTheCrossAndClampsAtTheSquaresEdge) {
  struct Case {
    const char* what;
    GuideError error;
    PlotCross cross;  // centre x, centre y, left, right, top, bottom
  };
  const Case cases[] = {
      {"on the reference", {0, 0}, {50, 50, 43, 57, 43, 57}},
      {"star 1 px to the right", {-1000, 0}, {60, 50, 53, 67, 43, 57}},
      {"star 1 px up the image", {0, 1000}, {50, 40, 43, 57, 33, 47}},
      {"star 2.5 px left and down", {2500, -2500}, {25, 75, 18, 32, 68, 82}},
      {"less than a tenth shows nothing", {-99, 99}, {50, 50, 43, 57, 43, 57}},
      {"a quarter pixel is two points", {-250, 0}, {52, 50, 45, 59, 43, 57}},
      {"5 px right and up: the corner", {-5000, 5000}, {100, 0, 93, 100, 0, 7}},
      {"beyond 5 px stays at the edge", {-8000, -12000}, {100, 100, 93, 100, 93, 100}},
      {"6 px left: the left edge", {6000, 0}, {0, 50, 0, 7, 43, 57}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(guidestarPlotCross(c.error), c.cross);
  }
}

// The guide image (500 x 290) squeezed into the display's 288 x 181 area: where the
// cross-hair marks the star.
TEST(GuidestarPlotTest, StarMapsIntoTheGuideImageArea) {
  struct Case {
    StarPosition star;
    AreaPoint point;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, {0, 0}},
      {{250, 0, 145, 0}, {144, 90}},   // 144.0, 90.5
      {{100, 5, 20, 9}, {57, 13}},     // 1005 x 288 / 5000 = 57.9; 209 x 181 / 2900 = 13.04
      {{499, 9, 289, 9}, {287, 180}},  // the last pixel stays inside the area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.star.x << "." << c.star.xTenths << ", " << c.star.y << "." << c.star.yTenths);
    EXPECT_EQ(guideAreaPoint(c.star), c.point);
  }
}

TEST(GuidestarPlotTest, DisplayFieldsAreShownInPixelsMillisecondsAndSteps) {
  GuidingDisplay d;
  d.x = 212.3;
  d.y = 7.0;
  d.dx = -0.4;
  d.dy = 1.2;
  d.slewXMs = 150;
  d.slewYMs = -20;
  d.aoX = 25;
  d.aoY = 0;
  d.aoMovingMount = true;
  const GuidingDisplayTexts expected{"212.3", "7.0", "-0.4", "1.2", "150", "-20", "25", "0", "Yes"};
  EXPECT_EQ(guidingDisplayTexts(d), expected);
  d.aoMovingMount = false;
  EXPECT_EQ(guidingDisplayTexts(d).aoMovingMount, "No");
}

}  // namespace
}  // namespace nvk::scope
