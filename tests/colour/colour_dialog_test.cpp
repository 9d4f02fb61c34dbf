#include "colour/colour_dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "port/scripted_ui.h"

namespace nvk::colour {
namespace {

struct ColourDialogTest : ::testing::Test {
  image::Settings settings;
  ColourState colour;
  port::ScriptedUi ui;
};

TEST_F(ColourDialogTest, OpensWithTheStoredChoices) {
  settings.userStretchPower = 7;
  settings.autoUnsharpDiameter = 5;
  settings.autoUnsharpPower = 2;
  settings.autoStrongStretch = true;
  settings.irFilterUsed = true;
  TColourDialog d(settings, colour, ui);
  EXPECT_EQ(d.title(), "SYNTHESIZE COLOUR IMAGE");
  EXPECT_EQ(d.userPowerText, "7");
  EXPECT_EQ(d.diameterText, "5");
  EXPECT_EQ(d.powerText, "2");
  EXPECT_EQ(d.checkedStretch(), TColourDialog::kStrongStretch);
  EXPECT_TRUE(d.isChecked(TColourDialog::kIrFilterUsed));
  // Defaults: anti-alias and colour smoothing on, the rest off.
  EXPECT_TRUE(d.isChecked(TColourDialog::kApplyAntiAlias));
  EXPECT_TRUE(d.isChecked(TColourDialog::kColourSmoothing));
  EXPECT_FALSE(d.isChecked(TColourDialog::kDaylightImage));
}

// Each check box toggles exactly its own setting.
TEST_F(ColourDialogTest, EveryCheckBoxTogglesItsSetting) {
  TColourDialog d(settings, colour, ui);
  const std::pair<int, bool*> boxes[] = {
      {TColourDialog::kDaylightImage, &colour.daylightImage},
      {TColourDialog::kLightPollution, &colour.lightPollutionCorrection},
      {TColourDialog::kColourSmoothing, &settings.colourSmoothing},
      {TColourDialog::kApplyAntiAlias, &settings.antiAliasAfterSynthesis},
      {TColourDialog::kIrFilterUsed, &settings.irFilterUsed},
      {TColourDialog::kRemoveBackground, &settings.autoRemoveBackground},
      {TColourDialog::kHighPassLowPower, &settings.autoHighPassLowPower},
      {TColourDialog::kUnsharpMask, &settings.autoUnsharpMask},
  };
  ASSERT_EQ(TColourDialog::checkBoxes().size(), std::size(boxes));
  const auto states = [&boxes] {
    std::vector<bool> v;
    for (const auto& box : boxes)
      v.push_back(*box.second);
    return v;
  };
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    std::vector<bool> expected = states();
    expected[i] = !expected[i];
    d.toggle(boxes[i].first);
    EXPECT_EQ(states(), expected) << boxes[i].first;
    EXPECT_EQ(d.isChecked(boxes[i].first), expected[i]);
    d.toggle(boxes[i].first);
  }
}

TEST_F(ColourDialogTest, StretchButtonsAreOneGroup) {
  TColourDialog d(settings, colour, ui);
  for (const auto& button : TColourDialog::stretchButtons()) {
    d.selectStretch(button.id);
    EXPECT_EQ(d.checkedStretch(), button.id);
    const int set =
        settings.autoWeakStretch + settings.autoStrongStretch + settings.autoUserStretch;
    EXPECT_EQ(set, button.id == TColourDialog::kNoAutoStretch ? 0 : 1);
  }
}

// "Create Image" takes the three numbers by the rules of the automatic processing (tested with
// them): it closes when all three are valid, beeps otherwise, and the edits show what is stored.
TEST_F(ColourDialogTest, CreateImageTakesTheThreeNumbers) {
  struct Case {
    const char *user, *diameter, *power;
    bool closes;
    const char *shownUser, *shownDiameter, *shownPower;
  };
  const Case cases[] = {{" 8 ", "5", "2", true, "8", "5", "2"},
                        {"12", "7", "2", false, "12", "3", "2"}};
  for (const Case& c : cases) {
    settings = image::Settings{};
    ui.clearRecord();
    TColourDialog d(settings, colour, ui);
    d.userPowerText = c.user;
    d.diameterText = c.diameter;
    d.powerText = c.power;
    EXPECT_EQ(d.createImage(), c.closes) << c.user;
    EXPECT_EQ(ui.beeps(), c.closes ? 0 : 1) << c.user;
    EXPECT_EQ(d.userPowerText, c.shownUser);
    EXPECT_EQ(d.diameterText, c.shownDiameter);
    EXPECT_EQ(d.powerText, c.shownPower);
  }
  EXPECT_EQ(settings.userStretchPower, 12);
}

TEST_F(ColourDialogTest, HelpExplainsTheChoices) {
  TColourDialog d(settings, colour, ui);
  d.help();
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(ui.messages()[0].text,
            "Select Light Pollution correction for most astro shots\n\nIf you want "
            "instantaneous colour images select the anti-alias and one of the stretch values. "
            "You can also select a high pass or Unsharp mask filter.\n\nFor more control apply "
            "all image processing later.");
}

}  // namespace
}  // namespace nvk::colour
