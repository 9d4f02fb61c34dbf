// The INDI mount against indiserver with Debian's telescope and focuser simulators, on the
// machine's clock: every wait ends on an event (a property report, the server's socket) or a
// time-out.

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "indi/indi_server.h"
#include "platform/indi_client_libindi.h"
#include "platform/real_clock.h"
#include "port/scripted_ui.h"
#include "rig/rig.h"
#include "scope/indi_mount.h"
#include "scope/mount_factory.h"
#include "scope/move_telescope_dialog.h"
#include "support/temp_dir.h"

namespace nvk::scope {
namespace {

constexpr const char* kMount = "Telescope Simulator";
constexpr const char* kFocuser = "Focuser Simulator";
constexpr const char* kCoordinates = "EQUATORIAL_EOD_COORD";
constexpr std::uint32_t kSlewMs = 180'000;
constexpr std::uint32_t kReportMs = 5'000;

class IndiMountTest : public ::testing::Test {
 public:
  void SetUp() override {
    if (!test::onPath("indiserver") || !test::onPath("indi_simulator_telescope") ||
        !test::onPath("indi_simulator_focus"))
      GTEST_SKIP() << "indi-bin is not installed";
    port_ = test::freeLoopbackPort();
    server_ = std::make_unique<test::IndiServerProcess>(
        home_.path(), port_,
        std::vector<std::string>{"indi_simulator_telescope", "indi_simulator_focus"});
    ASSERT_TRUE(serverReady()) << "indiserver did not start";
    rig_ = std::make_unique<rig::Rig>(
        rig::RigOptions{root_.path(), false, rig::ClockKind::Real, &clock_}, ui_);
    useServer(port_, kMount);
  }

  void useServer(int port, const std::string& mount) {
    auto& p = program().preferences;
    p.indiEnabled = true;
    p.indiHost = "127.0.0.1";
    p.indiPort = port;
    p.indiMount = mount;
    p.indiFocuser = kFocuser;
  }

  // Waits until the server takes connections.
  bool serverReady() {
    const std::uint32_t end = clock_.nowMs() + 10'000;
    while (server_->started() && !port::msReached(clock_.nowMs(), end)) {
      if (test::acceptingOn(port_)) return true;
      clock_.waitMs(20);
    }
    return false;
  }

  app::Program& program() { return rig_->program(); }
  IndiMount& mount() {
    auto* indi = dynamic_cast<IndiMount*>(&chosenMount(program()));
    EXPECT_NE(indi, nullptr);
    return *indi;
  }
  EquatorialPosition position() {
    return mount().reportedPosition().value_or(EquatorialPosition{});
  }
  // The next report of the coordinates (the simulator reports them every poll).
  EquatorialPosition nextPosition() {
    mount().awaitAnswer(kMount, kCoordinates, kReportMs);
    return position();
  }
  bool slewEnds() { return mount().waitWhileBusy(kMount, kCoordinates, kSlewMs); }
  std::string lines() { return mount().infoLines()[0] + " / " + mount().infoLines()[1]; }
  void goToTyped(const char* ra, const char* raMinutes, const char* dec, const char* decMinutes) {
    TMTDialog dialog(program());
    dialog.raHoursText = ra;
    dialog.raMinutesText = raMinutes;
    dialog.decDegreesText = dec;
    dialog.decMinutesText = decMinutes;
    dialog.goToCoordinates();
  }

  platform::RealClock clock_;
  port::ScriptedUi ui_;
  test::TempDir home_;
  test::TempDir root_;
  int port_ = 0;
  std::unique_ptr<test::IndiServerProcess> server_;
  std::unique_ptr<rig::Rig> rig_;
};

TEST_F(IndiMountTest, GoToMessierAndTypedCoordinatesLandOnTheTargetCarriedToTheDate) {
  const struct {
    const char* what;
    std::function<void(IndiMountTest&)> goTo;
    EquatorialPosition j2000;
  } cases[] = {
      {"M42",
       [](IndiMountTest& t) {
         TMTDialog dialog(t.program());
         dialog.messierText = "42";
         dialog.goToObject();
       },
       *messierJ2000(42)},
      {"03:00 +20:00", [](IndiMountTest& t) { t.goToTyped("3", "0", "20", "0"); }, {3.0, 20.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.goTo(*this);
    EXPECT_EQ(mount().infoLines()[1], "");
    EXPECT_NE(mount().infoLines()[0].find("slewing"), std::string::npos);
    ASSERT_TRUE(slewEnds()) << lines();
    const auto target = precessToDate(c.j2000, clock_.wallSeconds());
    const double missArcmin = separationArcmin(nextPosition(), target);
    RecordProperty(std::string("miss_arcmin_") + c.what, std::to_string(missArcmin));
    std::printf("GoTo %s: %.3f arcmin from the target of the date\n", c.what, missArcmin);
    EXPECT_LT(missArcmin, 1.0);
    EXPECT_NE(mount().infoLines()[0].find("arrived"), std::string::npos);
  }
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(IndiMountTest, NorthPulseMovesTheDecByTheGuideRateTheMountReports) {
  goToTyped("4", "0", "0", "0");
  ASSERT_TRUE(slewEnds()) << lines();
  const auto* rates = mount().property(kMount, "GUIDE_RATE");
  ASSERT_NE(rates, nullptr);
  const double expectedArcsec = rates->number("GUIDE_RATE_NS").value_or(0.0) * 15.041;
  const auto before = nextPosition();
  mount().guidePulse(Direction::North, 1000);
  const auto after = nextPosition();
  const double movedArcsec = std::fabs(after.decDegrees - before.decDegrees) * 3600.0;
  std::printf("1 s north pulse: Dec moved %+.2f\" (guide rate %.2f\"/s)\n",
              (after.decDegrees - before.decDegrees) * 3600.0, expectedArcsec);
  EXPECT_NEAR(movedArcsec, expectedArcsec, 0.1 * expectedArcsec);
}

TEST_F(IndiMountTest, HeldArrowMovesTheMountAndReleaseStopsIt) {
  goToTyped("4", "0", "10", "0");
  ASSERT_TRUE(slewEnds()) << lines();
  TMTDialog dialog(program());
  dialog.setRate(MoveRate::Find);
  const auto before = nextPosition();
  dialog.pressArrow(Arrow::Up);
  clock_.waitMs(2000);
  dialog.releaseArrow();
  const auto released = nextPosition();
  const auto later = nextPosition();
  const auto settled = nextPosition();
  std::printf("arrow held 2 s: moved %.2f', then %.3f' after release\n",
              separationArcmin(before, released), separationArcmin(later, settled));
  EXPECT_GT(separationArcmin(before, released), 1.0);
  EXPECT_LT(separationArcmin(later, settled), 0.05);
}

TEST_F(IndiMountTest, FocuserMovesOutAndBack) {
  ASSERT_TRUE(mount().connect());
  ASSERT_TRUE(mount().focuserAvailable());
  const double start = mount().focuserPosition().value_or(-1);
  auto move = [&](FocusDirection direction) {
    ASSERT_EQ(mount().startFocus(direction, FocusSpeed::Fast), MountStatus::Done);
    clock_.waitMs(1000);
    mount().stopFocus();
    mount().awaitAnswer(kFocuser, "REL_FOCUS_POSITION", kReportMs);
    mount().waitWhileBusy(kFocuser, "ABS_FOCUS_POSITION", kReportMs);
  };
  move(FocusDirection::Out);
  const double out = mount().focuserPosition().value_or(-1);
  move(FocusDirection::In);
  const double back = mount().focuserPosition().value_or(-1);
  std::printf("focuser: %.0f, out to %.0f, back to %.0f\n", start, out, back);
  EXPECT_NEAR(out - start, 200.0, 5.0);
  EXPECT_NEAR(back, start, 5.0);
}

TEST_F(IndiMountTest, ServerStoppedMidSlewGivesTheMessageWithoutHanging) {
  goToTyped("12", "0", "-40", "0");
  ASSERT_NE(mount().infoLines()[0].find("slewing"), std::string::npos) << lines();
  server_->stop();
  const std::uint32_t t0 = clock_.nowMs();
  EXPECT_FALSE(slewEnds());
  EXPECT_LT(clock_.nowMs() - t0, kReportMs);
  ASSERT_EQ(ui_.messageTexts().size(), 1u);
  EXPECT_EQ(ui_.messageTexts()[0], "Sorry. No Connection to Telescope");
  EXPECT_NE(mount().infoLines()[1].find("lost"), std::string::npos);
  // The program stays usable: the next GoTo says at once that no server answers.
  goToTyped("1", "0", "0", "0");
  EXPECT_NE(mount().infoLines()[1].find("no INDI server"), std::string::npos);
}

TEST_F(IndiMountTest, MissingServerOrDeviceIsReported) {
  const struct {
    int port;
    const char* device;
    const char* reason;
  } cases[] = {
      {test::freeLoopbackPort(), kMount, "no INDI server answers"},
      {port_, "No Such Mount", "'No Such Mount' not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    useServer(c.port, c.device);
    const std::size_t before = ui_.messages().size();
    EXPECT_FALSE(mount().connect());
    EXPECT_EQ(ui_.messages().size(), before + 1);
    EXPECT_NE(mount().infoLines()[1].find(c.reason), std::string::npos) << mount().infoLines()[1];
  }
}

}  // namespace
}  // namespace nvk::scope
