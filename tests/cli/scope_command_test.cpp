#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/pty_mount.h"
#include "sim/simulated_devices.h"
#include "sim/sky_mount.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace nvk::cli {
namespace {

using test::CliRun;

TEST(ScopeCommandTest, GoToMessier31ThroughThePseudoTerminal) {
  test::TempDir root;
  const CliRun r = test::cliRun(root, {"--simulate", "scope", "goto", "messier", "31"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Info from Scope: M31 RA 00:42.7 DEC +41*16\n"
            "Slew reply: \n"
            "Mount: RA 00h42m42.0s Dec +41d16'00\" focuser 0\n");
}

TEST(ScopeCommandTest, TheSessionsSimulatedMountStaysAttachedAndDrivesTheSky) {
  test::TempDir root;
  std::ostringstream out, err;
  CliSession session(CliOptions{root.path(), true, false}, out, err);
  platform::PtyMount* mount = session.simulatedMount();
  ASSERT_NE(mount, nullptr);
  EXPECT_EQ(session.simulatedMount(), mount);
  const std::vector<std::string> args{"goto", "messier", "31"};
  ASSERT_EQ(runScopeCommand(session, args), 0) << err.str();
  const auto m31 = sim::lookUpObject('m', 31);
  const sim::SkyPoint centre = sim::skyPixelOf(m31->position, m31->position, 1.5);
  // The command waited for the slew to land; the main sensor's centre is on M31 (give or take
  // the drift since).
  EXPECT_NEAR(session.simulator()->sky().pointingX(), centre.x - 1516.0, 1.0);
  EXPECT_NEAR(session.simulator()->sky().pointingY(), centre.y - 1008.0, 1.0);
  // Without --simulate there is none.
  CliSession real(CliOptions{root.path(), false, false}, out, err);
  EXPECT_EQ(real.simulatedMount(), nullptr);
}

// A GoTo the mount refused (its slew reply gives the reason) once ended with status 0, so a
// script could not tell it from a slew; the tool now prints the reply and exits with 1. A GoTo to
// coordinates read its reply too early to tell, and ended with 0 too.
TEST(ScopeCommandTest, AGoToTheMountRefusesEndsWithAFailure) {
  test::TempDir root;
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--simulate", "scope", "goto", "planet", "pluto"},
           {"--simulate", "scope", "goto", "radec", "02:00", "-80:00"}}) {
    const CliRun r = test::cliRun(root, args);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("Slew reply: 1Object Below Horizon"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "scope: the mount refused the GoTo: 1Object Below Horizon \n");
    // The mount stayed where it was parked.
    EXPECT_NE(r.out.find("Mount: RA 02h00m00.0s Dec +52d00'00\""), std::string::npos) << r.out;
  }
}

TEST(ScopeCommandTest, TimedMovesAndFocusMoveTheSimulatedMount) {
  test::TempDir root;
  ASSERT_EQ(test::cliRun(root, {"settings", "set", "guideOutputMode", "l"}).status, 0);
  CliRun r = test::cliRun(root, {"--simulate", "scope", "move", "e", "4000"});
  EXPECT_EQ(r.status, 0) << r.err;
  // Four seconds east at guide rate: 60 arcsec of R.A., 4 seconds of time, and the simulated
  // drift and periodic error of those seconds (under an arcsecond).
  EXPECT_NE(r.out.find("Mount: RA 02h00m04.1s Dec +52d00'00\""), std::string::npos) << r.out;

  r = test::cliRun(root, {"--simulate", "scope", "focus", "out", "1500"});
  EXPECT_EQ(r.status, 0) << r.err;
  // Slow focus from the move command (62 ms after the speed) to the stop, 1562 ms later.
  EXPECT_NE(r.out.find("focuser -31\n"), std::string::npos) << r.out;
}

TEST(ScopeCommandTest, TheCameraRouteReachesTheMountThroughTheSimulatedCamera) {
  test::TempDir root;
  ASSERT_EQ(test::cliRun(root, {"settings", "set", "serialRoute", "1"}).status, 0);
  CliRun r = test::cliRun(root, {"--simulate", "scope", "goto", "messier", "13"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Info from Scope: M13 RA 16:41.7 DEC +36*28\nSlew reply: \n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Mount: RA 16h41m42.0s Dec +36d28'00\""), std::string::npos) << r.out;

  // The autoguider socket on the camera's guide outputs: two seconds north at guide rate.
  ASSERT_EQ(test::cliRun(root, {"settings", "set", "guideOutputMode", "b"}).status, 0);
  r = test::cliRun(root, {"--simulate", "scope", "move", "n", "2000"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Dec +52d00'30\""), std::string::npos) << r.out;
}

// Bad words show the usage (2); objects and co-ordinates out of range are refused (1).
TEST(ScopeCommandTest, BadWordsAndOutOfRangeTargetsAreRefused) {
  test::TempDir root;
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;
  } cases[] = {
      {{"scope"}, 2, ""},
      {{"scope", "move", "x", "100"}, 2, ""},
      {{"scope", "move", "e", "-5"}, 2, ""},
      {{"scope", "focus", "up", "100"}, 2, ""},
      {{"scope", "goto", "planet", "Vulcan"}, 2, ""},
      {{"scope", "goto", "radec", "2300", "+10:00"}, 2, ""},
      {{"--simulate", "scope", "goto", "messier", "111"}, 1, "Object out of range - try again"},
      {{"--simulate", "scope", "goto", "cngc", "7816"}, 1, "Object out of range - try again"},
      {{"--simulate", "scope", "goto", "radec", "24:00", "+10:00"}, 1, "Invalid Co-ordinates set."},
  };
  for (const auto& c : cases) {
    const CliRun r = test::cliRun(root, c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(ScopeCommandTest, AMissingSerialDeviceIsReported) {
  test::TempDir root;
  ASSERT_EQ(test::cliRun(root, {"settings", "set", "guideOutputMode", "l"}).status, 0);
  {
    std::ofstream map(root.path() / "comports.txt");
    map << "COM1=" << (root.path() / "no-such-port").string() << "\n";
  }
  const CliRun r = test::cliRun(root, {"scope", "move", "n", "100"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Open Communications Failed"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace nvk::cli
