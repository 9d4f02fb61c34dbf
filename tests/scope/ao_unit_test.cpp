#include "scope/ao_unit.h"

#include <gtest/gtest.h>

#include "scope/scope_fixture.h"

namespace nvk::scope {
namespace {

struct AoUnitTest : test::ScopeFixture {
  AoUnitTest() {
    useCameraRoute();
    program.settings.serialRoute = 1;  // "Ser 1": camera serial port 1
  }
};

TEST_F(AoUnitTest, GuideStepStepsAreErrorTimesGainOverAThousand) {
  settings::Settings s;
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
    const AoStepPlan plan = planAoStep({c.ex, c.ey}, c.gain, c.gain, s);
    EXPECT_EQ(plan.xLetter, c.xLetter) << c.ex;
    EXPECT_EQ(plan.xSteps, c.xSteps) << c.ex;
    EXPECT_EQ(plan.yLetter, c.yLetter) << c.ey;
    EXPECT_EQ(plan.ySteps, c.ySteps) << c.ey;
  }
  EXPECT_TRUE(planAoStep({8001, 0}, 10, 10, s).beyondRange);

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
  AoMove(program, 'n', 10);  // +50: no bump
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00010"}));
  log.clear();
  AoMove(program, 'n', 1);  // +51: bump north
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001", "1:MN00040"}));
  log.clear();
  clock.advanceMs(400);  // with the sends' waits, still within 700 ms of the last bump
  AoMove(program, 'n', 1);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001"}));
  log.clear();
  clock.advanceMs(700);
  program.settings.aoHalfRate = true;
  AoMove(program, 'n', 1);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00001", "1:MN00020"}));
}

TEST_F(AoUnitTest, MoveBeyondEightyIsNotSent) {
  auto& ao = program.guiding.ao;
  ao.leftRight = 80;
  ao.lastBumpMs = clock.nowMs();  // no bump in the way
  AoMove(program, 'e', 1);        // +81
  EXPECT_TRUE(ao.atLimit);
  EXPECT_TRUE(cameraWrites(true).empty());
  EXPECT_EQ(ao.leftRight, 80);  // the unit did not move
  AoMove(program, 'w', 5);
  EXPECT_FALSE(ao.atLimit);
  EXPECT_EQ(ao.leftRight, 75);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GW00005"}));
}

TEST_F(AoUnitTest, SwappedLettersAndPulseMode) {
  program.settings.aoLeftRightLetters = {'w', 'e'};  // "Swap AO Left/Right"
  AoMove(program, 'e', 3);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GW00003"}));
  log.clear();
  program.settings.aoPulseMode = true;
  const std::uint32_t t0 = clock.nowMs();
  AoMove(program, 'n', 40);
  // 10 ms, north byte, held 40 ms, release, 300 ms.
  EXPECT_EQ(log,
            (test::LinkLog{{t0 + 10, "guide-outputs", "11"}, {t0 + 50, "guide-outputs", "15"}}));
  EXPECT_EQ(clock.nowMs(), t0 + 350);
}

TEST_F(AoUnitTest, CentraliseAndEndOfExposureReturn) {
  auto& ao = program.guiding.ao;
  ao.upDown = -12;
  ao.leftRight = 7;
  AoEndOfExposure(program);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:GN00012", "1:GW00007"}));
  EXPECT_EQ(ao.upDown, 0);
  EXPECT_EQ(ao.leftRight, 0);
  log.clear();
  ao.upDown = 30;
  CentraliseAo(program);
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:K"}));
  EXPECT_EQ(ao.upDown, 0);
  log.clear();
  AoManualMove(program, 'e');
  EXPECT_EQ(cameraWrites(true), (std::vector<std::string>{"1:MT00100"}));
  EXPECT_EQ(ao.leftRight, 100);  // manual moves are not limited
}

TEST_F(AoUnitTest, WrongEchoToAnHCommandIsShown) {
  camera.reply("X");
  const std::uint8_t h[] = {'H'};
  AoSend(program, h);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Return from AO - X");
  ui.clearRecord();
  camera.reply("H");
  AoSend(program, h);
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace nvk::scope
