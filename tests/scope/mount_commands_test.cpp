#include "scope/mount_commands.h"
#include "scope/mount_factory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "scope/lx200_mount.h"
#include "scope/move_telescope_dialog.h"
#include "scope/scope_fixture.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

using test::LinkEvent;
using test::LinkLog;

struct MountCommandsTest : test::ScopeFixture {
  MountCommandsTest() { program.settings.guideOutputMode = settings::GuideOutputMode::Lx200; }
};

// The edge cases send the same bytes whichever way the mount is reached: as camera serial
// writes, or as writes on the PC port.
TEST_F(MountCommandsTest, EdgeCasesSendTheSameBytesOnBothRoutes) {
  struct Case {
    const char* what;
    std::function<void(app::Program&)> act;
    std::vector<std::string> sent;
  };
  auto dialogGoTo = [](const char* messier, const char* cngc) {
    return [=](app::Program& p) {
      TMTDialog d(p);
      d.messierText = messier;
      d.cngcText = cngc;
      d.goToObject();
    };
  };
  auto dialogCoordinates = [](const char* h, const char* m, const char* deg, const char* min) {
    return [=](app::Program& p) {
      TMTDialog d(p);
      d.raHoursText = h;
      d.raMinutesText = m;
      d.decDegreesText = deg;
      d.decMinutesText = min;
      d.goToCoordinates();
    };
  };
  auto swapped = [](app::Program& p) {
    std::swap(p.settings.directionLetters.east, p.settings.directionLetters.west);
  };
  const Case cases[] = {
      {"Messier 0 with CNGC 7815", dialogGoTo("0", "7815"), {"#:LC 7815#", "#:LI#", "#:MS#"}},
      {"Messier 111 with CNGC 0", dialogGoTo("111", "0"), {}},
      {"RA 23 59, Dec -5 30",
       dialogCoordinates("23", "59", "-5", "30"),
       {"#:Sr 23:59.0", "#:Sd -05*30", "#:LI#", "#:MS#"}},
      {"Dec -0 30",
       dialogCoordinates("1", "2", "-0", "30"),
       {"#:Sr 01:02.0", "#:Sd +00*30", "#:LI#", "#:MS#"}},
      {"held right arrow with e/w swapped",
       [&](app::Program& p) {
         swapped(p);
         TMTDialog d(p);
         for (int repeat = 0; repeat < 4; ++repeat)
           d.pressArrow(Arrow::Right);
         d.releaseArrow();
         swapped(p);
       },
       {"#:RS#", "#:Mw#", "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"}},
      {"guide correction east with e/w swapped",
       [&](app::Program& p) {
         swapped(p);
         guidePulseToward(chosenMount(p), p.settings.directionLetters.east, 100);
         swapped(p);
       },
       {"#:RG#", "#:Mw#", "#:Qw#"}},
  };
  for (const bool pcRoute : {false, true}) {
    for (const Case& c : cases) {
      if (pcRoute) {
        usePcRoute();
      } else {
        useCameraRoute();
      }
      log.clear();
      c.act(program);
      std::vector<std::string> sent;
      for (const auto& e : log) {
        if (!pcRoute && e.call == "camera-write") sent.push_back(e.bytes.substr(2));
        if (pcRoute && e.call == "puts") sent.push_back(e.bytes);
      }
      EXPECT_EQ(sent, c.sent) << c.what << (pcRoute ? " on the PC port" : " on the camera");
    }
  }
}

// The last row runs across the wrap of the millisecond counter.
TEST_F(MountCommandsTest, Lx200TimedMoveOnTheCameraRouteKeepsExactTimes) {
  useCameraRoute(1);
  struct Row {
    char letter;
    int durationMs;
    std::uint32_t startMs = 0;  // 0: where the last row left the clock
  };
  for (const Row& r :
       {Row{'e', 250}, Row{'w', 1}, Row{'n', 0}, Row{'s', 4000}, Row{'n', 100, 0xFFFFFFF0u}}) {
    log.clear();
    if (r.startMs != 0) clock.advanceMs(r.startMs - clock.nowMs());
    const std::uint32_t start = clock.nowMs();
    guidePulseToward(chosenMount(program), r.letter, r.durationMs);
    const std::string move = std::string("1:#:M") + r.letter + '#';
    const std::string quit = std::string("1:#:Q") + r.letter + '#';
    const auto d = static_cast<std::uint32_t>(r.durationMs);
    EXPECT_EQ(log, (LinkLog{{start, "camera-write", "1:#:RG#"},
                            {start + 20, "camera-write", move},
                            {start + 20 + d, "camera-write", quit}}));
    EXPECT_EQ(clock.nowMs(), start + 24 + d);
  }
}

TEST_F(MountCommandsTest, Lx200TimedMoveOnThePcRouteCarriesTheWritesWaits) {
  usePcRoute();
  program.telescope.pcPortOpen = true;
  pcPort.reset(0, 1024, 1024);
  // The rate command's 62 ms of waits outlast the 20 ms lead; a pulse shorter than a write's
  // waits lasts as long as those waits.
  for (const auto& [durationMs, moveLength] : {std::pair{100, 100u}, {30, 62u}}) {
    log.clear();
    const std::uint32_t start = clock.nowMs();
    guidePulseToward(chosenMount(program), 'e', durationMs);
    EXPECT_EQ(traffic(), (LinkLog{{start, "puts", "#:RG#"},
                                  {start + 62, "puts", "#:Me#"},
                                  {start + 62 + moveLength, "puts", "#:Qe#"}}));
    EXPECT_EQ(clock.nowMs(), start + 62 + moveLength + 62 + 4);
  }
}

TEST_F(MountCommandsTest, SocketTimedMoveHoldsOneLineForTheDuration) {
  program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  useCameraRoute();
  struct Row {
    char letter;
    const char* bits;
  };
  for (const Row& r : {Row{'w', "1"}, Row{'s', "2"}, Row{'n', "4"}, Row{'e', "8"}}) {
    log.clear();
    const std::uint32_t start = clock.nowMs();
    guidePulseToward(chosenMount(program), r.letter, 500);
    EXPECT_EQ(
        log, (LinkLog{{start + 10, "guide-outputs", r.bits}, {start + 510, "guide-outputs", "0"}}));
    EXPECT_EQ(clock.nowMs(), start + 810);
  }
  // Mode None also drives the socket.
  program.settings.guideOutputMode = settings::GuideOutputMode::None;
  log.clear();
  guidePulseToward(chosenMount(program), 'e', 50);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].call, "guide-outputs");
}

TEST_F(MountCommandsTest, SocketPulseThroughThePcPortIsOneByteAt300Baud) {
  program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  usePcRoute(true);
  guidePulseToward(chosenMount(program), 'n', 200);
  EXPECT_EQ(log, (LinkLog{{10, "reset", "1024/1024"},
                          {10, "baud", "300"},
                          {10, "dtr", "on"},
                          {10, "rts", "on"},
                          {10, "8n1", ""},
                          {10, "putc", "\x04"},
                          {210, "putc", std::string(1, '\0')}}));
  EXPECT_EQ(clock.nowMs(), 210u + 12u + 300u);
}

TEST_F(MountCommandsTest, UnknownLettersSendNothing) {
  useCameraRoute();
  guidePulseToward(chosenMount(program), 'x', 100);
  program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  guidePulseToward(chosenMount(program), 'T', 100);
  EXPECT_TRUE(log.empty());
}

TEST_F(MountCommandsTest, CatalogueAndCoordinateCommandsAsWrittenByHand) {
  useCameraRoute();
  struct Row {
    std::function<void(app::Program&)> act;
    std::size_t index;  // of the write to check
    const char* command;
  };
  auto catalogue = [](CatalogueKind kind, int n) {
    return [=](app::Program& p) { chosenMount(p).goTo(CatalogueObject{kind, n}); };
  };
  auto dec = [](int degrees, int minutes) {
    return [=](app::Program& p) { chosenMount(p).goTo(SkyCoordinates{0, 0, degrees, minutes}); };
  };
  const Row rows[] = {{catalogue(CatalogueKind::Messier, 1), 0, "0:#:LM 0001#"},
                      {catalogue(CatalogueKind::Messier, 110), 0, "0:#:LM 0110#"},
                      {catalogue(CatalogueKind::Star, 905), 0, "0:#:LS 0905#"},
                      {catalogue(CatalogueKind::Cngc, 42), 0, "0:#:LC 0042#"},
                      {dec(0, 30), 1, "0:#:Sd +00*30"},
                      {dec(-89, 59), 1, "0:#:Sd -89*59"},
                      {dec(89, 0), 1, "0:#:Sd +89*00"},
                      {dec(-1, 0), 1, "0:#:Sd -01*00"}};
  for (const Row& r : rows) {
    log.clear();
    r.act(program);
    EXPECT_EQ(log.at(r.index).bytes, r.command);
  }
}

// A GoTo selects (or sets the coordinates), asks, slews, and reads the mount's answer 500 ms
// after "#:MS#", with its reason when it refuses. Regression: the slew reply of a coordinate
// GoTo was read 1 ms after "#:MS#", before the mount could answer and behind the unread answers
// to the coordinates and "#:LI#", so a refusal went unseen.
TEST_F(MountCommandsTest, AGoToReadsTheMountsAnswerAndItsReason) {
  useCameraRoute();
  const std::string m31 = "M31 RA 00:42.7 DEC +41*16";
  const struct {
    bool coordinates;
    std::vector<std::string> replies;
    std::string info0, reason;
  } cases[] = {{false, {m31 + "#", "0"}, m31, ""},
               {false, {m31 + "#", "1", "Object Below Horizon #"}, m31, "Object Below Horizon "},
               {true, {"11#", "0"}, "", ""},
               {true, {"11#", "1", "Object Below Horizon #"}, "", "Object Below Horizon "}};
  for (const auto& c : cases) {
    log.clear();
    for (const auto& r : c.replies)
      camera.reply(r);
    program.telescope.infoLines = {"old", "old"};
    const std::uint32_t t = clock.nowMs();
    LinkLog expected;
    if (c.coordinates) {
      chosenMount(program).goTo(SkyCoordinates{23, 59, -5, 30});
      expected = {{t, "camera-write", "0:#:Sr 23:59.0"}, {t, "camera-write", "0:#:Sd -05*30"}};
    } else {
      chosenMount(program).goTo(CatalogueObject{CatalogueKind::Cngc, 7815});
      expected = {{t, "camera-write", "0:#:LC 7815#"}};
    }
    expected.insert(expected.end(), {{t, "camera-write", "0:#:LI#"},
                                     {t + 200, "camera-read", "0:33"},
                                     {t + 200, "camera-write", "0:#:MS#"},
                                     {t + 700, "camera-read", "0:1"}});
    if (!c.reason.empty()) expected.push_back({t + 700, "camera-read", "0:33"});
    EXPECT_EQ(log, expected);
    EXPECT_EQ(program.telescope.infoLines[0], c.info0);
    EXPECT_EQ(program.telescope.infoLines[1], c.reason);
  }
  EXPECT_EQ(ui.beeps(), 4);
}

TEST_F(MountCommandsTest, OnThePcRouteTheRepliesAreWhateverArrived) {
  usePcRoute();
  pcPort.arrive("M31 RA 00:42.7 DEC +41*16#");
  pcPort.arrive("1Object Below Horizon #");
  chosenMount(program).goTo(CatalogueObject{CatalogueKind::Messier, 31});
  EXPECT_EQ(traffic(), (LinkLog{{0, "puts", "#:LM 0031#"},
                                {62, "puts", "#:LI#"},
                                {324, "gets", "50"},
                                {324, "rxclear", ""},
                                {324, "puts", "#:MS#"},
                                {886, "gets", "50"},
                                {886, "rxclear", ""}}));
  EXPECT_EQ(program.telescope.infoLines[0], "M31 RA 00:42.7 DEC +41*16");
  EXPECT_EQ(program.telescope.infoLines[1], "1Object Below Horizon ");
}

TEST_F(MountCommandsTest, AHeldFocusArrowSendsSpeedAndDirectionOnceAndOneStop) {
  useCameraRoute();
  for (const auto& [direction, command] :
       {std::pair{FocusDirection::In, "0:#:F+#"}, {FocusDirection::Out, "0:#:F-#"}}) {
    log.clear();
    Mount& mount = chosenMount(program);
    mount.startFocus(direction, program.telescope.focusSpeed());
    mount.startFocus(direction, program.telescope.focusSpeed());
    mount.stopFocus();
    mount.stopFocus();
    EXPECT_EQ(log, (LinkLog{{0, "camera-write", "0:#:FS#"},
                            {0, "camera-write", command},
                            {0, "camera-write", "0:#:FQ#"}}));
  }
}

// The program's mount follows the drive of the settings: a pulse after the defaults dialog
// changed the drive goes the new way, not through the mount made before.
TEST_F(MountCommandsTest, TheProgramsMountFollowsAChangeOfDrive) {
  useCameraRoute();
  struct Row {
    settings::GuideOutputMode drive;
    const char* firstCall;
  };
  for (const Row& r : {Row{settings::GuideOutputMode::Lx200, "camera-write"},
                       Row{settings::GuideOutputMode::AutoguiderSocket, "guide-outputs"},
                       Row{settings::GuideOutputMode::Lx200, "camera-write"}}) {
    program.settings.guideOutputMode = r.drive;
    log.clear();
    guidePulseToward(chosenMount(program), 'n', 10);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().call, r.firstCall);
  }
}

// The autoguider socket has lines only: GoTo and the focuser answer that the drive cannot,
// and nothing reaches the mount.
TEST_F(MountCommandsTest, TheSocketAnswersGoToAndFocusAsNotAvailable) {
  program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  for (const bool pcRoute : {false, true}) {
    if (pcRoute) {
      usePcRoute(true);
    } else {
      useCameraRoute();
    }
    log.clear();
    Mount& mount = chosenMount(program);
    EXPECT_FALSE(mount.goToAvailable());
    EXPECT_FALSE(mount.focuserAvailable());
    EXPECT_EQ(mount.goTo(CatalogueObject{CatalogueKind::Messier, 31}).status,
              MountStatus::NotAvailable);
    EXPECT_EQ(mount.goTo(SkyCoordinates{1, 2, 3, 4}).status, MountStatus::NotAvailable);
    EXPECT_EQ(mount.startFocus(FocusDirection::In, FocusSpeed::Fast), MountStatus::NotAvailable);
    mount.stopFocus();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(ui.beeps(), 0);
  }
}

// An LX200 answers "#:GR#" and "#:GD#" in the precision it is set to; the degree sign of a real
// mount is byte 0xDF.
TEST(Lx200Answers, PositionsReadInEitherPrecisionAndNothingElse) {
  const struct {
    const char* answer;
    std::optional<double> ra;
    std::optional<double> dec;
  } cases[] = {
      {"02:30.5", 2.0 + 30.5 / 60, std::nullopt},
      {"23:59:59", 23.0 + 59.0 / 60 + 59.0 / 3600, std::nullopt},
      {"00:00.0", 0.0, std::nullopt},
      {"24:00.0", std::nullopt, std::nullopt},
      {"12:60.0", std::nullopt, std::nullopt},
      {"12:30:60", std::nullopt, std::nullopt},
      {"12:30.", std::nullopt, std::nullopt},
      {"+52*07", std::nullopt, 52.0 + 7.0 / 60},
      {"-05\xDF"
       "27:03",
       std::nullopt, -(5.0 + 27.0 / 60 + 3.0 / 3600)},
      {"-00*30", std::nullopt, -0.5},
      {"+90*00:00", std::nullopt, 90.0},
      {"-90:00", std::nullopt, -90.0},
      {"+90*01", std::nullopt, std::nullopt},
      {"52*07", std::nullopt, std::nullopt},
      {"+52#07", std::nullopt, std::nullopt},
      {"+52*07:0", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    const auto ra = lx200RaHours(c.answer);
    const auto dec = lx200DecDegrees(c.answer);
    ASSERT_EQ(ra.has_value(), c.ra.has_value());
    ASSERT_EQ(dec.has_value(), c.dec.has_value());
    if (ra) {
      EXPECT_NEAR(*ra, *c.ra, 1e-12);
    }
    if (dec) {
      EXPECT_NEAR(*dec, *c.dec, 1e-12);
    }
  }
}

// The position is two questions, each answer read once after the line's answer time, on either
// route; the PC port is opened for them when it is not yet.
TEST_F(MountCommandsTest, TheReportedPositionIsAskedOnEitherRoute) {
  useCameraRoute(1);
  program.telescope.telescopeConnected = true;
  camera.reply("02:30.5#");
  camera.reply("-00*30#");
  auto position = chosenMount(program).reportedPosition();
  ASSERT_TRUE(position);
  EXPECT_NEAR(position->raHours, 2.0 + 30.5 / 60, 1e-12);
  EXPECT_NEAR(position->decDegrees, -0.5, 1e-12);
  EXPECT_EQ(log, (LinkLog{{0, "camera-write", "1:#:GR#"},
                          {50, "camera-read", "1:33"},
                          {50, "camera-write", "1:#:GD#"},
                          {100, "camera-read", "1:33"}}));

  log.clear();
  usePcRoute();
  pcPort.arrive("23:59:59#");
  pcPort.arrive(
      "+89\xDF"
      "59:59#");
  position = chosenMount(program).reportedPosition();
  ASSERT_TRUE(position);
  EXPECT_NEAR(position->raHours, 23.0 + 59.0 / 60 + 59.0 / 3600, 1e-12);
  EXPECT_NEAR(position->decDegrees, 89.0 + 59.0 / 60 + 59.0 / 3600, 1e-12);
  EXPECT_TRUE(pcPort.isOpen());
  EXPECT_EQ(traffic(), (LinkLog{{100, "rxclear", ""},
                                {100, "puts", "#:GR#"},
                                {162, "gets", "50"},
                                {162, "rxclear", ""},
                                {162, "rxclear", ""},
                                {162, "puts", "#:GD#"},
                                {224, "gets", "50"},
                                {224, "rxclear", ""}}));
  EXPECT_TRUE(ui.messages().empty());
}

// Asked as an exposure starts, the position must never hold the exposure up or stop it: a mount
// that does not answer, answers nonsense or sits behind a port that will not open gives no
// position after one question and one answer time, with no message; the socket and an unchosen
// drive are not asked at all.
TEST_F(MountCommandsTest, AMountThatDoesNotAnswerGivesNoPositionQuietlyAndQuickly) {
  const struct {
    const char* what;
    settings::GuideOutputMode drive;
    bool pcRoute;
    const char* answer;       // nullptr: none
    const char* failingCall;  // a PC port call that fails
    std::uint32_t mostMs;
    std::size_t questions;
  } cases[] = {
      {"silent, PC port", settings::GuideOutputMode::Lx200, true, nullptr, nullptr, 62, 1},
      {"silent, camera port", settings::GuideOutputMode::Lx200, false, nullptr, nullptr, 50, 1},
      {"no '#'", settings::GuideOutputMode::Lx200, true, "02:30.5", nullptr, 62, 1},
      {"nonsense", settings::GuideOutputMode::Lx200, false, "0#", nullptr, 50, 1},
      {"port fails to open", settings::GuideOutputMode::Lx200, true, nullptr, "8n1", 0, 0},
      {"write fails", settings::GuideOutputMode::Lx200, true, nullptr, "puts", 0, 1},
      {"socket", settings::GuideOutputMode::AutoguiderSocket, true, "02:30.5#", nullptr, 0, 0},
      {"no drive", settings::GuideOutputMode::None, false, "02:30.5#", nullptr, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    program.settings.guideOutputMode = c.drive;
    program.telescope.pcPortOpen = false;
    if (c.pcRoute) {
      usePcRoute();
      if (c.answer) pcPort.arrive(c.answer);
    } else {
      useCameraRoute();
      if (c.answer) camera.reply(c.answer);
    }
    if (c.failingCall) pcPort.failNext(c.failingCall, -5);
    log.clear();
    const std::uint32_t t0 = clock.nowMs();
    EXPECT_FALSE(chosenMount(program).reportedPosition().has_value());
    EXPECT_LE(clock.nowMs() - t0, c.mostMs);
    std::size_t questions = 0;
    for (const auto& e : log)
      questions += e.bytes.ends_with("#:GR#") ? 1 : 0;
    EXPECT_EQ(questions, c.questions);
    for (const auto& e : log)
      EXPECT_FALSE(e.bytes.ends_with("#:GD#"));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.beeps(), 0);
  }
}

TEST_F(MountCommandsTest, ConnectTelescopeTakesThePortIndexOnce) {
  program.settings.telescopePortIndex = 1;
  ASSERT_EQ(program.saveSettingsFile(), settings::SettingsStatus::Ok);
  program.settings.telescopePortIndex = 0;
  EXPECT_EQ(ConnectTelescope(program, true), ConnectResult::Connected);
  EXPECT_EQ(program.telescope.portIndex, 1);
  EXPECT_TRUE(program.telescope.telescopeConnected);
  EXPECT_EQ(log, (LinkLog{{0, "connect", ""}}));
  // Connected: nothing runs again.
  program.settings.telescopePortIndex = 0;
  EXPECT_EQ(ConnectTelescope(program, true), ConnectResult::Connected);
  EXPECT_EQ(program.telescope.portIndex, 1);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(MountCommandsTest, TelescopeControlNeedsACameraButGuidingDoesNot) {
  camera.cameraPresent = false;
  EXPECT_EQ(ConnectTelescope(program, true), ConnectResult::CameraNotFound);
  EXPECT_FALSE(program.telescope.telescopeConnected);
  EXPECT_EQ(ui.messageTexts().back(), "Sorry, Camera not found");
  EXPECT_EQ(ConnectTelescope(program, false), ConnectResult::Connected);
  EXPECT_TRUE(program.telescope.telescopeConnected);
}

TEST_F(MountCommandsTest, AnUnreadableSettingsFileIsReportedAndRewritten) {
  const auto file = program.paths().settingsFile();
  std::filesystem::create_directories(file.parent_path());
  { std::ofstream(file, std::ios::binary) << "ab"; }
  EXPECT_EQ(ConnectTelescope(program, false), ConnectResult::Connected);
  EXPECT_EQ(ui.messageTexts().front(), "Unable to load INI file, please delete and try again");
  EXPECT_GT(std::filesystem::file_size(file), 2u);
}

}  // namespace
}  // namespace nvk::scope
