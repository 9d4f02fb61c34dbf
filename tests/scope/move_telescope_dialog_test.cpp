#include "scope/move_telescope_dialog.h"

#include <gtest/gtest.h>

#include "scope/guide_output_mount.h"
#include "scope/scope_fixture.h"

namespace nvk::scope {
namespace {

using test::LinkEvent;
using test::LinkLog;

struct MoveTelescopeDialogTest : test::ScopeFixture {
  MoveTelescopeDialogTest() { useCameraRoute(); }
  TMTDialog dialog{program};
};

TEST_F(MoveTelescopeDialogTest, MessierWinsThenCngcThenOutOfRange) {
  struct Row {
    const char* messier;
    const char* cngc;
    const char* command;  // nullptr: out of range
  };
  for (const Row& r :
       {Row{"31", "224", "#:LM 0031#"}, Row{"0", "7815", "#:LC 7815#"},
        Row{"110", "0", "#:LM 0110#"}, Row{"111", "0", nullptr}, Row{"111", "5", "#:LC 0005#"},
        Row{"0", "7816", nullptr}, Row{"-3", "0", nullptr}, Row{"abc", "", nullptr}}) {
    log.clear();
    ui.clearRecord();
    dialog.messierText = r.messier;
    dialog.cngcText = r.cngc;
    dialog.goToObject();
    if (r.command == nullptr) {
      EXPECT_TRUE(log.empty()) << r.messier << "/" << r.cngc;
      ASSERT_EQ(ui.messages().size(), 1u);
      EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ - Control Telescope");
      EXPECT_EQ(ui.messages()[0].text, "Object out of range - try again");
    } else {
      ASSERT_FALSE(log.empty());
      EXPECT_EQ(cameraWrites().front(), r.command) << r.messier << "/" << r.cngc;
      EXPECT_TRUE(ui.messages().empty());
    }
  }
}

TEST_F(MoveTelescopeDialogTest, PlanetsComeFromTheStarList) {
  std::vector<std::string> commands;
  for (const Planet& planet : kPlanets) {
    log.clear();
    dialog.goToPlanet(planet);
    commands.push_back(cameraWrites().front());
  }
  EXPECT_EQ(commands,
            (std::vector<std::string>{"#:LS 0901#", "#:LS 0902#", "#:LS 0904#", "#:LS 0905#",
                                      "#:LS 0906#", "#:LS 0907#", "#:LS 0908#", "#:LS 0909#"}));
}

TEST_F(MoveTelescopeDialogTest, CoordinatesAreCheckedBeforeAnythingIsSent) {
  struct Row {
    const char *h, *m, *d, *dm;
    bool accepted;
  };
  const Row rows[] = {{"0", "0", "-89", "0", true},  {"23", "59", "89", "59", true},
                      {"24", "0", "0", "0", false},  {"-1", "0", "0", "0", false},
                      {"0", "60", "0", "0", false},  {"0", "0", "90", "0", false},
                      {"0", "0", "-90", "0", false}, {"0", "0", "0", "60", false},
                      {"0", "0", "0", "-1", false},  {" 12 ", "+5", "-0", "30", true}};
  for (const Row& r : rows) {
    log.clear();
    ui.clearRecord();
    dialog.raHoursText = r.h;
    dialog.raMinutesText = r.m;
    dialog.decDegreesText = r.d;
    dialog.decMinutesText = r.dm;
    dialog.goToCoordinates();
    EXPECT_EQ(!log.empty(), r.accepted) << r.h << " " << r.m << " " << r.d << " " << r.dm;
    if (!r.accepted) {
      ASSERT_EQ(ui.messages().size(), 1u);
      EXPECT_EQ(ui.messages()[0].text,
                "Invalid Co-ordinates set.\n\nRange is R.A. 0hr 00min, to 23hr 59mins\n     "
                "   Dec  -89deg 00min, to +89deg 59mins");
    }
  }
}

TEST_F(MoveTelescopeDialogTest, ArrowsFollowTheDirectionLettersAndTheirSwaps) {
  struct Row {
    bool swapEastWest, swapNorthSouth;
    const char* left;
    const char* right;
    const char* up;
    const char* down;
  };
  for (const Row& r : {Row{false, false, "#:Mw#", "#:Me#", "#:Mn#", "#:Ms#"},
                       Row{true, false, "#:Me#", "#:Mw#", "#:Mn#", "#:Ms#"},
                       Row{false, true, "#:Mw#", "#:Me#", "#:Ms#", "#:Mn#"}}) {
    auto& letters = program.settings.directionLetters;
    letters = {};
    if (r.swapEastWest) std::swap(letters.east, letters.west);
    if (r.swapNorthSouth) std::swap(letters.north, letters.south);
    std::vector<std::string> moves;
    for (const Arrow arrow : {Arrow::Left, Arrow::Right, Arrow::Up, Arrow::Down}) {
      log.clear();
      dialog.pressArrow(arrow);
      dialog.pressArrow(arrow);  // auto-repeat
      moves.push_back(cameraWrites().at(1));
      EXPECT_EQ(cameraWrites().size(), 2u);
      dialog.releaseArrow();
    }
    EXPECT_EQ(moves, (std::vector<std::string>{r.left, r.right, r.up, r.down}));
  }
}

TEST_F(MoveTelescopeDialogTest, RateAndFocusRadiosFollowTheCommandsFourthCharacter) {
  using Rate = TMTDialog::Rate;
  struct Row {
    Rate rate;
    const char* command;
  };
  for (const Row& r : {Row{Rate::Slew, "#:RS#"}, Row{Rate::Find, "#:RM#"},
                       Row{Rate::Centre, "#:RC#"}, Row{Rate::Guide, "#:RG#"}}) {
    dialog.setRate(r.rate);
    EXPECT_EQ(program.telescope.rateCommand, r.command);
    EXPECT_EQ(dialog.rate(), r.rate);
    log.clear();
    dialog.pressArrow(Arrow::Up);
    dialog.releaseArrow();
    EXPECT_EQ(cameraWrites().front(), r.command);
  }
  program.telescope.rateCommand = "#:R?#";
  EXPECT_EQ(dialog.rate(), Rate::Guide);

  EXPECT_EQ(dialog.focusSpeed(), TMTDialog::FocusSpeed::Slow);
  dialog.setFocusSpeed(TMTDialog::FocusSpeed::Fast);
  EXPECT_EQ(dialog.focusSpeed(), TMTDialog::FocusSpeed::Fast);
  log.clear();
  dialog.pressFocus(false);
  dialog.releaseFocus();
  EXPECT_EQ(cameraWrites(), (std::vector<std::string>{"#:FF#", "#:F-#", "#:FQ#"}));
}

TEST(DialogIntegerTest, SignedWholeNumbersElseZero) {
  for (const auto& [text, value] : {std::pair{"12", 12},
                                    {"-7", -7},
                                    {"+5", 5},
                                    {" 3 ", 3},
                                    {"-0", 0},
                                    {"", 0},
                                    {"1.5", 0},
                                    {"x", 0},
                                    {"99999999999", 0}}) {
    EXPECT_EQ(dialogInteger(text), value) << text;
  }
}

struct MoveTelescopeSocketTest : test::ScopeFixture {
  MoveTelescopeSocketTest() {
    useCameraRoute();
    program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  }
};

TEST_F(MoveTelescopeSocketTest, ArrowsHoldOneSocketLineUntilRelease) {
  GuideOutputMount mount(program);
  TCBDialog dialog(program, mount);
  struct Row {
    Arrow arrow;
    const char* bits;
  };
  for (const Row& r : {Row{Arrow::Left, "1"}, Row{Arrow::Down, "2"}, Row{Arrow::Up, "4"},
                       Row{Arrow::Right, "8"}}) {
    log.clear();
    const std::uint32_t start = clock.nowMs();
    dialog.pressArrow(r.arrow);
    dialog.pressArrow(r.arrow);
    clock.advanceMs(300);
    dialog.releaseArrow();
    EXPECT_EQ(log,
              (LinkLog{{start + 1, "guide-outputs", r.bits}, {start + 301, "guide-outputs", "0"}}));
  }
}

TEST_F(MoveTelescopeSocketTest, TelescopeControlOpensTheDialogOfTheDriveMethod) {
  for (const auto& [mode, id] :
       {std::pair{settings::GuideOutputMode::AutoguiderSocket, "TCBDialog"},
        {settings::GuideOutputMode::Lx200, "TMTDialog"},
        {settings::GuideOutputMode::None, "TMTDialog"}}) {
    program.settings.guideOutputMode = mode;
    ASSERT_EQ(program.saveSettingsFile(), settings::SettingsStatus::Ok);
    program.telescope.telescopeConnected = false;
    log.clear();
    ui.onDialog(id, [](port::DialogModel&) { return port::DialogResult::Ok; });
    TelescopeControl(program);
    EXPECT_EQ(ui.dialogsShown().back(), id);
    // Connecting asks for the camera; opening the dialog sends nothing.
    EXPECT_EQ(log, (LinkLog{{clock.nowMs(), "connect", ""}}));
  }
  EXPECT_TRUE(ui.scriptErrors().empty());

  camera.cameraPresent = false;
  program.telescope.telescopeConnected = false;
  const auto shown = ui.dialogsShown().size();
  TelescopeControl(program);
  EXPECT_EQ(ui.dialogsShown().size(), shown);
}

}  // namespace
}  // namespace nvk::scope
