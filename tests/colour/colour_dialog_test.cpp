#include "colour/colour_dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "port/scripted_ui.h"

namespace nvk::colour {
namespace {

struct ColourDialogTest : ::testing::Test {
  settings::Settings settings;
  ColourState colour;
  port::ScriptedUi ui;
};

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
    settings = settings::Settings{};
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

}  // namespace
}  // namespace nvk::colour
