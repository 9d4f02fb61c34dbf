#include "scope/trained_correction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scope/training.h"

namespace nvk::scope {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// A guide head on a mount: a west pulse moves the star at `rate` px/s along `angle`, a north
// pulse at `rate` px/s along the west direction turned by +90 degrees (or -90 when mirrored).
// Whole-pixel positions, as the training reads them.
struct MountModel {
  double angle;
  bool mirrored;
  double rate = 15.0;
  double x = 250.0, y = 145.0;

  void west(double seconds) {
    x += seconds * rate * std::cos(angle);
    y += seconds * rate * std::sin(angle);
  }
  void north(double seconds) {
    const double turn = mirrored ? -1.0 : 1.0;
    x += seconds * rate * -std::sin(angle) * turn;
    y += seconds * rate * std::cos(angle) * turn;
  }
  PixelPoint at() const {
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
  }
};

TrainedGuideValues trainOn(MountModel m, int t) {
  GuideHeadTrainingPositions p;
  p.p0 = m.at();
  m.west(0.1 * t);
  p.a = m.at();
  m.west(t);
  p.b = m.at();
  m.west(t);
  p.c = m.at();
  m.west(-t);  // east
  p.d = m.at();
  m.west(t);
  p.e = m.at();
  m.north(0.2 * t);
  p.f = m.at();
  m.north(t);
  p.g = m.at();
  m.north(-t);  // south
  p.h = m.at();
  return guideHeadTrainingResult(p, t);
}

CorrectionRules trainedRules() {
  CorrectionRules rules;
  rules.maxErrorThousandths = 8000;
  return rules;
}

TEST(TrainedCorrectionTest, CorrectionsCancelTheErrorAtEveryCameraAngle) {
  for (const double degrees : {0.0, 30.0, 75.0, 135.0, 210.0, 300.0}) {
    for (const bool mirrored : {false, true}) {
      const MountModel model{degrees * kDegree, mirrored};
      const TrainedGuideValues trained = trainOn(model, 2);
      EXPECT_NEAR(std::hypot(trained.raRateX, trained.raRateY), 15.0, 1.0) << degrees;
      for (const GuideError e : {GuideError{2000, 0}, GuideError{0, -1500}, GuideError{-700, 900},
                                 GuideError{3000, 2500}}) {
        GuideLetterMemory memory{'w', 'n'};
        CorrectionRules rules = trainedRules();
        const CorrectionPlan plan = planTrainedCorrection(e, trained, rules, true, memory);
        // The pulses, played on the mount, must carry the star to where the error says.
        MountModel played = model;
        played.x = played.y = 0.0;
        for (const auto& move : {plan.xMove, plan.yMove}) {
          if (!move) continue;
          const double s = move->durationMs / 1000.0;
          if (move->letter == 'w') played.west(s);
          if (move->letter == 'e') played.west(-s);
          if (move->letter == 'n') played.north(s);
          if (move->letter == 's') played.north(-s);
        }
        const double want = std::hypot(e.x, e.y) / 1000.0;
        const double miss = std::hypot(played.x - e.x / 1000.0, played.y - e.y / 1000.0);
        EXPECT_LT(miss, 0.1 * want + 0.05)
            << degrees << " deg, mirrored " << mirrored << ", error " << e.x << "," << e.y;
      }
    }
  }
}

TEST(TrainedCorrectionTest, BacklashIsAddedOnceOnAReversal) {
  TrainedGuideValues trained;
  trained.raRateX = -10.0;  // west moves the star to smaller x: quadrant 2, angle 0
  trained.quadrant = 2;
  trained.decRateY = -10.0;
  trained.decTurn = 1;  // (-1, 0) turned to (0, -1)
  trained.raBacklash = 2;
  trained.decBacklash = 3;
  const CorrectionRules rules = trainedRules();
  GuideLetterMemory memory{'e', 's'};
  // +x error: east; the last x letter was east, so no play.
  CorrectionPlan plan = planTrainedCorrection({1000, 0}, trained, rules, false, memory);
  ASSERT_TRUE(plan.xMove);
  EXPECT_EQ(*plan.xMove, (GuideMove{'e', 100}));
  // -x error: west, a reversal: half the 2 px play is taken up at once, (1000 + 1000) / 10.
  plan = planTrainedCorrection({-1000, 0}, trained, rules, false, memory);
  EXPECT_EQ(*plan.xMove, (GuideMove{'w', 200}));
  plan = planTrainedCorrection({-1000, 0}, trained, rules, false, memory);
  EXPECT_EQ(*plan.xMove, (GuideMove{'w', 100}));
  // "Ignore Backlash" drops the play.
  plan = planTrainedCorrection({1000, 0}, trained, rules, true, memory);
  EXPECT_EQ(*plan.xMove, (GuideMove{'e', 100}));
  // +y error: north moves the star to -y here, so south; no reversal from 's'.
  plan = planTrainedCorrection({0, 500}, trained, rules, false, memory);
  ASSERT_TRUE(plan.yMove);
  EXPECT_EQ(*plan.yMove, (GuideMove{'s', 50}));
  plan = planTrainedCorrection({0, -500}, trained, rules, false, memory);
  EXPECT_EQ(*plan.yMove, (GuideMove{'n', 200}));  // (500 + 1500) / 10
}

TEST(TrainedCorrectionTest, HysteresisRangeAndNorthSwitch) {
  TrainedGuideValues trained;
  trained.raRateX = 10.0;
  trained.decRateY = 10.0;
  CorrectionRules rules = trainedRules();
  rules.guide.raHysteresis = 20;
  GuideLetterMemory memory{'w', 'n'};
  // A 1.9 s pulse is swallowed by a hysteresis of 2 s; the display still shows the remainder.
  CorrectionPlan plan = planTrainedCorrection({1900, 0}, trained, rules, true, memory);
  EXPECT_FALSE(plan.xMove);
  EXPECT_EQ(plan.xDurationMs, 190 - 2000);
  // Beyond 8 px nothing is corrected.
  plan = planTrainedCorrection({8001, 0}, trained, rules, true, memory);
  EXPECT_TRUE(plan.beyondRange);
  EXPECT_FALSE(plan.xMove);
  // "Turn off North Corrections": a north pulse is never sent, a south one is.
  rules.guide.raHysteresis = 0;
  rules.noNorthCorrections = true;
  plan = planTrainedCorrection({0, 1000}, trained, rules, true, memory);
  EXPECT_FALSE(plan.yMove);
  plan = planTrainedCorrection({0, -1000}, trained, rules, true, memory);
  ASSERT_TRUE(plan.yMove);
  EXPECT_EQ(plan.yMove->letter, 's');
}

}  // namespace
}  // namespace nvk::scope
