#include "scope/guide_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "app/program.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"
#include "scope/ao_unit.h"
#include "support/temp_dir.h"

namespace nvk::scope {
namespace {

// 2026-12-09 16:59:00 UT: 11:59 local time five hours west of Greenwich.
constexpr std::int64_t kOneMinuteBeforeLocalNoon = 1'796'835'540;

struct GuideLogFixture {
  test::TempDir root;
  port::VirtualClock clock{0, kOneMinuteBeforeLocalNoon};
  port::ScriptedUi ui{&clock};
  app::Program program{clock, ui, base::ProgramPaths(root.path())};

  GuideLogFixture() { program.fits.utOffsetHours = 5; }

  std::string read(const std::string& name) {
    std::ifstream in(program.autosaveFolder() / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // A guiding section of `frames` frames, 2.5 s apart, the star 0.3 px off in x.
  void guide(int frames) {
    program.guideLog.beginGuiding(guideHeadLogSummary(program));
    for (int i = 0; i < frames; ++i) {
      clock.waitMs(2500);
      program.guideLog.mountFrame({300, 0}, nullptr, 900.0);
    }
    program.guideLog.endGuiding();
  }
};

TEST(GuideLogTest, ANewNightsLogBeginsAtLocalNoon) {
  GuideLogFixture f;
  f.guide(2);              // 11:59:00 to 11:59:05
  f.clock.waitMs(60'000);  // past noon
  f.guide(3);
  f.clock.waitMs(6 * 3'600'000);  // the same night
  f.guide(1);

  const std::string before = f.read("PHD2_GuideLog_2026-12-08_120000.txt");
  const std::string after = f.read("PHD2_GuideLog_2026-12-09_120000.txt");
  const auto morning = files::parseGuideLog(before);
  const auto evening = files::parseGuideLog(after);
  ASSERT_TRUE(morning.log) << morning.error << before;
  ASSERT_TRUE(evening.log) << evening.error << after;
  EXPECT_EQ(morning.log->versionLine,
            "PHD2 version NVK K7LQ [Linux], Log version 2.5. Log enabled at 2026-12-09 11:59:00");
  ASSERT_EQ(morning.log->guiding.size(), 1u);
  EXPECT_EQ(morning.log->guiding[0].beganAt, "2026-12-09 11:59:00");
  ASSERT_EQ(evening.log->guiding.size(), 2u);
  EXPECT_EQ(evening.log->guiding[0].beganAt, "2026-12-09 12:00:05");
  EXPECT_EQ(evening.log->guiding[1].beganAt, "2026-12-09 18:00:12");
  EXPECT_EQ(after.find("PHD2 version", 1), std::string::npos) << "one version line per file";

  const auto& frames = evening.log->guiding[0].frames;
  ASSERT_EQ(frames.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(frames[i].frame, i + 1);
    EXPECT_DOUBLE_EQ(frames[i].timeSeconds, 2.5 * (i + 1));
    EXPECT_DOUBLE_EQ(frames[i].dx, -0.3);
  }
  EXPECT_TRUE(evening.log->guiding[0].ended);
  EXPECT_TRUE(f.ui.messages().empty());
}

TEST(GuideLogTest, AnUnwritableLogIsReportedOnceAndGuidingGoesOn) {
  GuideLogFixture f;
  // The autosave folder's name is taken by a file: the log can be neither made nor opened.
  std::ofstream(f.root.path() / "autosave") << "x";
  f.guide(2);
  f.guide(2);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  const std::string text = f.ui.messageTexts()[0];
  EXPECT_NE(text.find("PHD2_GuideLog_2026-12-08_120000.txt"), std::string::npos) << text;
  EXPECT_NE(text.find("guiding goes on"), std::string::npos) << text;
}

TEST(GuideLogTest, FramesGiveTheStarAlongTheGuidingAxes) {
  const settings::DirectionLetters letters;
  const GuideAxes plain = untrainedGuideAxes({});
  // Lock minus star +0.5 px in x: the star lies 0.5 px toward -x, where west pulses move it.
  CorrectionPlan plan;
  plan.xMove = GuideMove{letters.east, 70};
  plan.yMove = GuideMove{letters.south, 35};
  const auto corrected = guideLogFrame({500, -250}, plain, &plan, letters);
  EXPECT_DOUBLE_EQ(corrected.dx, -0.5);
  EXPECT_DOUBLE_EQ(corrected.dy, 0.25);
  EXPECT_DOUBLE_EQ(corrected.raRaw, 0.5);
  EXPECT_DOUBLE_EQ(corrected.decRaw, 0.25);
  EXPECT_DOUBLE_EQ(corrected.raGuide, 0.5);
  EXPECT_EQ(corrected.raDirection, 'E');
  EXPECT_EQ(corrected.raDurationMs, 70);
  EXPECT_EQ(corrected.decDirection, 'S');
  EXPECT_EQ(corrected.decDurationMs, 35);

  const auto beyondRange = guideLogFrame({500, -250}, plain, nullptr, letters);
  EXPECT_EQ(beyondRange.raDirection, 0);
  EXPECT_EQ(beyondRange.raDurationMs, 0);
  EXPECT_DOUBLE_EQ(beyondRange.raGuide, 0.0);

  AoStepPlan ao;
  ao.xLetter = 'e';
  ao.xSteps = 3;
  ao.yLetter = 'n';
  ao.ySteps = 2;
  const auto aoFrame = aoGuideLogFrame({-600, 400}, plain, ao);
  EXPECT_EQ(aoFrame.mount, "AO");
  EXPECT_EQ(aoFrame.xStep, -3);
  EXPECT_EQ(aoFrame.yStep, 2);

  // Trained axes turn the distances, in every quadrant and for both sides of north; the
  // distance from the lock position stays what it is.
  for (int quadrant = 1; quadrant <= 4; ++quadrant) {
    for (const int decTurn : {1, -1}) {
      TrainedGuideValues trained;
      trained.raAngle = 0.4;
      trained.quadrant = quadrant;
      trained.decTurn = decTurn;
      const GuideAxes axes = trainedGuideAxes(trained);
      const double west = westDirection(trained);
      // A star displaced one pixel along the west motion is all R.A.
      const GuideError alongWest{static_cast<int>(std::lround(-1000 * std::cos(west))),
                                 static_cast<int>(std::lround(-1000 * std::sin(west)))};
      const auto f = guideLogFrame(alongWest, axes, nullptr, letters);
      EXPECT_NEAR(f.raRaw, 1.0, 1e-3) << quadrant << ' ' << decTurn;
      EXPECT_NEAR(f.decRaw, 0.0, 1e-3) << quadrant << ' ' << decTurn;
      const auto g = guideLogFrame({-700, 1300}, axes, nullptr, letters);
      EXPECT_NEAR(std::hypot(g.raRaw, g.decRaw), std::hypot(g.dx, g.dy), 1e-12);
    }
  }
}

}  // namespace
}  // namespace nvk::scope
