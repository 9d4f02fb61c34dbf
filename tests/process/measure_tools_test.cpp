#include "process/measure_tools.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "measure_test_support.h"
#include "process/measure_merge.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

using port::DialogResult;

class MeasureToolsTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  void SetUp() override {
    program.state.binned = true;
    program.applyGeometry();
  }
  std::string text(int code) { return std::string(base::messageText(base::Message(code))); }
  void acceptApertures(int r1, int r2, int r3) {
    ui.onDialog<PhotometryDialog>("TPhotometryDialog", [=](PhotometryDialog& d) {
      d.apertureText = std::to_string(r1);
      d.skyInnerText = std::to_string(r2);
      d.skyOuterText = std::to_string(r3);
      return d.ok() ? DialogResult::Ok : DialogResult::Cancel;
    });
  }
};

// Which start is refused with which message, by the tool already active and the fit-to-window
// display.
TEST_F(MeasureToolsTest, StartRefusals) {
  enum class Start { Photometry, RowPlot, Merging };
  const struct {
    MeasureTool active;
    bool fit;
    Start start;
    int message;  // 0: accepted
  } cases[] = {
      {MeasureTool::None, false, Start::Photometry, 0},
      {MeasureTool::None, true, Start::Photometry, 36},
      {MeasureTool::Photometry, false, Start::Photometry, 37},
      {MeasureTool::Photometry, true, Start::Photometry, 37},
      {MeasureTool::RowPlot, false, Start::Photometry, 35},
      {MeasureTool::Merging, false, Start::Photometry, 35},
      {MeasureTool::None, false, Start::RowPlot, 0},
      {MeasureTool::None, true, Start::RowPlot, 38},
      {MeasureTool::Photometry, false, Start::RowPlot, 35},
      {MeasureTool::Merging, true, Start::RowPlot, 35},
      {MeasureTool::None, false, Start::Merging, 0},
      {MeasureTool::None, true, Start::Merging, 30},
      {MeasureTool::Merging, false, Start::Merging, 31},
      {MeasureTool::Photometry, false, Start::Merging, 35},
      {MeasureTool::RowPlot, true, Start::Merging, 35},
  };
  for (const auto& c : cases) {
    program.measure.active = c.active;
    ui.clearRecord();
    if (c.start == Start::Photometry && c.message == 0) acceptApertures(6, 10, 16);
    bool started = false;
    switch (c.start) {
      case Start::Photometry:
        started = StartPhotometry(program, c.fit);
        break;
      case Start::RowPlot:
        started = StartRowPlot(program, c.fit);
        break;
      case Start::Merging:
        started = StartMerging(program, c.fit);
        break;
    }
    EXPECT_EQ(started, c.message == 0) << int(c.start) << " " << int(c.active);
    if (c.message == 0) {
      EXPECT_TRUE(ui.messages().empty());
    } else {
      ASSERT_EQ(ui.messages().size(), 1u);
      EXPECT_EQ(ui.messages()[0].text, text(c.message));
      EXPECT_EQ(program.measure.active, c.active);
    }
    EXPECT_TRUE(ui.scriptErrors().empty());
    // A refused start shows no dialog.
    EXPECT_EQ(ui.dialogsShown().size(), c.start == Start::Photometry && c.message == 0 ? 1u : 0u);
  }
}

TEST_F(MeasureToolsTest, ApertureDialogValidates) {
  PhotometryApertures stored;
  PhotometryDialog dialog(stored, ui);
  EXPECT_EQ(dialog.apertureText, "6");
  dialog.apertureText = "12";
  EXPECT_FALSE(dialog.ok());  // 12 is not below the annulus at 10
  EXPECT_EQ(ui.beeps(), 1);
  EXPECT_EQ(dialog.apertureText, "6");
  dialog.skyOuterText = "x";
  EXPECT_FALSE(dialog.ok());
  dialog.apertureText = "4";
  dialog.skyInnerText = "7";
  dialog.skyOuterText = "30";
  EXPECT_TRUE(dialog.ok());
  EXPECT_EQ(stored, (PhotometryApertures{4, 7, 30}));
}

TEST_F(MeasureToolsTest, RowPlotOfTheImagePlotsEachPlane) {
  program.planes.RawImage[1520 * 7 + 1519] = 1519;
  const RowPlot mono = rowPlotOfImage(program, 7);
  EXPECT_EQ(mono.row, 7);
  ASSERT_EQ(mono.series.size(), 1u);
  EXPECT_EQ(mono.series[0][1519], 1519);

  // A colour-converted image plots red, green and blue (stored red, blue, green).
  program.state.colourConverted = true;
  program.planes.ColourImage.red()[1520 * 3 + 5] = 11;
  program.planes.ColourImage.green()[1520 * 3 + 5] = 22;
  program.planes.ColourImage.blue()[1520 * 3 + 5] = 33;
  const RowPlot colour = rowPlotOfImage(program, 3);
  ASSERT_EQ(colour.series.size(), 3u);
  EXPECT_EQ(colour.series[0][5], 11);
  EXPECT_EQ(colour.series[1][5], 22);
  EXPECT_EQ(colour.series[2][5], 33);
}

TEST_F(MeasureToolsTest, ShowValuesReadOut) {
  program.planes.RawImage[1520 * 10 + 20] = 65535;
  program.halfSizeDisplay = true;
  program.applyGeometry();
  const ImagePixel p = imagePixelFromDisplay(program, 10, 5);
  EXPECT_EQ(p, (ImagePixel{20, 10}));
  EXPECT_EQ(readPixel(program, p).text(), "x =   20  y =   10  value = 65535");
  program.state.colourConverted = true;
  program.planes.ColourImage.red()[1520 * 10 + 20] = 1;
  program.planes.ColourImage.green()[1520 * 10 + 20] = 65534;
  program.planes.ColourImage.blue()[1520 * 10 + 20] = 0;
  EXPECT_EQ(readPixel(program, p).text(),
            "x =   20  y =   10  value = 65535  R =     1  G = 65534  B =     0");
  EXPECT_FALSE(readPixel(program, {1520, 0}).inside);
  EXPECT_EQ(readPixel(program, {0, 1012}).text(), "");
  EXPECT_FALSE(program.measure.showValues);
  toggleShowValues(program);
  EXPECT_TRUE(program.measure.showValues);
}

TEST_F(MeasureToolsTest, PlotCentresOnTheLastPick) {
  Plot3dOptions options;
  options.regionSize = 100;
  EXPECT_EQ(intensityPlotOfImage(program, options).left, 760 - 50);
  program.measure.lastPick = {1500, 20};
  const Plot3d plot = intensityPlotOfImage(program, options);
  EXPECT_EQ(plot.left, 1420);
  EXPECT_EQ(plot.top, 0);
}

}  // namespace
}  // namespace nvk::process
