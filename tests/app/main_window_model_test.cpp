#include "app/main_window_model.h"

#include <gtest/gtest.h>

#include "fake_window.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

struct MainWindowModelTest : ::testing::Test {
  nvk::test::ProgramFixture f;
  test::FakeWindow window;
  MainWindowModel model{f.program, window};
};

TEST_F(MainWindowModelTest, StatusLineSaysWhatToDoNextWhileMerging) {
  EXPECT_EQ(model.statusText(), "NVK K7LQ Camera Control and Image processing program");
  f.program.measure.active = process::MeasureTool::Merging;
  const std::pair<process::MergeStep, const char*> steps[] = {
      {process::MergeStep::PickFirstStar, "Merging: right-click a star on the first image"},
      {process::MergeStep::OpenSecondImage, "Merging: open the second image"},
      {process::MergeStep::PickSecondStar,
       "Merging: right-click the same star on the second image"}};
  for (const auto& [step, text] : steps) {
    f.program.measure.merge.step = step;
    EXPECT_EQ(model.statusText(), text);
  }
}

// The full-size button of the pair only ever returns to the full-size display: pressed again
// it must not toggle back to half size.
TEST_F(MainWindowModelTest, FullSizeButtonReturnsFromHalfSizeOnly) {
  EXPECT_TRUE(model.fullSizeDisplay());
  model.showFullSize();
  EXPECT_TRUE(model.fullSizeDisplay());
  ASSERT_TRUE(model.run(cmd::kHalfSizeDisplay));
  EXPECT_FALSE(model.fullSizeDisplay());
  model.showFullSize();
  EXPECT_TRUE(model.fullSizeDisplay());
  EXPECT_EQ(f.program.geometry.displayWidth, f.program.geometry.width);
}

// A right click never makes the sub-frame or focus pick the window waits for; a left click
// with nothing to pick changes nothing.
TEST_F(MainWindowModelTest, ClicksPickOnlyWhatTheWindowWaitsFor) {
  const struct {
    PickMode waiting;
    bool rightButton;
    PickMode after;
  } cases[] = {
      {PickMode::None, false, PickMode::None},
      {PickMode::FocusCentre, true, PickMode::FocusCentre},
      {PickMode::SubFrameCentre, true, PickMode::SubFrameCentre},
      {PickMode::FocusCentre, false, PickMode::None},
  };
  for (const auto& c : cases) {
    const MainWindowModel::ClickResult result = model.click(c.waiting, 40, 30, c.rightButton);
    EXPECT_FALSE(result.measured);
    EXPECT_EQ(result.mode, c.after) << static_cast<int>(c.waiting) << c.rightButton;
  }
}

}  // namespace
}  // namespace nvk::app
