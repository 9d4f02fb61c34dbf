#include "scope/guide_correction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "port/scripted_ui.h"
#include "scope/centroid.h"

namespace nvk::scope {
namespace {

// A frame with a flat sky and one Gaussian star.
std::vector<std::uint16_t> starFrame(int width, int height, double sx, double sy, int sky, int peak,
                                     double sigma = 1.5) {
  std::vector<std::uint16_t> frame(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double r2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
      const double v = sky + peak * std::exp(-r2 / (2 * sigma * sigma));
      frame[static_cast<std::size_t>(y * width + x)] =
          static_cast<std::uint16_t>(std::min(v, 65535.0));
    }
  }
  return frame;
}

TEST(FindCentroidTest, BoxOutsideTheImageIsRefusedWithItsMessage) {
  const auto frame = starFrame(128, 128, 64, 64, 1000, 30000);
  port::ScriptedUi ui;
  struct Case {
    int x, y;
    bool inside;
  };
  // Radius 9: the box [x-9, x+9] must lie inside 0..127.
  for (const Case& c : {Case{9, 9, true}, Case{8, 60, false}, Case{60, 8, false},
                        Case{118, 60, true}, Case{119, 60, false}, Case{60, 119, false}}) {
    ui.clearRecord();
    const auto r = FindCentroid(frame, 128, 128, c.x, c.y, 9, false, ui);
    EXPECT_EQ(r.status == CentroidStatus::Found, c.inside) << c.x << "," << c.y;
    EXPECT_EQ(ui.messages().size(), c.inside ? 0u : 1u);
    if (!c.inside) {
      EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ_USB  - Find Centre");
      EXPECT_EQ(ui.messages()[0].text, "Find centre failed - outside image area");
    }
  }
}

TEST(FindCentroidTest, NegativeRadiusIsRefused) {
  // A negative radius passed the box check and was searched as a box of (2c + 1)^2 samples:
  // a found star outside any box, or gigabytes asked for.
  const auto frame = starFrame(128, 128, 64, 64, 1000, 30000);
  for (const int c : {-1, -2, -64}) {
    EXPECT_EQ(findCentroidQuiet(frame, 128, 128, 64, 64, c, false).status,
              CentroidStatus::OutsideImage)
        << c;
  }
}

TEST(FindCentroidTest, FindsAnOffCentreStarWithTenths) {
  // Bright star (max above 17000) at (53.3, 61.7), searched from (50, 60).
  const auto frame = starFrame(128, 128, 53.3, 61.7, 2000, 40000);
  const auto r = findCentroidQuiet(frame, 128, 128, 50, 60, 9, true);
  ASSERT_EQ(r.status, CentroidStatus::Found);
  const double x = r.position.x + r.position.xTenths / 10.0;
  const double y = r.position.y + r.position.yTenths / 10.0;
  EXPECT_NEAR(x, 53.3, 0.15);
  EXPECT_NEAR(y, 61.7, 0.15);
  // Whole pixels round to the nearest.
  const auto whole = findCentroidQuiet(frame, 128, 128, 50, 60, 9, false);
  EXPECT_EQ(whole.position, (StarPosition{53, 0, 62, 0}));
}

TEST(FindCentroidTest, FaintStarIsFoundToo) {
  // Box maximum below 17000: samples are amplified four times before weighting.
  const auto frame = starFrame(500, 290, 200.5, 100.2, 800, 3000);
  const auto r = findCentroidQuiet(frame, 500, 290, 198, 102, 7, true);
  ASSERT_EQ(r.status, CentroidStatus::Found);
  EXPECT_NEAR(r.position.x + r.position.xTenths / 10.0, 200.5, 0.15);
  EXPECT_NEAR(r.position.y + r.position.yTenths / 10.0, 100.2, 0.15);
}

TEST(FindCentroidTest, BackgroundFromTheFullestBinLowestWinsATie) {
  // A 3x3 box: four samples in bin 10 (160..175) and four in bin 20 (320..335), one star sample.
  std::vector<std::uint16_t> frame = {165, 165, 330, 165, 60000, 330, 165, 330, 330};
  const auto r = findCentroidQuiet(frame, 3, 3, 1, 1, 1, false);
  ASSERT_EQ(r.status, CentroidStatus::Found);
  EXPECT_EQ(r.background, static_cast<int>(10 * 16.64));  // 166
  EXPECT_EQ(r.position, (StarPosition{1, 0, 1, 0}));
}

TEST(FindCentroidTest, FlatBoxGivesOnePixelFromTheCorner) {
  // Nothing stands above the mean: the weights stay 1 and the centroid is (1, 1) in the box.
  std::vector<std::uint16_t> frame(25, 500);
  const auto r = findCentroidQuiet(frame, 5, 5, 2, 2, 2, true);
  EXPECT_EQ(r.position, (StarPosition{1, 0, 1, 0}));
}

CorrectionRules plainRules() {
  CorrectionRules rules;
  rules.guide = {10, 5, 2, 3, 0, 0};  // RA 10 px/s, Dec 5 px/s, backlash 2 and 3 px
  rules.letters = {'e', 'w', 'n', 's'};
  return rules;
}

TEST(GuideCorrectionTest, ErrorIsReferenceMinusCurrent) {
  EXPECT_EQ(guideError({10, 5, 20, 0}, {9, 7, 21, 3}), (GuideError{800, -1300}));
}

TEST(GuideCorrectionTest, ThresholdsOnEachAxis) {
  // x needs more than 50 thousandths, y more than 30.
  struct Case {
    int ex, ey;
    bool xMoves, yMoves;
  };
  for (const Case& c : {Case{50, 30, false, false}, Case{51, 31, true, true},
                        Case{-51, -31, true, true}, Case{-50, 0, false, false}}) {
    GuideLetterMemory memory{'e', 'n'};
    if (c.ex < 0) memory.lastX = 'w';
    if (c.ey < 0) memory.lastY = 's';
    CorrectionRules rules = plainRules();
    rules.guide.raRate = 1;  // 1 px/s so that 51 thousandths give a 51 ms pulse
    rules.guide.decRate = 1;
    const auto plan = planCorrection({c.ex, c.ey}, rules, memory);
    EXPECT_EQ(plan.xMove.has_value(), c.xMoves) << c.ex;
    EXPECT_EQ(plan.yMove.has_value(), c.yMoves) << c.ey;
  }
}

TEST(GuideCorrectionTest, ReversalAddsBacklashOnce) {
  const CorrectionRules rules = plainRules();
  GuideLetterMemory memory{'e', 'n'};
  // West after east: the 2 px backlash lengthens the 3 px correction to 5 px = 500 ms.
  auto plan = planCorrection({-3000, 0}, rules, memory);
  EXPECT_EQ(plan.xMove, (GuideMove{'w', 500}));
  // Again west: no backlash.
  plan = planCorrection({-3000, 0}, rules, memory);
  EXPECT_EQ(plan.xMove, (GuideMove{'w', 300}));
  // Back east: backlash again, and south to north on y.
  memory.lastY = 's';
  plan = planCorrection({1000, 2000}, rules, memory);
  EXPECT_EQ(plan.xMove, (GuideMove{'e', 300}));
  EXPECT_EQ(plan.yMove, (GuideMove{'n', 1000}));  // (2 + 3) px / 5 px/s
}

TEST(GuideCorrectionTest, FirstPulseOfARunAddsNoBacklash) {
  // Regression: an empty letter memory counted as a reversal, so the first correction of every
  // run threw the star by the whole backlash.
  const CorrectionRules rules = plainRules();
  GuideLetterMemory memory;
  auto plan = planCorrection({-3000, 2000}, rules, memory);
  EXPECT_EQ(plan.xMove, (GuideMove{'w', 300}));
  EXPECT_EQ(plan.yMove, (GuideMove{'n', 400}));
  plan = planCorrection({3000, 0}, rules, memory);
  EXPECT_EQ(plan.xMove, (GuideMove{'e', 500}));  // now a reversal
}

TEST(GuideCorrectionTest, BacklashLengthensBothDirections) {
  // Regression: adding the backlash to a negative error shortened westward pulses.
  const CorrectionRules rules = plainRules();
  GuideLetterMemory east{'e', 0}, west{'w', 0};
  EXPECT_EQ(planCorrection({-1500, 0}, rules, east).xMove->durationMs,
            planCorrection({1500, 0}, rules, west).xMove->durationMs);
}

TEST(GuideCorrectionTest, HysteresisOf20SuppressesPulsesShorterThanTwoSeconds) {
  CorrectionRules rules = plainRules();
  rules.guide.raHysteresis = 20;
  rules.guide.raBacklash = 0;
  GuideLetterMemory memory{'e', 0};
  auto plan = planCorrection({4900, 0}, rules, memory);  // 490 ms - 2000 ms
  EXPECT_FALSE(plan.xMove);
  EXPECT_EQ(plan.xDurationMs, 490 - 2000);
  rules.maxErrorThousandths = 30000;
  plan = planCorrection({25000, 0}, rules, memory);  // 2500 ms - 2000 ms
  EXPECT_EQ(plan.xMove, (GuideMove{'e', 500}));
}

TEST(GuideCorrectionTest, TurnedOffDirectionsAndSwappedLetters) {
  CorrectionRules rules = plainRules();
  rules.noNorthCorrections = true;
  rules.letters = {'w', 'e', 's', 'n'};  // both pairs swapped
  GuideLetterMemory memory;
  auto plan = planCorrection({1000, 1000}, rules, memory);
  EXPECT_FALSE(plan.yMove);            // a positive y error would go north: turned off
  EXPECT_EQ(plan.xMove->letter, 'w');  // the east key sends 'w'
  plan = planCorrection({0, -1000}, rules, memory);
  ASSERT_TRUE(plan.yMove);
  EXPECT_EQ(plan.yMove->letter, 'n');  // the south key sends 'n'
}

TEST(GuideCorrectionTest, LargeErrorsAreLeftAlone) {
  GuideLetterMemory memory;
  auto plan = planCorrection({5001, 0}, plainRules(), memory);
  EXPECT_TRUE(plan.beyondRange);
  EXPECT_FALSE(plan.xMove);
  EXPECT_FALSE(plan.yMove);
  settings::Settings settings;
  plan = planCorrection({6000, 0}, guiderCameraRules(settings), memory);
  EXPECT_FALSE(plan.beyondRange);  // the guide head allows 8 pixels
}

TEST(GuideCorrectionTest, RulesFromTheSettings) {
  settings::Settings s;
  s.ignoreDriftBelowAccuracy = true;
  s.guideAccuracy = 500;
  s.slewTimeFactor = 2;
  const auto main = mainCameraRules(s);
  EXPECT_EQ(main.xThresholdThousandths, 500);
  EXPECT_EQ(main.yThresholdThousandths, 500);
  EXPECT_EQ(main.durationMultiplier, 2);
  const auto guider = guiderCameraRules(s);
  EXPECT_EQ(guider.xThresholdThousandths, 30);  // 30 in both modes on the guide head
  EXPECT_EQ(guider.durationMultiplier, 1);
  GuideLetterMemory memory{'e', 'n'};
  s.mainGuide = {10, 10, 0, 0, 0, 0};
  const auto plan = planCorrection({1000, 0}, mainCameraRules(s), memory);
  EXPECT_EQ(plan.xMove, (GuideMove{'e', 200}));  // doubled
}

}  // namespace
}  // namespace nvk::scope
