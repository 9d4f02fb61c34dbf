#include "process/process_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "process/stretch.h"
#include "support/program_fixture.h"

namespace nvk::process {
namespace {

using S = Scroll;

TEST(NormalStretchDialogTest, ArrowPageAndThumbRulesOfBothLevels) {
  struct Case {
    int black, white;
    bool moveWhite;
    Scroll action;
    int thumb;
    int expectedBlack, expectedWhite;
  };
  const Case cases[] = {
      // white
      {0, 255, true, S::LineLeft, 0, 0, 254},
      {100, 101, true, S::LineLeft, 0, 100, 101},  // not below black + 1
      {0, 299, true, S::LineRight, 0, 0, 300},
      {0, 255, true, S::PageLeft, 0, 0, 245},
      {100, 110, true, S::PageLeft, 0, 100, 110},  // and above black + 10
      {100, 111, true, S::PageLeft, 0, 100, 101},
      {0, 290, true, S::PageRight, 0, 0, 300},
      {50, 255, true, S::Thumb, 51, 50, 51},
      {50, 255, true, S::Thumb, 50, 50, 255},  // not at or below black
      // black
      {1, 255, false, S::LineLeft, 0, 0, 255},
      {254, 300, false, S::LineRight, 0, 255, 300},
      {99, 100, false, S::LineRight, 0, 99, 100},  // stays below white - 1
      {10, 255, false, S::PageLeft, 0, 0, 255},
      {245, 300, false, S::PageRight, 0, 255, 300},
      {90, 100, false, S::PageRight, 0, 90, 100},  // stays below white - 10
      {89, 100, false, S::PageRight, 0, 99, 100},
      {0, 100, false, S::Thumb, 99, 99, 100},
      {0, 100, false, S::Thumb, 100, 0, 100},
  };
  image::BackgroundEstimate histogram;
  for (const Case& c : cases) {
    NormalStretchDialog d(histogram);
    // Walk to the starting levels with the thumbs (white first so black can follow).
    d.scrollWhite(S::Thumb, c.white);
    d.scrollBlack(S::Thumb, c.black);
    ASSERT_EQ(d.black(), c.black);
    ASSERT_EQ(d.white(), c.white);
    if (c.moveWhite) {
      d.scrollWhite(c.action, c.thumb);
    } else {
      d.scrollBlack(c.action, c.thumb);
    }
    EXPECT_EQ(d.black(), c.expectedBlack) << c.black << " " << c.white << " " << c.moveWhite;
    EXPECT_EQ(d.white(), c.expectedWhite) << c.black << " " << c.white << " " << c.moveWhite;
  }
}

TEST(NormalStretchDialogTest, OpensAtZeroAnd255AndDrawsTheHistogram) {
  image::BackgroundEstimate histogram;
  histogram.counts[0] = 4;
  histogram.counts[1] = 5;
  histogram.counts[2] = 1050;  // 210
  histogram.counts[3] = 1055;  // 211, limited
  histogram.counts[256] = 99999;
  NormalStretchDialog d(histogram);
  EXPECT_EQ(d.blackText(), "0");
  EXPECT_EQ(d.whiteText(), "255");
  const auto bars = d.bars();
  EXPECT_EQ(bars[0].height, 0);
  EXPECT_EQ(bars[1].height, 1);
  EXPECT_EQ(bars[2].height, 210);
  EXPECT_FALSE(bars[2].limited);
  EXPECT_EQ(bars[3].height, 210);
  EXPECT_TRUE(bars[3].limited);
  d.scrollWhite(S::Thumb, 280);
  EXPECT_EQ(d.whiteMarker(), 255);
  EXPECT_EQ(d.whiteText(), "280");
}

TEST(NonLinearDialogTest, ArrowsTypedValuesAndOk) {
  NonLinearDialog d;
  EXPECT_EQ(d.fieldText(), "25");
  d.arrowUp();
  EXPECT_EQ(d.power(), 26);
  d.type("49");
  d.arrowUp();
  d.arrowUp();
  EXPECT_EQ(d.fieldText(), "50");
  d.type("1");  // typed 1 is valid; the arrows stop at 2
  d.arrowDown();
  EXPECT_EQ(d.power(), 1);
  d.arrowUp();
  EXPECT_EQ(d.power(), 2);
  d.type("abc");  // not a valid value: the arrows go on from the power
  d.arrowDown();
  EXPECT_EQ(d.power(), 2);
  struct Typed {
    const char* text;
    bool closes;
    int power;
  };
  for (const Typed& t :
       {Typed{"1", true, 1}, Typed{"50", true, 50}, Typed{" 7 ", true, 7}, Typed{"0", false, 25},
        Typed{"51", false, 25}, Typed{"7.5", false, 25}, Typed{"", false, 25}}) {
    NonLinearDialog n;
    n.arrowUp();
    n.type(t.text);
    EXPECT_EQ(n.ok(), t.closes) << t.text;
    EXPECT_EQ(n.power(), t.power) << t.text;
    if (!t.closes) {
      EXPECT_EQ(n.fieldText(), "25");
    }
  }
}

TEST(AutoProcessingDialogTest, ChoicesActAtOnceAndSaveValidatesTheNumbers) {
  port::ScriptedUi ui;
  settings::Settings s;
  AutoProcessingDialog d(s);
  EXPECT_EQ(d.checkedRadio(), AutoProcessingDialog::kNoStretch);
  d.selectRadio(AutoProcessingDialog::kStrongStretch);
  EXPECT_TRUE(s.autoStrongStretch);
  d.selectRadio(AutoProcessingDialog::kUserStretch);
  EXPECT_FALSE(s.autoStrongStretch);
  EXPECT_TRUE(s.autoUserStretch);
  EXPECT_EQ(d.checkedRadio(), AutoProcessingDialog::kUserStretch);
  d.toggle(AutoProcessingDialog::kUnsharpMask);
  d.toggle(AutoProcessingDialog::kRemoveBackground);
  d.toggle(AutoProcessingDialog::kRemoveBackground);
  EXPECT_TRUE(s.autoUnsharpMask);
  EXPECT_FALSE(s.autoRemoveBackground);

  // "Save" takes the three numbers by the rules tested with them: it closes when all are valid,
  // beeps otherwise, and the fields show what is stored.
  d.type(111, "29");
  d.type(112, "7");
  d.type(113, "6");
  EXPECT_FALSE(d.save(ui));
  EXPECT_EQ(ui.beeps(), 1);
  EXPECT_EQ(s.userStretchPower, 29);
  EXPECT_EQ(d.text(112), "3");
  d.type(112, "6");
  EXPECT_TRUE(d.save(ui));
  EXPECT_EQ(ui.beeps(), 1);
  EXPECT_EQ(s.autoUnsharpDiameter, 6);
  EXPECT_EQ(d.text(113), "6");
}

TEST(StretchDisplayDialogTest, ScrollRulesAndTheWindowCommands) {
  image::DisplayOptions display;
  std::vector<int> commands;
  StretchDisplayDialog d(display, false, [&](int id) { commands.push_back(id); });
  EXPECT_EQ(d.powerText(), "25");
  d.scroll(S::PageLeft);
  EXPECT_EQ(d.power(), 2);
  d.scroll(S::LineLeft);
  EXPECT_EQ(d.power(), 2);
  d.scroll(S::PageRight);
  d.scroll(S::LineRight);
  EXPECT_EQ(display.stretchPower, 50.0);
  d.scroll(S::LineLeft);
  d.scroll(S::Thumb, 7);
  EXPECT_EQ(d.power(), 7);
  d.clickActivate();
  d.repainted();
  StretchDisplayDialog colour(display, true, [&](int id) { commands.push_back(id); });
  colour.repainted();  // a colour image keeps its own display
  EXPECT_EQ(commands, (std::vector<int>{1906, 1907}));
}

class HotPixelMapDialogTest : public ::testing::Test {
 protected:
  test::ProgramFixture f;
  app::Program& p = f.program;
  void SetUp() override {
    p.state.binned = true;
    p.applyGeometry();
    std::fill_n(p.planes.RawImage.begin(), p.geometry.pixelCount, 1000);
    auto at = [&](int x, int y) -> std::uint16_t& {
      return p.planes.RawImage[y * p.geometry.width + x];
    };
    at(100, 100) = 65535;
    at(200, 100) = 5100;
    at(300, 100) = 5001;
  }
};

TEST_F(HotPixelMapDialogTest, ChangeRulesAndPaths) {
  HotPixelMapDialog d(p);
  EXPECT_EQ(d.pathText(), (p.autosaveFolder() / "K7LQ_HPM.HPM").string());
  for (const char* bad : {"a*b", "dir/x", "c:x", "what?", "back\\slash"}) {
    d.typeName(bad);
    d.change();
    EXPECT_EQ(p.hotPixelMap.name, "K7LQ_HPM") << bad;
    EXPECT_EQ(d.nameField(), "K7LQ_HPM");
  }
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>(5, ""));  // empty message boxes
  d.typeName("NIGHT1");
  d.change();
  EXPECT_EQ(p.hotPixelMap.name, "NIGHT1");
  EXPECT_EQ(d.pathText(), (p.autosaveFolder() / "NIGHT1.HPM").string());
  // A bad character after the 40th is not looked at; the name keeps 40 characters.
  d.typeName(std::string(40, 'n') + "*");
  d.change();
  EXPECT_EQ(p.hotPixelMap.name, std::string(40, 'n'));
  d.typeName("");
  d.change();
  EXPECT_EQ(p.hotPixelMap.name, "K7LQ_HPM");
}

TEST_F(HotPixelMapDialogTest, SaveWritesTheMapAndFinishedWritesNothing) {
  std::filesystem::create_directories(p.autosaveFolder());
  f.ui.onDialog<HotPixelMapDialog>("THPMDialog", [](HotPixelMapDialog& d) { return d.finished(); });
  CreateHotPixelMapCommand(p);
  EXPECT_FALSE(std::filesystem::exists(p.autosaveFolder() / "K7LQ_HPM.HPM"));
  f.ui.onDialog<HotPixelMapDialog>("THPMDialog", [](HotPixelMapDialog& d) {
    d.scroll(S::Thumb, 5001);
    return d.saveMap();
  });
  CreateHotPixelMapCommand(p);
  EXPECT_EQ(std::filesystem::file_size(p.autosaveFolder() / "K7LQ_HPM.HPM"), 19u + 3 * 4);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
}

TEST(ProcessCommandsTest, DialogsRunTheirOperationOnlyOnOk) {
  test::ProgramFixture f;
  f.program.state.binned = true;
  f.program.applyGeometry();
  f.program.planes.RawImage[5000] = 1001;
  f.ui.onDialog<NormalStretchDialog>("TNormalStretchDialog", [](NormalStretchDialog& d) {
    d.scrollWhite(S::LineLeft);
    return port::DialogResult::Cancel;
  });
  NormalStretchCommand(f.program);
  EXPECT_EQ(f.program.planes.RawImage[5000], 1001);
  f.ui.onDialog<PowerLawDialog>("TPowerLawDialog", [](PowerLawDialog& d) {
    d.scroll(S::LineRight);
    return port::DialogResult::Ok;
  });
  PowerLawStretchCommand(f.program);
  EXPECT_EQ(f.program.history.slot(0), "Power Stretch :  1.1");
  f.ui.onDialog<MedianFilterDialog>("TMedianFilterDialog", [](MedianFilterDialog& d) {
    d.arrowRadius(true);
    return port::DialogResult::Ok;
  });
  MedianFilterCommand(f.program);
  EXPECT_EQ(f.program.history.slot(1), "Median Filter : rad 2 ,power 0.6");
  f.ui.onDialog<UnsharpMaskDialog>("TUnsharpMaskDialog",
                                   [](UnsharpMaskDialog&) { return port::DialogResult::Ok; });
  UnsharpMaskCommand(f.program);
  EXPECT_EQ(f.program.history.slot(2), "Unsharp Mask : rad 3 ,power 1");
  f.ui.onDialog<NonLinearDialog>("TNonLinearDialog",
                                 [](NonLinearDialog&) { return port::DialogResult::Ok; });
  NonLinearStretchCommand(f.program);
  EXPECT_EQ(f.program.history.slot(3), "Non-Linear Stretch : power 25");
  EXPECT_TRUE(f.ui.scriptErrors().empty());
}

}  // namespace
}  // namespace nvk::process
