// The INDI mount against indiserver with Debian's telescope and focuser simulators, on the
// machine's clock: every wait ends on an event (a property report, the server's socket) or a
// time-out.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/indi_client_libindi.h"
#include "platform/real_clock.h"
#include "port/scripted_ui.h"
#include "rig/rig.h"
#include "scope/indi_mount.h"
#include "scope/mount_factory.h"
#include "scope/move_telescope_dialog.h"
#include "support/temp_dir.h"

extern char** environ;

namespace nvk::scope {
namespace {

constexpr const char* kMount = "Telescope Simulator";
constexpr const char* kFocuser = "Focuser Simulator";
constexpr const char* kCoordinates = "EQUATORIAL_EOD_COORD";
constexpr std::uint32_t kSlewMs = 180'000;
constexpr std::uint32_t kReportMs = 5'000;

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const auto end = std::min(folders.find(':', start), folders.size());
    if (std::filesystem::exists(std::filesystem::path(folders.substr(start, end - start)) /
                                program))
      return true;
    start = end + 1;
  }
  return false;
}

// A TCP port on the loopback interface that nothing listens on now.
int freePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}

bool accepting(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return ok;
}

// indiserver with the two simulators, its configuration kept in a temporary home.
class IndiServer {
 public:
  IndiServer(const std::filesystem::path& home, int port) : port_(port) {
    const std::string portText = std::to_string(port);
    // The local socket (an abstract name) of its own, so that servers of other runs on this
    // machine do not stand in the way.
    const std::string socket = (home / ("indiserver-" + portText)).string();
    std::vector<std::string> args{
        "indiserver",          "-p", portText, "-u", socket, "indi_simulator_telescope",
        "indi_simulator_focus"};
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env{"HOME=" + home.string(), "PATH=" + std::string(getenv("PATH"))};
    std::vector<char*> envp;
    for (auto& e : env)
      envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "indiserver", &actions, nullptr, argv.data(), envp.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~IndiServer() { stop(); }

  // Waits until the server takes connections.
  bool ready(port::Clock& clock) {
    const std::uint32_t end = clock.nowMs() + 10'000;
    while (pid_ > 0 && !port::msReached(clock.nowMs(), end)) {
      if (accepting(port_)) return true;
      clock.waitMs(20);
    }
    return false;
  }
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  int port_;
  pid_t pid_ = -1;
};

class IndiMountTest : public ::testing::Test {
 public:
  void SetUp() override {
    if (!onPath("indiserver") || !onPath("indi_simulator_telescope") ||
        !onPath("indi_simulator_focus"))
      GTEST_SKIP() << "indi-bin is not installed";
    port_ = freePort();
    server_ = std::make_unique<IndiServer>(home_.path(), port_);
    ASSERT_TRUE(server_->ready(clock_)) << "indiserver did not start";
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
  std::unique_ptr<IndiServer> server_;
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
      {freePort(), kMount, "no INDI server answers"},
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
