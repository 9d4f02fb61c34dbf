#include "app/picks.h"

#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace nvk::app {
namespace {

TEST(PicksTest, DisplayToFullScale) {
  EXPECT_EQ(displayToFullScale(false, false), 1);
  EXPECT_EQ(displayToFullScale(false, true), 2);
  EXPECT_EQ(displayToFullScale(true, false), 2);
  EXPECT_EQ(displayToFullScale(true, true), 4);
}

TEST(PicksTest, FocusPickClampsAndScales) {
  struct Row {
    bool binned, half;
    int x, y;
    image::ImagePoint centre, corner;
  };
  const Row rows[] = {
      {false, false, 100, 100, {100, 100}, {36, 36}},
      {false, false, 10, 10, {67, 65}, {3, 1}},  // left at least 3, top at least 1
      {false, false, 3039, 2023, {2976, 1960}, {2912, 1896}},
      {false, true, 100, 100, {200, 200}, {136, 136}},
      {true, false, 100, 100, {200, 200}, {136, 136}},
      {true, true, 100, 100, {400, 400}, {336, 336}},
      {true, false, 1519, 1011, {2976, 1960}, {2912, 1896}},
      {true, true, 0, 0, {70, 66}, {6, 2}},
  };
  for (const Row& r : rows) {
    const auto g = image::applyGeometry(r.binned, r.half);
    const FocusPick pick = focusCentrePick(g, r.binned, r.half, r.x, r.y);
    EXPECT_EQ(pick.centre, r.centre)
        << r.x << "," << r.y << " binned " << r.binned << " half " << r.half;
    EXPECT_EQ(pick.corner, r.corner)
        << r.x << "," << r.y << " binned " << r.binned << " half " << r.half;
  }
}

TEST(PicksTest, SubFramePickKeepsTheBoxInsideAndScales) {
  struct Row {
    bool binned, half;
    int boxWidth, boxHeight;  // full-resolution sub-frame size
    int x, y;
    image::ImagePoint centre;
  };
  const Row rows[] = {
      {false, false, 1520, 1012, 1000, 800, {1000, 800}},
      {false, false, 1520, 1012, 10, 10, {760, 506}},
      {false, false, 1520, 1012, 3039, 2023, {2280, 1518}},
      {false, true, 1520, 1012, 10, 10, {760, 506}},
      {false, true, 1520, 1012, 1519, 1011, {2280, 1518}},
      {true, false, 1013, 675, 0, 0, {506, 336}},
      {true, false, 1013, 675, 800, 500, {1600, 1000}},
      {true, true, 760, 506, 759, 505, {2660, 1772}},
      {true, true, 760, 506, 300, 200, {1200, 800}},
  };
  for (const Row& r : rows) {
    const auto g = image::applyGeometry(r.binned, r.half);
    EXPECT_EQ(subFramePick(g, r.binned, r.half, r.boxWidth, r.boxHeight, r.x, r.y), r.centre)
        << r.x << "," << r.y << " binned " << r.binned << " half " << r.half;
  }
}

struct PickAtTest : ::testing::Test {
  nvk::test::ProgramFixture f;
};

TEST_F(PickAtTest, OutsideThePictureShowsMessage2AndKeepsTheMode) {
  f.program.halfSizeDisplay = true;
  f.program.applyGeometry();
  for (auto mode : {PickMode::FocusCentre, PickMode::SubFrameCentre}) {
    f.ui.clearRecord();
    EXPECT_EQ(pickAt(f.program, mode, 1520, 10), mode);
    EXPECT_EQ(pickAt(f.program, mode, 10, 1012), mode);
    EXPECT_EQ(pickAt(f.program, mode, -1, 10), mode);
    EXPECT_EQ(f.ui.messageTexts(),
              std::vector<std::string>(3, "Sorry, outside Image area - try again"));
  }
  EXPECT_EQ(f.program.state.subFrameCentreX, 1520);
}

TEST_F(PickAtTest, WithoutAPickModeAClickDoesNothing) {
  EXPECT_EQ(pickAt(f.program, PickMode::None, 5000, 5000), PickMode::None);
  EXPECT_TRUE(f.ui.messages().empty());
}

TEST_F(PickAtTest, FocusPickSetsTheWindowAndReportsIt) {
  EXPECT_EQ(pickAt(f.program, PickMode::FocusCentre, 10, 10), PickMode::None);
  EXPECT_EQ(f.program.state.focusLeft, 3);
  EXPECT_EQ(f.program.state.focusTop, 1);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(f.ui.messages()[0].text,
            "x position =    67\ny position =    65\nleft =     3\ntop =     1");
}

TEST_F(PickAtTest, SubFramePickSetsTheCentreAndReportsIt) {
  f.program.state.binned = true;
  f.program.applyGeometry();
  EXPECT_EQ(pickAt(f.program, PickMode::SubFrameCentre, 1519, 0), PickMode::None);
  EXPECT_EQ(f.program.state.subFrameCentreX, 2280);
  EXPECT_EQ(f.program.state.subFrameCentreY, 506);
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"x position =  2280\ny position =   506"});
}

TEST_F(PickAtTest, SubFrameOutlineFollowsTheCentreInDisplayPixels) {
  f.program.state.subFrameCentreX = 2000;
  f.program.state.subFrameCentreY = 1000;
  EXPECT_EQ(subFrameOutline(f.program), (DisplayRect{1240, 494, 1520, 1012}));
  f.program.halfSizeDisplay = true;
  EXPECT_EQ(subFrameOutline(f.program), (DisplayRect{620, 247, 760, 506}));
}

}  // namespace
}  // namespace nvk::app
