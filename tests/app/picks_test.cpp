#include "app/picks.h"

#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace nvk::app {
namespace {

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

// During focus mode the window shows the 128 x 128 focus window, which starts at the focus
// corner of the sensor (rounded down to a 2 x 2 cell) one to one, or with focus binning 32
// columns and 64 rows before it (at least 0) at two sensor pixels a window pixel. A click there
// lies on the image display at that sensor point, scaled like the image.
TEST_F(PickAtTest, ClicksOnTheFocusWindowMapToTheImageDisplayUnderThem) {
  const struct {
    bool binned, half, focusBinning;
    int focusLeft, focusTop;
    int x, y;
    std::optional<image::ImagePoint> at;
  } cases[] = {
      {false, false, false, 1000, 600, 64, 64, image::ImagePoint{1064, 664}},
      {false, false, false, 1001, 601, 0, 0, image::ImagePoint{1000, 600}},
      {false, true, false, 1000, 600, 64, 64, image::ImagePoint{532, 332}},
      {true, false, false, 1000, 600, 64, 64, image::ImagePoint{532, 332}},
      {true, true, false, 1000, 600, 64, 64, image::ImagePoint{266, 166}},
      {false, false, true, 1000, 600, 10, 20, image::ImagePoint{988, 576}},
      {false, false, true, 10, 20, 127, 127, image::ImagePoint{254, 254}},
      {false, false, false, 2912, 1896, 127, 127, image::ImagePoint{3039, 2023}},
      {false, false, false, 1000, 600, 128, 5, std::nullopt},
      {false, false, false, 1000, 600, 5, 128, std::nullopt},
      {false, false, false, 1000, 600, -1, 5, std::nullopt},
  };
  for (const auto& c : cases) {
    f.program.state.binned = c.binned;
    f.program.halfSizeDisplay = c.half;
    f.program.applyGeometry();
    f.program.acquisition.binFocusFrame = c.focusBinning;
    f.program.state.focusLeft = c.focusLeft;
    f.program.state.focusTop = c.focusTop;
    f.program.displayOptions.focusFrame = true;
    EXPECT_EQ(imageDisplayPointAt(f.program, c.x, c.y), c.at) << c.focusLeft << " " << c.x;
    // Without the focus window the click is on the image display itself.
    f.program.displayOptions.focusFrame = false;
    EXPECT_EQ(imageDisplayPointAt(f.program, c.x, c.y),
              insideDisplay(f.program.geometry, c.x, c.y)
                  ? std::optional(image::ImagePoint{c.x, c.y})
                  : std::nullopt);
  }
}

// Regression: a focus-centre pick on the focus window was taken as a click on the image at the
// same window position, moving the focus window to the image's top-left corner.
TEST_F(PickAtTest, FocusPickOnTheFocusWindowRecentresOnTheClickedStar) {
  f.program.state.focusLeft = 1000;
  f.program.state.focusTop = 600;
  f.program.displayOptions.focusFrame = true;
  EXPECT_EQ(pickAt(f.program, PickMode::FocusCentre, 100, 30), PickMode::None);
  EXPECT_EQ(f.program.state.focusLeft, 1036);
  EXPECT_EQ(f.program.state.focusTop, 566);
  EXPECT_EQ(pickAt(f.program, PickMode::SubFrameCentre, 200, 30), PickMode::SubFrameCentre);
  EXPECT_EQ(f.ui.messageTexts().back(), "Sorry, outside Image area - try again");
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
