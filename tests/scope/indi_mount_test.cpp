#include "scope/indi_mount.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "scope/mount_factory.h"
#include "scope/move_telescope_dialog.h"
#include "support/program_fixture.h"
#include "support/scripted_indi_client.h"

namespace nvk::scope {
namespace {

using port::IndiEvent;
using port::IndiProperty;
using port::IndiState;
using test::ScriptedIndiClient;

TEST(IndiAddress, ParsesServerAndDevices) {
  const struct {
    const char* text;
    std::optional<IndiAddress> expected;
  } cases[] = {
      {"127.0.0.1:7624", IndiAddress{"127.0.0.1", 7624, "Telescope Simulator", ""}},
      {"scope.local:7625,EQMod Mount", IndiAddress{"scope.local", 7625, "EQMod Mount", ""}},
      {"h:1,Mount A,Focuser B", IndiAddress{"h", 1, "Mount A", "Focuser B"}},
      {"h:65535,M,", IndiAddress{"h", 65535, "M", ""}},
      {"h", std::nullopt},
      {":7624", std::nullopt},
      {"h:0", std::nullopt},
      {"h:65536", std::nullopt},
      {"h:76x", std::nullopt},
      {"h:7624,", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseIndiAddress(c.text), c.expected);
  }
}

TEST(IndiRates, MoveRatesSpreadOverTheDriversSlewRates) {
  auto rates = [](std::vector<std::string> names) {
    IndiProperty p;
    for (auto& n : names)
      p.switches.emplace_back(n, false);
    return p;
  };
  const auto four = rates({"1x", "2x", "3x", "4x"});
  const auto ten = rates({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
  const auto one = rates({"only"});
  const struct {
    MoveRate rate;
    const IndiProperty& property;
    std::string element;
  } cases[] = {
      {MoveRate::Guide, four, "1x"}, {MoveRate::Centre, four, "2x"}, {MoveRate::Find, four, "3x"},
      {MoveRate::Slew, four, "4x"},  {MoveRate::Guide, ten, "1"},    {MoveRate::Centre, ten, "4"},
      {MoveRate::Find, ten, "7"},    {MoveRate::Slew, ten, "10"},    {MoveRate::Find, one, "only"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(slewRateElement(c.rate, c.property), c.element);
  EXPECT_EQ(slewRateElement(MoveRate::Slew, IndiProperty{}), "");
}

TEST(IndiRates, FocusStepsFollowTheTimeHeld) {
  EXPECT_EQ(focusSteps(FocusSpeed::Fast, 1000), 200);
  EXPECT_EQ(focusSteps(FocusSpeed::Slow, 1000), 20);
  EXPECT_EQ(focusSteps(FocusSpeed::Slow, 2500), 50);
  EXPECT_EQ(focusSteps(FocusSpeed::Slow, 0), 1);
}

// 2026-12-09 00:00 UTC, and the J2000 epoch (2000-01-01 12:00 TT, about a minute earlier in UTC).
constexpr std::int64_t kDate = 1'796'774'400;
constexpr std::int64_t kJ2000 = 946'727'936;

TEST(SkyPositions, PrecessionMovesTheEquinoxAsTheYearsPass) {
  // At the J2000 epoch only nutation (under 20") separates the frames.
  for (int m : {1, 31, 42, 57, 101})
    EXPECT_LT(separationArcmin(precessToDate(*messierJ2000(m), kJ2000), *messierJ2000(m)), 0.4);
  // The equinox point moves 3.075 s of R.A. and 20.04" of Dec. a year in the equatorial frame:
  // 26.94 years give 82.8 s and 9.0' (nutation adds at most a third of an arcminute).
  const auto equinox = precessToDate({0.0, 0.0}, kDate);
  EXPECT_NEAR(equinox.raHours * 3600.0, 82.8, 1.5);
  EXPECT_NEAR(equinox.decDegrees * 60.0, 9.0, 0.4);
  // The north ecliptic pole (18h, +66.56 deg) stays where it is but for nutation.
  EXPECT_LT(separationArcmin(precessToDate({18.0, 66.5607}, kDate), {18.0, 66.5607}), 0.5);
}

TEST(SkyPositions, PlanetsStayNearTheEclipticAndTheInnerOnesNearTheSun) {
  double earth[2][3], earthBary[2][3];
  eraEpv00(2'440'587.5 + kDate / 86'400.0, 0.0, earth, earthBary);
  double sunRa = 0.0, sunDec = 0.0;
  const double toSun[3] = {-earth[0][0], -earth[0][1], -earth[0][2]};
  eraC2s(const_cast<double*>(toSun), &sunRa, &sunDec);
  const auto sun = precessToDate({eraAnp(sunRa) * 12.0 / M_PI, sunDec * 180.0 / M_PI}, kDate);
  const struct {
    int number;
    double maxElongationDegrees;
  } planets[] = {{901, 28.5}, {902, 47.9}, {904, 180}, {905, 180},
                 {906, 180},  {907, 180},  {908, 180}};
  constexpr double kObliquity = 23.44 * M_PI / 180.0;
  for (const auto& p : planets) {
    SCOPED_TRACE(p.number);
    const auto at = planetOfDate(p.number, kDate);
    ASSERT_TRUE(at.has_value());
    const double ra = at->raHours * M_PI / 12.0, dec = at->decDegrees * M_PI / 180.0;
    const double latitude = std::asin(std::sin(dec) * std::cos(kObliquity) -
                                      std::cos(dec) * std::sin(kObliquity) * std::sin(ra));
    EXPECT_LT(std::fabs(latitude) * 180.0 / M_PI, 9.0);
    EXPECT_LT(separationArcmin(*at, sun) / 60.0, p.maxElongationDegrees);
  }
  EXPECT_FALSE(planetOfDate(903, kDate).has_value());  // the Earth
  EXPECT_FALSE(planetOfDate(909, kDate).has_value());  // Pluto has no ephemeris here
}

struct IndiMountFixture : test::ProgramFixture {
  ScriptedIndiClient* client = nullptr;
  std::unique_ptr<IndiMount> mount;
  IndiMountFixture() {
    auto owned = std::make_unique<ScriptedIndiClient>();
    client = owned.get();
    mount =
        std::make_unique<IndiMount>(program, std::move(owned), IndiAddress{"h", 7624, "Mount", ""});
  }
};

TEST(IndiMount, PulseLastsUntilTheMountReportsItDone) {
  IndiMountFixture f;
  using S = IndiState;
  // The driver turns the pulse busy, and ok when done: the second answer is held back until
  // 1 s of the program's clock has passed.
  f.client->answers["TELESCOPE_TIMED_GUIDE_NS"] = {
      ScriptedIndiClient::event("TELESCOPE_TIMED_GUIDE_NS", S::Busy)};
  ASSERT_TRUE(f.mount->connect());
  f.ui.clickAt(f.clock.nowMs() + 1000, [&] {
    f.client->pending.push_back(ScriptedIndiClient::event("TELESCOPE_TIMED_GUIDE_NS", S::Ok));
  });
  const std::uint32_t t0 = f.clock.nowMs();
  f.mount->guidePulse(Direction::North, 1000);
  const std::uint32_t took = f.clock.nowMs() - t0;
  EXPECT_GE(took, 1000u);
  EXPECT_LT(took, 1100u);
  ASSERT_FALSE(f.client->sent.empty());
  EXPECT_EQ(f.client->sent.back().property, "TELESCOPE_TIMED_GUIDE_NS");
  EXPECT_EQ(f.client->sent.back().numbers.at("TIMED_GUIDE_N"), 1000.0);
}

TEST(IndiMount, GoToSendsTrackThenTheTargetOfTheDateAndReportsTheMountsAnswer) {
  const struct {
    const char* what;
    std::vector<IndiEvent> answer;
    std::string firstLineEnd;
    std::string refusal;
  } cases[] = {
      {"slewing",
       {ScriptedIndiClient::event("EQUATORIAL_EOD_COORD", IndiState::Busy)},
       ": slewing",
       ""},
      {"refused",
       {{IndiEvent::Kind::Message, {"Mount", "", IndiState::Idle, {}, {}}, "Target below horizon"},
        ScriptedIndiClient::event("EQUATORIAL_EOD_COORD", IndiState::Alert)},
       "",
       "Target below horizon"},
      {"silent", {}, "", "the mount did not answer the slew request"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    IndiMountFixture f;
    f.client->answers["EQUATORIAL_EOD_COORD"] = c.answer;
    const GoToReply reply = f.mount->goTo(CatalogueObject{CatalogueKind::Messier, 42});
    EXPECT_EQ(reply.refusal, c.refusal);
    const auto& line = f.mount->infoLines()[0];
    EXPECT_EQ(line.rfind("M42 -> ", 0), 0u) << line;
    EXPECT_TRUE(line.ends_with(c.firstLineEnd)) << line;
    ASSERT_GE(f.client->sent.size(), 2u);
    const auto& track = f.client->sent[f.client->sent.size() - 2];
    EXPECT_EQ(track.property, "ON_COORD_SET");
    EXPECT_TRUE(track.switches.at("TRACK"));
    const auto& target = f.client->sent.back();
    ASSERT_EQ(target.property, "EQUATORIAL_EOD_COORD");
    const auto expected = precessToDate(*messierJ2000(42), f.clock.wallSeconds());
    EXPECT_LT(separationArcmin({target.numbers.at("RA"), target.numbers.at("DEC")}, expected),
              0.01);
  }
}

TEST(IndiMount, CngcNeedsTheMountsOwnCatalogueAndSendsNothing) {
  IndiMountFixture f;
  const GoToReply reply = f.mount->goTo(CatalogueObject{CatalogueKind::Cngc, 7000});
  EXPECT_EQ(reply.refusal, "CNGC objects need a mount with its own catalogue");
  EXPECT_TRUE(f.client->sent.empty());
}

TEST(IndiMount, NoServerOrALostOneShowsTheMessageAndTheNextCallTriesAgain) {
  IndiMountFixture f;
  f.client->serverUp = false;
  f.mount->startMove(Direction::East, MoveRate::Find);
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>{"Sorry. No Connection to Telescope"});
  EXPECT_EQ(f.mount->infoLines()[1], "no INDI server answers at h:7624");
  EXPECT_FALSE(f.program.telescope.moving);

  f.client->serverUp = true;
  f.client->answers["EQUATORIAL_EOD_COORD"] = {
      ScriptedIndiClient::event("EQUATORIAL_EOD_COORD", IndiState::Busy)};
  f.mount->goTo(SkyCoordinates{5, 0, 10, 0});
  EXPECT_TRUE(f.mount->slewing());
  f.client->pending.push_back({IndiEvent::Kind::ServerLost, {}, {}});
  const std::uint32_t t0 = f.clock.nowMs();
  EXPECT_FALSE(f.mount->waitWhileBusy("Mount", "EQUATORIAL_EOD_COORD", 60'000));
  EXPECT_LT(f.clock.nowMs() - t0, 100u);
  EXPECT_EQ(f.ui.messageTexts().size(), 2u);
  EXPECT_EQ(f.mount->infoLines()[1], "INDI server h:7624 lost");
}

TEST(IndiMount, ChosenByThePreferencesOverTheSettingsFilesDrive) {
  test::ProgramFixture f;
  auto& p = f.program.preferences;
  EXPECT_FALSE(telescopeDriveChosen(f.program));
  p.indiEnabled = true;
  p.indiMount = "Mount";
  // Without a client to talk through (the rig gives one) there is no INDI mount.
  EXPECT_FALSE(telescopeDriveChosen(f.program));
  f.program.telescope.makeIndiClient = [] { return std::make_unique<ScriptedIndiClient>(); };
  EXPECT_TRUE(telescopeDriveChosen(f.program));
  EXPECT_NE(dynamic_cast<IndiMount*>(&chosenMount(f.program)), nullptr);
  p.indiEnabled = false;
  EXPECT_EQ(dynamic_cast<IndiMount*>(&chosenMount(f.program)), nullptr);
  EXPECT_EQ(f.program.settings.guideOutputMode, settings::GuideOutputMode::None);
}

}  // namespace
}  // namespace nvk::scope
