#include "acquire/main_guiding.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/picks.h"
#include "support/program_fixture.h"

namespace nvk::scope {
namespace {

// These models moved up to acquire/ and still use the guiding code below them.
using namespace nvk::acquire;

struct MainGuidingTest : ::testing::Test, test::ProgramFixture {
  // A star of the current image at (x, y), on a flat sky.
  void drawStar(double sx, double sy) {
    const auto& g = program.geometry;
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) {
        const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
        const double v = r2 > 100 ? 500.0 : 500.0 + 30000.0 * std::exp(-r2 / 4.5);
        program.planes.RawImage[static_cast<std::size_t>(y * g.width + x)] =
            static_cast<std::uint16_t>(v);
      }
    }
  }
};

TEST_F(MainGuidingTest, PickIsRefusedWhileThePictureIsFittedToTheWindow) {
  program.displayOptions.fitToWindow = true;
  EXPECT_FALSE(CanPickGuideStar(program));
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Sorry. Cannot Pick Star in ths display mode");
  program.displayOptions.fitToWindow = false;
  EXPECT_TRUE(CanPickGuideStar(program));
}

TEST_F(MainGuidingTest, ClickIsRefinedToTheStarAndCrossedAtFullResolution) {
  program.state.binned = true;
  program.applyGeometry();
  drawStar(700.0, 400.0);
  // A click four pixels off the star, in the half-size display.
  program.halfSizeDisplay = true;
  program.applyGeometry();
  EXPECT_EQ(app::pickAt(program, app::PickMode::GuideStar, 352, 198), app::PickMode::None);
  ASSERT_TRUE(program.displayOptions.guideStarCross);
  EXPECT_EQ(program.displayOptions.guideStarCross->x, 1400);  // binned: x 2
  EXPECT_EQ(program.displayOptions.guideStarCross->y, 800);
  EXPECT_TRUE(program.guiding.mainStarPicked);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "x position =   700\ny position =   400");
  // The guiding window sits around the star, on even pixels.
  EXPECT_EQ(program.guiding.mainStar.windowLeft, 1336);
  EXPECT_EQ(program.guiding.mainStar.windowTop, 736);
}

TEST_F(MainGuidingTest, StarBoxOutsideTheImageKeepsThePickMode) {
  drawStar(5.0, 5.0);
  EXPECT_EQ(app::pickAt(program, app::PickMode::GuideStar, 3, 3), app::PickMode::GuideStar);
  EXPECT_FALSE(program.guiding.mainStarPicked);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Find centre failed - outside image area");
}

TEST_F(MainGuidingTest, WindowIsKeptOnTheSensor) {
  MainGuideStar star;
  star.position = {3035, 0, 3, 0};
  placeMainGuideWindow(star);
  EXPECT_EQ(star.windowLeft, image::kFullWidth - kMainGuideWindow);
  EXPECT_EQ(star.windowTop, 0);
}

}  // namespace
}  // namespace nvk::scope
