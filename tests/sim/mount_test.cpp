#include "sim/mount.h"

#include <gtest/gtest.h>

#include <cmath>

#include "port/virtual_clock.h"
#include "sim/ideal_mount.h"

namespace nvk::sim {
namespace {

constexpr double kArcsecPerHour = 54'000.0;

struct MountTest : ::testing::Test {
  port::VirtualClock clock{5000};
  std::unique_ptr<SimulatedMount> mount =
      std::make_unique<SimulatedMount>(clock, test::idealMount());

  void use(MountOptions options) { mount = std::make_unique<SimulatedMount>(clock, options); }
  void send(std::string_view text) {
    mount->receive({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
  std::string answer() {
    const auto bytes = mount->transmit(100);
    return {bytes.begin(), bytes.end()};
  }
  double raArcsec() { return mount->pointing().raHours * kArcsecPerHour; }
  double decArcsec() { return mount->pointing().decDegrees * 3600.0; }
};

TEST_F(MountTest, SelectsAnObjectDescribesItAndSlewsThere) {
  send("#:LM 0031#");
  send("#:LI#");
  EXPECT_EQ(answer(), "M31 RA 00:42.7 DEC +41*16#");
  send("#:MS#");
  EXPECT_EQ(answer(), "0");
  EXPECT_TRUE(mount->slewing());
  // From 2h +52 to 0h42.7 +41*16: 19.3 degrees of R.A. is the longer axis, at 4 degrees/s.
  const double slewSeconds = (2.0 - 42.7 / 60.0) * 15.0 / 4.0;
  clock.advanceMs(static_cast<std::uint32_t>(slewSeconds * 500));
  const SkyPosition halfway = mount->pointing();
  EXPECT_NEAR(halfway.raHours, (2.0 + 42.7 / 60.0) / 2.0, 5e-3);
  EXPECT_NEAR(halfway.decDegrees, (52.0 + 41.0 + 16.0 / 60.0) / 2.0, 5e-3);
  clock.advanceMs(static_cast<std::uint32_t>(slewSeconds * 500) + 2);
  EXPECT_FALSE(mount->slewing());
  EXPECT_NEAR(mount->pointing().raHours, 42.7 / 60.0, 1e-9);
  EXPECT_NEAR(mount->pointing().decDegrees, 41.0 + 16.0 / 60.0, 1e-9);
}

// "#:D#" shows the distance still to go as bars (one per started 10 degrees) while the slew
// runs on the clock, and '#' alone once the mount has arrived.
TEST_F(MountTest, DistanceBarsShrinkDuringTheSlewAndVanishOnArrival) {
  send("#:D#");
  EXPECT_EQ(answer(), "#");  // at rest from the start
  send("#:LM 0031#");
  send("#:MS#");
  ASSERT_EQ(answer(), "0");
  // 19.3 degrees of R.A. at 4 degrees/s: 4.82 s.
  const double slewSeconds = (2.0 - 42.7 / 60.0) * 15.0 / 4.0;
  struct Row {
    double fraction;  // of the slew's time gone
    std::string bars;
  };
  const Row rows[] = {
      {0.0, "\x7f\x7f#"},  // 19.3 degrees to go
      {0.6, "\x7f#"},      // 7.7 degrees
      {0.99, "\x7f#"},     // just before arrival
      {1.01, "#"},
  };
  const std::uint32_t start = clock.nowMs();
  for (const Row& r : rows) {
    clock.advanceMs(start + static_cast<std::uint32_t>(r.fraction * slewSeconds * 1000) -
                    clock.nowMs());
    send("#:D#");
    EXPECT_EQ(answer(), r.bars) << r.fraction;
  }
  EXPECT_FALSE(mount->slewing());
}

TEST_F(MountTest, CoordinateTargetsAreCheckedAndAnsweredOneOrZero) {
  struct Row {
    const char* command;
    const char* reply;
  };
  for (const Row& r :
       {Row{"#:Sr 23:59.0#", "1"}, Row{"#:Sr05:30:15#", "1"}, Row{"#:Sr 24:00.0#", "0"},
        Row{"#:Sr 12:60.0#", "0"}, Row{"#:Sd -05*30#", "1"}, Row{"#:Sd +89*59#", "1"},
        Row{"#:Sd +45:10:30#", "1"}, Row{"#:Sd 45*10#", "0"}, Row{"#:Sd +45*61#", "0"}}) {
    send(r.command);
    EXPECT_EQ(answer(), r.reply) << r.command;
  }
  EXPECT_NEAR(mount->target().raHours, 5.5 + 15.0 / 3600.0, 1e-12);
  EXPECT_NEAR(mount->target().decDegrees, 45.0 + 10.0 / 60.0 + 30.0 / 3600.0, 1e-12);
}

TEST_F(MountTest, HeldMovesTurnAtTheSelectedRateAndTheLinesAtGuideRate) {
  const double sidereal = kSiderealArcsecPerSecond;
  struct Row {
    const char* rate;   // LX200 rate command, or nullptr for the socket
    char letter;        // LX200 letter
    std::uint8_t bits;  // socket bits
    double raPerSecond, decPerSecond;
  };
  const Row rows[] = {{"#:RG#", 'e', 0, sidereal, 0},         {"#:RG#", 'w', 0, -sidereal, 0},
                      {"#:RC#", 'n', 0, 0, 8 * sidereal},     {"#:RM#", 's', 0, 0, -64 * sidereal},
                      {nullptr, 0, 8, sidereal, 0},           {nullptr, 0, 1, -sidereal, 0},
                      {nullptr, 0, 4, 0, sidereal},           {nullptr, 0, 2, 0, -sidereal},
                      {nullptr, 0, 8 | 4, sidereal, sidereal}};
  for (const Row& r : rows) {
    const double ra0 = raArcsec();
    const double dec0 = decArcsec();
    if (r.rate) {
      send(r.rate);
      send(std::string("#:M") + r.letter + '#');
      clock.advanceMs(2000);
      send(std::string("#:Q") + r.letter + '#');
    } else {
      mount->guideOutputsChanged(r.bits);
      clock.advanceMs(2000);
      mount->guideOutputsChanged(0);
    }
    clock.advanceMs(1000);  // nothing held: the mount stands still
    EXPECT_NEAR(raArcsec() - ra0, 2 * r.raPerSecond, 1e-6) << int(r.bits) << r.letter;
    EXPECT_NEAR(decArcsec() - dec0, 2 * r.decPerSecond, 1e-6) << int(r.bits) << r.letter;
  }
}

TEST_F(MountTest, DecBacklashSwallowsTheFirstPartOfAReversal) {
  MountOptions o = test::idealMount();
  o.decBacklashArcsec = 20.0;
  use(o);
  const double dec0 = decArcsec();
  send("#:RG#");
  // Engaged northwards from the start: the first move north goes through in full.
  send("#:Mn#");
  clock.advanceMs(1000);
  send("#:Qn#");
  EXPECT_NEAR(decArcsec() - dec0, kSiderealArcsecPerSecond, 1e-6);
  // Reversing south: 20 arcsec of play before the telescope follows.
  send("#:Ms#");
  clock.advanceMs(2000);
  send("#:Qs#");
  EXPECT_NEAR(decArcsec() - dec0, kSiderealArcsecPerSecond - (2 * kSiderealArcsecPerSecond - 20),
              1e-6);
  // A reversal shorter than the play does not move it at all.
  const double dec1 = decArcsec();
  send("#:Mn#");
  clock.advanceMs(1000);
  send("#:Qn#");
  EXPECT_NEAR(decArcsec(), dec1, 1e-6);
  // R.A. has no backlash.
  const double ra0 = raArcsec();
  send("#:Me#");
  clock.advanceMs(1000);
  send("#:Qe##:Mw#");
  clock.advanceMs(1000);
  send("#:Qw#");
  EXPECT_NEAR(raArcsec(), ra0, 1e-6);
}

TEST_F(MountTest, DriftGrowsLinearlyAndPeriodicErrorRepeatsWithTheWorm) {
  MountOptions drift = test::idealMount();
  drift.raDriftArcsecPerSecond = 0.05;
  drift.decDriftArcsecPerSecond = -0.02;
  use(drift);
  const double ra0 = raArcsec();
  const double dec0 = decArcsec();
  clock.advanceMs(100'000);
  EXPECT_NEAR(raArcsec() - ra0, 5.0, 1e-6);
  EXPECT_NEAR(decArcsec() - dec0, -2.0, 1e-6);
  clock.advanceMs(100'000);
  EXPECT_NEAR(raArcsec() - ra0, 10.0, 1e-6);

  MountOptions worm = test::idealMount();
  worm.periodicErrorArcsec = 8.0;
  worm.periodicErrorPeriodSeconds = 480.0;
  use(worm);
  const double start = raArcsec();
  double low = start;
  double high = start;
  for (int step = 0; step < 480; ++step) {
    clock.advanceMs(1000);
    low = std::min(low, raArcsec());
    high = std::max(high, raArcsec());
  }
  EXPECT_NEAR(high - low, 16.0, 1e-3);
  EXPECT_NEAR(raArcsec(), start, 1e-6);  // one whole worm turn later
  EXPECT_DOUBLE_EQ(mount->pointing().decDegrees, 52.0);
}

TEST(MountCatalogueTest, CataloguesAndTheirLimits) {
  EXPECT_EQ(lookUpObject('m', 1)->text, "M1 RA 05:34.5 DEC +22*01");
  EXPECT_EQ(lookUpObject('m', 2)->text, "M2 RA 21:33.5 DEC -00*49");
  EXPECT_EQ(lookUpObject('s', 905)->text, "Jupiter RA 04:45.0 DEC +21*30");
  EXPECT_FALSE(lookUpObject('m', 0));
  EXPECT_FALSE(lookUpObject('m', 111));
  EXPECT_FALSE(lookUpObject('c', 7816));
  ASSERT_TRUE(lookUpObject('c', 7815));
  EXPECT_EQ(lookUpObject('c', 7815)->text.substr(0, 8), "NGC7815 ");
  // Derived positions are the same every time and lie on the sky.
  for (int n = 1; n <= 7815; n += 97) {
    const auto a = lookUpObject('c', n);
    EXPECT_EQ(a->text, lookUpObject('c', n)->text);
    EXPECT_GE(a->position.raHours, 0.0);
    EXPECT_LT(a->position.raHours, 24.0);
    EXPECT_LE(std::fabs(a->position.decDegrees), 90.0);
    // Every object text fits the 33 characters the program shows.
    EXPECT_LE(a->text.size(), 33u);
  }
}

}  // namespace
}  // namespace nvk::sim
