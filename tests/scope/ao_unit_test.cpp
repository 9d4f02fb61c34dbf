#include "scope/ao_unit.h"

#include <gtest/gtest.h>

#include "acquire/guider_dialog.h"
#include "scope/ao_unit_factory.h"
#include "scope/pulse_ao_unit.h"
#include "scope/scope_fixture.h"

namespace nvk::scope {
namespace {

// The guider camera dialog lives in acquire/, above the code these tests cover.
using namespace nvk::acquire;

struct AoUnitTest : test::ScopeFixture {
  AoUnitTest() {
    useCameraRoute();
    program.settings.serialRoute = 1;  // "Ser 1": camera serial port 1
  }
};

TEST_F(AoUnitTest, GuideStepStepsAreErrorTimesGainOverAThousand) {
  struct Case {
    int ex, ey, gain;
    char xLetter;
    int xSteps;
    char yLetter;
    int ySteps;
  };
  for (const Case& c : {Case{250, 0, 100, 'w', 25, 0, 0},   // a quarter pixel at gain 100
                        Case{25, 0, 100, 0, 0, 0, 0},       // within the 30 threshold
                        Case{-31, 31, 10, 'e', 0, 'n', 0},  // beyond it, but no whole step
                        Case{-1500, -400, 10, 'e', 15, 's', 4}}) {
    const AoStepPlan plan = planAoStep({c.ex, c.ey}, c.gain, c.gain);
    EXPECT_EQ(plan.xLetter, c.xLetter) << c.ex;
    EXPECT_EQ(plan.xSteps, c.xSteps) << c.ex;
    EXPECT_EQ(plan.yLetter, c.yLetter) << c.ey;
    EXPECT_EQ(plan.ySteps, c.ySteps) << c.ey;
  }
  EXPECT_TRUE(planAoStep({8001, 0}, 10, 10).beyondRange);

  program.settings.aoDefaultGainUpDown = 100;
  AoGuideStep(program, {250, 0});
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GW00025"}));
  EXPECT_EQ(program.guiding.ao.leftRight, -25);
  EXPECT_EQ(ui.beeps(), 2);
  log.clear();
  AoGuideStep(program, {25, 0});
  EXPECT_TRUE(cameraWrites(true).empty());
}

TEST_F(AoUnitTest, MountIsBumpedBeyondFiftyAtMostEvery700Ms) {
  auto& ao = program.guiding.ao;
  program.settings.guiderGuide.raRate = 10;  // bump of 400 / 10 = 40 ms
  ao.upDown = 40;
  chosenAoUnit(program).step(Direction::North, 10);  // +50: no bump
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00010"}));
  log.clear();
  chosenAoUnit(program).step(Direction::North, 1);  // +51: bump north
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001", "1:MN00040"}));
  log.clear();
  clock.advanceMs(400);  // with the sends' waits, still within 700 ms of the last bump
  chosenAoUnit(program).step(Direction::North, 1);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001"}));
  log.clear();
  clock.advanceMs(700);
  program.settings.aoHalfRate = true;
  chosenAoUnit(program).step(Direction::North, 1);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001", "1:MN00020"}));
}

TEST_F(AoUnitTest, MoveBeyondEightyIsNotSent) {
  auto& ao = program.guiding.ao;
  ao.leftRight = 80;
  ao.lastBumpMs = clock.nowMs();                   // no bump in the way
  chosenAoUnit(program).step(Direction::East, 1);  // +81
  EXPECT_TRUE(ao.atLimit);
  EXPECT_TRUE(cameraWrites(true).empty());
  EXPECT_EQ(ao.leftRight, 80);  // the unit did not move
  chosenAoUnit(program).step(Direction::West, 5);
  EXPECT_FALSE(ao.atLimit);
  EXPECT_EQ(ao.leftRight, 75);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GW00005"}));
}

TEST_F(AoUnitTest, SwappedLettersAndPulseMode) {
  program.settings.aoLeftRightLetters = {'w', 'e'};  // "Swap AO Left/Right"
  chosenAoUnit(program).step(Direction::East, 3);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GW00003"}));
  log.clear();
  program.settings.aoPulseMode = true;
  const std::uint32_t t0 = clock.nowMs();
  chosenAoUnit(program).step(Direction::North, 40);
  // 10 ms, north byte, held 40 ms, release, 300 ms.
  EXPECT_EQ(log,
            (test::LinkLog{{t0 + 10, "guide-outputs", "11"}, {t0 + 50, "guide-outputs", "15"}}));
  EXPECT_EQ(clock.nowMs(), t0 + 350);
}

// "Swap AO Left/Right" turns the unit's east and west round and "Swap AO Up/Down" its north
// and south, once, on every path that drives the unit: the guide step and the dialog's arrows
// in AO mode, as serial commands and as AO pulse-mode bytes. The other axis's swap changes
// nothing.
TEST_F(AoUnitTest, EachAoSwapTurnsItsAxisOnceOnEveryPath) {
  auto& s = program.settings;
  s.aoDefaultGainUpDown = 100;    // x: 250 thousandths make 25 steps
  s.aoDefaultGainLeftRight = 10;  // y: 500 thousandths make 5 steps
  s.guidingMode = settings::GuidingMode::AoUnit;
  TGNVDialog dialog(program);
  struct Side {
    std::string command;  // sent on the serial route
    int pulseByte;        // on the guide outputs in AO pulse mode
  };
  struct Case {
    const char* path;
    std::function<void()> drive;
    bool leftRightAxis;  // the axis whose swap applies
    Side unswapped, swapped;
  };
  auto guide = [&](int ex, int ey) { return [&, ex, ey] { AoGuideStep(program, {ex, ey}); }; };
  auto press = [&](Arrow a) { return [&, a] { dialog.pressArrow(a); }; };
  const Case cases[] = {
      {"guide +x", guide(250, 0), true, {"GW00025", 14}, {"GT00025", 7}},
      {"guide -x", guide(-250, 0), true, {"GT00025", 7}, {"GW00025", 14}},
      {"guide +y", guide(0, 500), false, {"GN00005", 11}, {"GS00005", 13}},
      {"guide -y", guide(0, -500), false, {"GS00005", 13}, {"GN00005", 11}},
      {"right arrow", press(Arrow::Right), true, {"MT00100", 7}, {"MW00100", 14}},
      {"left arrow", press(Arrow::Left), true, {"MW00100", 14}, {"MT00100", 7}},
      {"up arrow", press(Arrow::Up), false, {"MN00100", 11}, {"MS00100", 13}},
      {"down arrow", press(Arrow::Down), false, {"MS00100", 13}, {"MN00100", 11}},
  };
  auto guideOutputs = [&] {
    std::vector<int> out;
    for (const auto& e : log)
      if (e.call == "guide-outputs") out.push_back(std::stoi(e.bytes));
    return out;
  };
  for (const Case& c : cases) {
    for (const bool pulseMode : {false, true}) {
      for (const bool ownSwap : {false, true}) {
        for (const bool otherSwap : {false, true}) {
          SCOPED_TRACE(testing::Message()
                       << c.path << (pulseMode ? ", pulse mode" : "") << ", own swap " << ownSwap
                       << ", other swap " << otherSwap);
          const bool upDownSwap = c.leftRightAxis ? otherSwap : ownSwap;
          const bool leftRightSwap = c.leftRightAxis ? ownSwap : otherSwap;
          s.aoUpDownLetters =
              upDownSwap ? settings::LetterPair{'s', 'n'} : settings::LetterPair{'n', 's'};
          s.aoLeftRightLetters =
              leftRightSwap ? settings::LetterPair{'w', 'e'} : settings::LetterPair{'e', 'w'};
          s.aoPulseMode = pulseMode;
          program.guiding.ao.upDown = 0;
          program.guiding.ao.leftRight = 0;
          log.clear();
          c.drive();
          const Side& want = ownSwap ? c.swapped : c.unswapped;
          if (pulseMode) {
            EXPECT_TRUE(cameraWrites().empty());
            EXPECT_EQ(guideOutputs(), (std::vector<int>{want.pulseByte, kAoPulseRelease}));
          } else {
            EXPECT_EQ(cameraWrites(true), std::vector<std::string>{"1:" + want.command});
            EXPECT_TRUE(guideOutputs().empty());
          }
        }
      }
    }
  }
}

// Under both AO swaps the mount bumps keep the mount's letters, and the return at the end of
// an exposure follows the unit's own counters.
TEST_F(AoUnitTest, BumpsAndTheReturnKeepTheirLettersUnderTheAoSwaps) {
  auto& s = program.settings;
  auto& ao = program.guiding.ao;
  s.aoUpDownLetters = {'s', 'n'};
  s.aoLeftRightLetters = {'w', 'e'};
  s.guiderGuide.raRate = 10;
  ao.upDown = 50;
  chosenAoUnit(program).step(Direction::South,
                             1);  // the unit's north: +51, the mount is bumped north
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001", "1:MN00040"}));
  log.clear();
  ao.upDown = -12;
  ao.leftRight = 7;
  chosenAoUnit(program).returnToCentre();
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00012", "1:GW00007"}));
}

TEST_F(AoUnitTest, CentraliseAndEndOfExposureReturn) {
  auto& ao = program.guiding.ao;
  ao.upDown = -12;
  ao.leftRight = 7;
  chosenAoUnit(program).returnToCentre();
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00012", "1:GW00007"}));
  EXPECT_EQ(ao.upDown, 0);
  EXPECT_EQ(ao.leftRight, 0);
  log.clear();
  ao.upDown = 30;
  chosenAoUnit(program).centre();
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:K"}));
  EXPECT_EQ(ao.upDown, 0);
  log.clear();
  chosenAoUnit(program).manualMove(Direction::East);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:MT00100"}));
  EXPECT_EQ(ao.leftRight, 100);  // manual moves are not limited
}

TEST_F(AoUnitTest, WrongEchoToAnHCommandIsShown) {
  camera.reply("X");
  const std::uint8_t h[] = {'H'};
  chosenAoUnit(program).send(h);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Return from AO - X");
  ui.clearRecord();
  camera.reply("H");
  chosenAoUnit(program).send(h);
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace nvk::scope
