#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "base/messages.h"
#include "colour/anti_alias.h"
#include "colour/colour_tools.h"
#include "colour/colour_tools_dialogs.h"
#include "support/program_fixture.h"

namespace nvk::colour {
namespace {

using port::DialogResult;

class ColourToolsCommandTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  void SetUp() override {
    program.state.binned = true;
    program.state.colourConverted = true;
    program.applyGeometry();
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> sample(0, 65535);
    for (int p = 0; p < 3; ++p)
      for (std::size_t i = 0; i < program.geometry.pixelCount; ++i)
        program.planes.ColourImage[p][i] = std::uint16_t(sample(rng));
    // A saturated patch so that the overload smoothing has something to do.
    for (int y = 100; y < 110; ++y)
      for (int x = 200; x < 210; ++x)
        program.planes.ColourImage.red()[std::size_t(y * 1520 + x)] = 65535;
  }
  std::vector<std::uint16_t> colourPlaneCopy(const image::ColourPlanes& planes, int p) const {
    return {planes[p].begin(), planes[p].begin() + std::ptrdiff_t(program.geometry.pixelCount)};
  }
};

struct ToolCase {
  const char* name;
  std::function<bool(app::Program&)> run;
  std::string_view caption;
  std::string_view history;
};

const ToolCase kTools[] = {
    {"Balance",
     [](app::Program& p) {
       ColourBalance b;
       b.start = {-5, 3, 0};
       b.saturation = 2;
       return applyColourBalanceToImage(p, b);
     },
     kColourBalanceCaption, kColourBalanceHistory},
    {"Chromatism",
     [](app::Program& p) {
       return applyChromatismToImage(p, {0.5, -1, 2, 0.3});
     },
     kChromatismCaption, kChromatismHistory},
    {"Overload", ColourOverloadSmoothing, kOverloadCaption, kOverloadHistory},
    {"LowPass", LowPassColourFilter, kLowPassCaption, kLowPassHistory},
    {"HistogramBalance", BalanceColourHistogram, kHistogramBalanceCaption,
     kHistogramBalanceHistory},
};

// Every tool keeps the planes it changes in the colour undo triplet bit for bit, shows its
// caption, writes its history line and redraws; Undo Last Colour Filter restores them.
TEST_F(ColourToolsCommandTest, EachToolKeepsTheUndoCopyAndRecordsItself) {
  for (const auto& tool : kTools) {
    SCOPED_TRACE(tool.name);
    ui.clearRecord();
    std::array<std::vector<std::uint16_t>, 3> before;
    for (int p = 0; p < 3; ++p)
      before[std::size_t(p)] = colourPlaneCopy(program.planes.ColourImage, p);
    const int historyBefore = program.history.usedCount();
    ASSERT_TRUE(tool.run(program));
    bool changed = false;
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(colourPlaneCopy(program.planes.ColourUndoImage, p), before[std::size_t(p)]);
      changed = changed || colourPlaneCopy(program.planes.ColourImage, p) != before[std::size_t(p)];
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(ui.progressCaptions(), std::vector<std::string>{std::string(tool.caption)});
    EXPECT_FALSE(ui.progressOpen());
    EXPECT_FALSE(ui.busy());
    EXPECT_EQ(program.history.usedCount(), historyBefore + 1);
    EXPECT_EQ(program.history.slot(historyBefore), tool.history);
    EXPECT_EQ(ui.redraws(), 1);
    EXPECT_TRUE(program.state.colourConverted);
    // "Undo Last Colour Filter" puts the planes back bit for bit.
    UndoLastColourFilter(program);
    for (int p = 0; p < 3; ++p)
      EXPECT_EQ(colourPlaneCopy(program.planes.ColourImage, p), before[std::size_t(p)]);
  }
}

// On an image that is not colour converted every tool says "Image Not Colour Converted" and
// changes nothing, the undo triplet included.
TEST_F(ColourToolsCommandTest, RefusedWithoutColour) {
  program.state.colourConverted = false;
  const auto undoBefore = colourPlaneCopy(program.planes.ColourUndoImage, 0);
  const auto redBefore = colourPlaneCopy(program.planes.ColourImage, 0);
  std::vector<std::function<bool(app::Program&)>> commands;
  for (const auto& tool : kTools)
    commands.push_back(tool.run);
  commands.push_back(SetColourBalance);
  commands.push_back(AdjustChromatism);
  for (const auto& command : commands) {
    ui.clearRecord();
    EXPECT_FALSE(command(program));
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Image Not Colour Converted"});
    EXPECT_TRUE(ui.progressEvents().empty());
    EXPECT_TRUE(ui.dialogsShown().empty());
  }
  EXPECT_EQ(colourPlaneCopy(program.planes.ColourUndoImage, 0), undoBefore);
  EXPECT_EQ(colourPlaneCopy(program.planes.ColourImage, 0), redBefore);
  EXPECT_EQ(program.history.usedCount(), 0);
}

TEST_F(ColourToolsCommandTest, BalanceDialogDefaultsValidationAndReset) {
  const struct {
    int field;  // 0 start, 1 minimum, 2 maximum, 3 saturation
    const char* text;
    bool valid;
  } cases[] = {{0, "-40", true}, {0, "-256", false}, {0, "abc", false}, {1, "255", false},
               {2, "254", true}, {3, "1.5", true},   {3, "11", false},  {3, "", false}};
  int beeps = 0;
  for (const auto& c : cases) {
    TBalanceDialog d(program.colourTools.balance, program.colour.balanceStart, ui);
    const ColourBalance stored = program.colourTools.balance;
    switch (c.field) {
      case 0:
        d.startText[0] = c.text;
        break;
      case 1:
        d.minimumText[1] = c.text;
        break;
      case 2:
        d.maximumText[2] = c.text;
        break;
      default:
        d.saturationText = c.text;
        break;
    }
    EXPECT_EQ(d.ok(), c.valid) << c.field << " " << c.text;
    if (!c.valid) {
      EXPECT_EQ(ui.beeps(), ++beeps);
      EXPECT_EQ(program.colourTools.balance, stored);
    }
    program.colourTools.balance = {};
    program.colour.balanceStart.fill(0);
  }

  TBalanceDialog d(program.colourTools.balance, program.colour.balanceStart, ui);
  d.startText = {"-9", "4", "1"};
  d.saturationText = "2";
  d.reset();
  EXPECT_EQ(d.startText, (std::array<std::string, 3>{"0", "0", "0"}));
  EXPECT_EQ(d.saturationText, "1");
}

// OK in the dialog applies the balance; the starts add up as applied until a colour synthesis
// sets all six back to 0.
TEST_F(ColourToolsCommandTest, SetColourBalanceThroughTheDialogAndResetBySynthesis) {
  for (int run = 0; run < 2; ++run) {
    ui.onDialog<TBalanceDialog>("TBalanceDialog", [](TBalanceDialog& d) {
      d.startText = {"-10", "0", "6"};
      return d.ok() ? DialogResult::Ok : DialogResult::Cancel;
    });
    ASSERT_TRUE(SetColourBalance(program));
  }
  EXPECT_EQ(program.colour.balanceStart, (std::array<int, 6>{-10, 0, 6, -20, 0, 12}));
  EXPECT_EQ(
      TBalanceDialog(program.colourTools.balance, program.colour.balanceStart, ui).appliedText(),
      "Applied since synthesis: R -20  G 0  B 12");
  // Colour synthesis sets all six back to 0; the dialog then opens with starts of 0.
  resetColourBalanceStarts(program);
  EXPECT_EQ(program.colour.balanceStart, (std::array<int, 6>{}));
  EXPECT_EQ(TBalanceDialog(program.colourTools.balance, program.colour.balanceStart, ui).startText,
            (std::array<std::string, 3>{"0", "0", "0"}));

  // Cancel changes nothing.
  ui.clearRecord();
  const auto red = colourPlaneCopy(program.planes.ColourImage, 0);
  ui.onDialog("TBalanceDialog", [](port::DialogModel&) { return DialogResult::Cancel; });
  EXPECT_FALSE(SetColourBalance(program));
  EXPECT_EQ(colourPlaneCopy(program.planes.ColourImage, 0), red);
  EXPECT_TRUE(ui.progressEvents().empty());
}

TEST_F(ColourToolsCommandTest, ChromatismDialog) {
  TChromatismDialog d(program.colourTools.chromatism, ui);
  EXPECT_EQ(d.redXText, "0");
  d.redXText = "1.5";
  d.blueYText = "-0.3";
  EXPECT_TRUE(d.ok());
  EXPECT_EQ(program.colourTools.chromatism, (ChromatismShift{1.5, 0, 0, -0.3}));
  d.redYText = "20.5";
  EXPECT_FALSE(d.ok());
  EXPECT_EQ(d.redYText, "0");
  d.blueXText = "x";
  EXPECT_FALSE(d.ok());
  EXPECT_EQ(ui.beeps(), 2);
  EXPECT_EQ(program.colourTools.chromatism, (ChromatismShift{1.5, 0, 0, -0.3}));
}

}  // namespace
}  // namespace nvk::colour
