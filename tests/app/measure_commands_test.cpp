#include "app/measure_commands.h"

#include <gtest/gtest.h>

#include "app/display_builder.h"
#include "app/measure_windows_model.h"
#include "base/messages.h"
#include "fake_window.h"
#include "files/raw_file.h"
#include "process/measure_merge.h"
#include "process/measure_test_support.h"
#include "process/measure_tools.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

using port::DialogResult;

// The measurement commands as the menu runs them: command -> pick mode -> picks -> tool window.
struct MeasureCommandsTest : ::testing::Test {
  nvk::test::ProgramFixture f;
  test::FakeWindow window;
  CommandContext context{f.program, window};
  const std::vector<nvk::test::SyntheticStar> stars{{300, 200, 1.8, 200000},
                                                    {900, 640, 2.2, 90000}};

  void SetUp() override {
    f.program.state.binned = true;
    f.program.applyGeometry();
    const auto frame = nvk::test::starFrame(1520, 1012, 800, stars, 8);
    std::copy(frame.begin(), frame.end(), f.program.planes.RawImage.begin());
  }
  bool run(int id) { return dispatchCommand(context, id); }
  std::vector<std::uint16_t> rawImage() const {
    const auto& raw = f.program.planes.RawImage;
    return {raw.begin(), raw.begin() + std::ptrdiff_t(f.program.geometry.pixelCount)};
  }
  // Saves `frame` as the binned raw file `name` for the second image of a merge; the image on
  // screen stays as it was.
  std::filesystem::path saveSecondImage(const std::vector<std::uint16_t>& frame, const char* name) {
    const auto first = rawImage();
    std::copy(frame.begin(), frame.end(), f.program.planes.RawImage.begin());
    f.program.state.readoutMode = image::ReadoutMode::Binned2x2;
    f.program.state.modeCode = '2';
    const auto path = f.root / name;
    EXPECT_EQ(files::saveRawFile(f.program, path), files::SaveResult::Saved);
    std::copy(first.begin(), first.end(), f.program.planes.RawImage.begin());
    return path;
  }
  void answerApertures() {
    f.ui.onDialog<process::PhotometryDialog>("TPhotometryDialog",
                                             [](auto&) { return DialogResult::Ok; });
  }
};

TEST_F(MeasureCommandsTest, PhotometryPicksFillTheListUntilTheToolEnds) {
  answerApertures();
  ASSERT_TRUE(run(14));
  EXPECT_EQ(window.pickMode(), PickMode::Photometry);
  EXPECT_EQ(window.toolWindows, std::vector<ToolWindow>{ToolWindow::Photometry});

  // Half-size display: display pixel (150, 100) is image pixel (300, 200).
  f.program.halfSizeDisplay = true;
  EXPECT_TRUE(measure_commands::pick(context, 151, 99, false));
  f.program.halfSizeDisplay = false;
  EXPECT_TRUE(measure_commands::pick(context, 899, 642, false));
  // The right button is not photometry's; a click on no star is refused with its reason.
  EXPECT_FALSE(measure_commands::pick(context, 300, 200, true));
  EXPECT_TRUE(measure_commands::pick(context, 2, 2, false));
  ASSERT_EQ(f.program.measure.photometryLog.size(), 2u);
  EXPECT_NEAR(f.program.measure.photometryLog[0].x, 300.0, 0.05);
  EXPECT_NEAR(f.program.measure.photometryLog[1].y, 640.0, 0.05);
  EXPECT_EQ(window.toolWindows.size(), 3u);  // opened, then refreshed by each measurement
  ASSERT_EQ(f.ui.messages().size(), 1u);

  // The row plot while photometry runs is refused (message 35) and photometry goes on.
  f.ui.clearRecord();
  run(16);
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>{std::string(
                                     base::messageText(base::Message::MeasureToolsExclusive))});
  EXPECT_EQ(window.pickMode(), PickMode::Photometry);

  measure_commands::endTool(context);
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(f.program.measure.active, process::MeasureTool::None);
  EXPECT_FALSE(measure_commands::pick(context, 300, 200, false));
}

// Regression: choosing another pick mode while photometry took picks left photometry running:
// its picks had stopped, yet the row plot and merging stayed refused as if it still ran.
TEST_F(MeasureCommandsTest, AnotherPickModeEndsTheMeasurementTool) {
  const struct {
    int command;
    PickMode mode;
  } cases[] = {{cmd::kPickSubFrame, PickMode::SubFrameCentre},
               {cmd::kFocusFrameCentre, PickMode::FocusCentre}};
  for (const auto& c : cases) {
    answerApertures();
    ASSERT_TRUE(run(14));
    ASSERT_EQ(f.program.measure.active, process::MeasureTool::Photometry);
    ASSERT_TRUE(run(c.command));
    EXPECT_EQ(window.pickMode(), c.mode);
    EXPECT_EQ(f.program.measure.active, process::MeasureTool::None);
    EXPECT_FALSE(measure_commands::pick(context, 150, 100, false));
    ASSERT_TRUE(run(16));
    EXPECT_EQ(window.pickMode(), PickMode::RowPlot);
    measure_commands::endTool(context);
  }
  EXPECT_TRUE(f.ui.messages().empty()) << f.ui.messageTexts().front();
}

TEST_F(MeasureCommandsTest, StretchedPictureAndCancelledDialogLeaveNoMode) {
  f.program.displayOptions.fitToWindow = true;
  run(14);
  run(16);
  run(111);
  // Each tool is refused with its own message on a picture stretched to fit the window.
  EXPECT_EQ(f.ui.messageTexts(),
            (std::vector<std::string>{
                std::string(base::messageText(base::Message::PhotometryNeedsStandardGeometry)),
                std::string(base::messageText(base::Message::RowPlotNeedsStandardGeometry)),
                std::string(base::messageText(base::Message::MergingNeedsStandardGeometry))}));
  f.program.displayOptions.fitToWindow = false;
  f.ui.onDialog<process::PhotometryDialog>("TPhotometryDialog",
                                           [](auto&) { return DialogResult::Cancel; });
  run(14);
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_TRUE(window.toolWindows.empty());
  EXPECT_EQ(f.program.measure.active, process::MeasureTool::None);
}

TEST_F(MeasureCommandsTest, RowPlotTakesOneLeftPick) {
  ASSERT_TRUE(run(16));
  EXPECT_EQ(window.pickMode(), PickMode::RowPlot);
  EXPECT_FALSE(measure_commands::pick(context, 10, 640, true));
  EXPECT_TRUE(window.toolWindows.empty());
  EXPECT_TRUE(measure_commands::pick(context, 10, 640, false));
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(window.toolWindows, std::vector<ToolWindow>{ToolWindow::RowPlot});
  ASSERT_TRUE(f.program.measure.lastPick);
  EXPECT_EQ(f.program.measure.lastPick->second, 640);
  EXPECT_EQ(f.program.measure.active, process::MeasureTool::None);
}

// Merging through the command and right-button picks: the first star, the second image from
// the open dialog, the same star there, then "Add"; Undo Last Filter gives the first back.
TEST_F(MeasureCommandsTest, MergeByRightButtonPicks) {
  const auto first = rawImage();
  auto moved = stars;
  for (auto& s : moved)
    s.x -= 5, s.y += 3;
  const auto second = nvk::test::starFrame(1520, 1012, 800, moved, 8, 3);
  const auto secondFile = saveSecondImage(second, "second.raw");

  window.setDocumentTitle("first.raw");
  f.program.state.colourConverted = true;
  f.program.fits.object = "M42";
  ASSERT_TRUE(run(111));
  EXPECT_EQ(window.pickMode(), PickMode::Merge);
  run(111);
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Sorry, you are already in Merging mode."});
  EXPECT_FALSE(measure_commands::pick(context, 300, 200, false));  // left button: not merging's
  f.ui.answerFileDialog(secondFile.string());
  EXPECT_TRUE(measure_commands::pick(context, 301, 201, true));
  EXPECT_EQ(window.pickMode(), PickMode::Merge);
  EXPECT_EQ(f.program.measure.merge.step, process::MergeStep::PickSecondStar);
  EXPECT_EQ(f.program.fits.object, "");  // the second image's own record while it is shown
  // Regression: the title kept naming the first image while the second was on screen.
  EXPECT_EQ(window.title_, "second.raw");
  f.ui.onDialog<process::MergeDialog>("TMergeDialog", [](process::MergeDialog& d) {
    d.mode = process::MergeMode::Add;
    return DialogResult::Ok;
  });
  EXPECT_TRUE(measure_commands::pick(context, 296, 204, true));
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(window.title_, "first.raw");
  EXPECT_EQ(f.program.fits.object, "M42");
  EXPECT_FALSE(f.program.state.colourConverted);  // the colour planes were the first's alone
  EXPECT_TRUE(f.ui.scriptErrors().empty());

  std::vector<std::uint16_t> expected = first;
  process::mergeShifted(expected, second, 1520, 1012, {5, -3}, process::MergeMode::Add);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), f.program.planes.RawImage.begin()));
  EXPECT_EQ(f.program.history.slot(f.program.history.usedCount() - 1), "Images Merged (Added)");
  ASSERT_TRUE(run(9));
  EXPECT_TRUE(std::equal(first.begin(), first.end(), f.program.planes.RawImage.begin()));
}

TEST_F(MeasureCommandsTest, EndingAMergeHalfWayPutsTheFirstImageBack) {
  const auto first = rawImage();
  const auto secondFile =
      saveSecondImage(std::vector<std::uint16_t>(first.size(), 4000), "flat.raw");

  window.setDocumentTitle("(Untitled)");
  ASSERT_TRUE(run(111));
  f.ui.answerFileDialog(secondFile.string());
  ASSERT_TRUE(measure_commands::pick(context, 300, 200, true));
  EXPECT_EQ(f.program.planes.RawImage[0], 4000);  // the second image is on screen
  EXPECT_EQ(window.title_, "flat.raw");
  const int redraws = f.ui.redraws();
  measure_commands::endTool(context);
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(window.title_, "(Untitled)");
  EXPECT_GT(f.ui.redraws(), redraws);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), f.program.planes.RawImage.begin()));
}

// The colour tools' menu commands: each refuses a monochrome image with message 69 (the tools
// themselves are tested in the colour tests); on a colour image a tool's change is taken back
// by Undo Last Colour Filter (810) bit for bit.
TEST_F(MeasureCommandsTest, ColourToolCommandsRefuseMonochromeAndUndo) {
  for (const int id : {8116, 8119, 8128, 8129, 8130})
    EXPECT_TRUE(run(id));
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>(5, "Image Not Colour Converted"));

  f.program.state.colourConverted = true;
  const std::size_t n = f.program.geometry.pixelCount;
  for (int p = 0; p < 3; ++p)
    for (std::size_t i = 0; i < n; ++i)
      f.program.planes.ColourImage[p][i] =
          std::uint16_t(f.program.planes.RawImage[i] / (p + 1) + (i % 7) * 900);
  const auto planes = [&] {
    std::vector<std::uint16_t> all;
    for (int p = 0; p < 3; ++p)
      all.insert(all.end(), f.program.planes.ColourImage[p].begin(),
                 f.program.planes.ColourImage[p].begin() + std::ptrdiff_t(n));
    return all;
  };
  const auto before = planes();
  ASSERT_TRUE(run(8130));  // Balance Colour Histogram
  EXPECT_NE(planes(), before);
  ASSERT_TRUE(run(810));
  EXPECT_EQ(planes(), before);
}

// The model under the tool windows: what they show follows the program, and closing a window
// ends its tool as the menu would.
TEST_F(MeasureCommandsTest, ToolWindowsModelReadsAndEndsTheTools) {
  const MeasureWindowsModel shown(context);
  MeasureWindowsModel model = shown;  // a copy serves the same program
  EXPECT_FALSE(shown.rowPlot());
  run(16);
  measure_commands::pick(context, 10, 640, false);
  const auto plot = shown.rowPlot();
  ASSERT_TRUE(plot);
  EXPECT_EQ(plot->row, 640);
  EXPECT_EQ(plot->series, process::rowPlotOfImage(f.program, 640).series);

  answerApertures();
  ASSERT_TRUE(run(14));
  measure_commands::pick(context, 300, 200, false);
  EXPECT_EQ(&shown.measure(), &f.program.measure);
  EXPECT_EQ(shown.measure().photometryLog.size(), 1u);
  model.photometryClosed();
  EXPECT_EQ(window.pickMode(), PickMode::None);
  EXPECT_EQ(f.program.measure.active, process::MeasureTool::None);

  run(8124);
  EXPECT_TRUE(shown.showValuesOn());
  EXPECT_EQ(shown.readout(300, 200).text(), process::readPixel(f.program, {300, 200}).text());
  model.showValuesClosed();
  EXPECT_FALSE(shown.showValuesOn());
  EXPECT_FALSE(measure_commands::showValuesChecked(context));

  // Before any pick the 3-D plot is of the 128-pixel region at the image's centre.
  f.program.measure.lastPick.reset();
  std::fill_n(f.program.planes.RawImage.begin(), f.program.geometry.pixelCount, 1000);
  EXPECT_EQ(shown.intensityPlot({}).caption,
            "Region x 696..823, y 442..569; cell means 1000 to 1000");
}

}  // namespace
}  // namespace nvk::app
