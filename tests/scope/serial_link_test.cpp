#include "scope/serial_link.h"

#include <gtest/gtest.h>

#include "scope/guide_output_mount.h"
#include "scope/scope_fixture.h"

namespace nvk::scope {
namespace {

using test::LinkEvent;
using test::LinkLog;

struct SerialLinkTest : test::ScopeFixture {};

TEST_F(SerialLinkTest, OpenPcPortSetsQueuesBaudLinesAndFraming) {
  struct Row {
    settings::GuideOutputMode mode;
    const char* baud;
  };
  for (const Row& r :
       {Row{settings::GuideOutputMode::Lx200, "9600"}, Row{settings::GuideOutputMode::None, "9600"},
        Row{settings::GuideOutputMode::AutoguiderSocket, "300"}}) {
    log.clear();
    program.settings.guideOutputMode = r.mode;
    program.settings.pcComPort = 4;
    program.telescope.pcPortOpen = false;
    EXPECT_EQ(OpenPcPort(program), 1);
    EXPECT_TRUE(program.telescope.pcPortOpen);
    EXPECT_EQ(pcPort.comIndex(), 4);
    EXPECT_EQ(log, (LinkLog{{0, "reset", "1024/1024"},
                            {0, "baud", r.baud},
                            {0, "dtr", "on"},
                            {0, "rts", "on"},
                            {0, "8n1", ""}}));
  }
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SerialLinkTest, FailedFramingShowsTheCodeClosesThePortAndReportsOpenFailure) {
  pcPort.failNext("8n1", -11);
  EXPECT_EQ(OpenPcPort(program), 0);
  EXPECT_FALSE(program.telescope.pcPortOpen);
  EXPECT_FALSE(pcPort.isOpen());
  EXPECT_EQ(ui.messageTexts(),
            (std::vector<std::string>{"ERROR -11 ", "Open Communications Failed"}));
  EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ_USB");
  EXPECT_EQ(log.back(), (LinkEvent{0, "done", ""}));

  // The flag stayed clear, so the next send opens the port again and goes out.
  ui.clearRecord();
  usePcRoute();
  EXPECT_TRUE(SendSerial(program, 0, "#:Q#"));
  EXPECT_EQ(traffic().back(), (LinkEvent{0, "puts", "#:Q#"}));
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SerialLinkTest, AFailedResetGoesOnThroughTheSequenceOnAClosedPort) {
  pcPort.failNext("reset", -2);
  EXPECT_EQ(OpenPcPort(program), 0);
  // Each later step fails on the closed port and shows its own code.
  EXPECT_EQ(ui.messageTexts(),
            (std::vector<std::string>{"ERROR -2 ", "ERROR -3 ", "ERROR -3 ", "ERROR -3 ",
                                      "ERROR -3 ", "Open Communications Failed"}));
  EXPECT_FALSE(program.telescope.pcPortOpen);
}

TEST_F(SerialLinkTest, AFailedBaudAloneLeavesThePortUsableWhenTheFramingPasses) {
  pcPort.failNext("baud", -12);
  pcPort.failNext("dtr", 0);  // the port was closed by the check; these pretend it reopened
  pcPort.failNext("rts", 0);
  pcPort.failNext("8n1", 0);
  EXPECT_EQ(OpenPcPort(program), 1);
  EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{"ERROR -12 "}));
  EXPECT_TRUE(program.telescope.pcPortOpen);
}

TEST_F(SerialLinkTest, WithoutAPcPortOpeningFails) {
  program.telescope.pcPort = nullptr;
  usePcRoute();
  EXPECT_FALSE(SendSerial(program, 0, "#:Q#"));
  EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{"Open Communications Failed"}));
}

TEST_F(SerialLinkTest, PcRouteSendsTheCountGivenThenWaits62Ms) {
  usePcRoute();
  clock.advanceMs(1000);
  EXPECT_TRUE(SendSerial(program, 1, "#:Sr 23:59.0#", 12));
  EXPECT_TRUE(SendSerial(program, 1, "\x06", 1));
  EXPECT_EQ(clock.nowMs(), 1124u);
  EXPECT_EQ(traffic(), (LinkLog{{1000, "puts", "#:Sr 23:59.0"}, {1062, "putc", "\x06"}}));
  // The port was opened once, lazily, by the first send.
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](auto& e) { return e.call == "reset"; }), 1);
}

TEST_F(SerialLinkTest, PcRouteChecksTheEchoOfAnHCommand) {
  usePcRoute();
  for (const auto& [echo, expected] :
       {std::pair<std::string, bool>{"H", true}, {"X", false}, {"", false}}) {
    log.clear();
    program.telescope.replyBuffer.fill(0);
    pcPort.arrive(echo);
    EXPECT_EQ(SendSerial(program, 0, "H\x05\x01", 3), expected) << echo;
    const auto t = clock.nowMs();
    EXPECT_EQ(traffic(),
              (LinkLog{{t - 62, "puts", "H\x05\x01"}, {t, "gets", "50"}, {t, "rxclear", ""}}));
  }
}

TEST_F(SerialLinkTest, AFailedWriteShowsTheCodeAndReopensOnTheNextSend) {
  usePcRoute();
  pcPort.failNext("puts", -10);
  EXPECT_FALSE(SendSerial(program, 0, "#:Me#"));
  EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{"ERROR -10 "}));
  EXPECT_FALSE(program.telescope.pcPortOpen);
  EXPECT_TRUE(SendSerial(program, 0, "#:Qe#"));
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](auto& e) { return e.call == "reset"; }), 2);
}

TEST_F(SerialLinkTest, CameraRouteWritesTheBytesToThePortWithoutWaiting) {
  for (const int route : {0, 1, 2}) {
    log.clear();
    program.settings.serialRoute = static_cast<std::int16_t>(route);
    EXPECT_TRUE(SendSerial(program, 1, "#:LM 0031#", 10));
    EXPECT_TRUE(SendSerial(program, 0, "H", 1));  // no echo check on the camera route
    EXPECT_EQ(log, (LinkLog{{0, "camera-write", "1:#:LM 0031#"}, {0, "camera-write", "0:H"}}));
  }
  EXPECT_EQ(clock.nowMs(), 0u);
}

TEST_F(SerialLinkTest, CameraRouteReadLeavesWhatAShortReplyDidNotCover) {
  useCameraRoute();
  camera.reply("M31 RA 00:42.7#");
  ReadSerialReply(program, 0, 33);
  EXPECT_EQ(ReplyToText(program.telescope), "M31 RA 00:42.7");
  camera.reply("0");
  ReadSerialReply(program, 0, 1);
  EXPECT_EQ(ReplyToText(program.telescope), "031 RA 00:42.7");
  // No reply at all: the old contents are shown again.
  ReadSerialReply(program, 0, 33);
  EXPECT_EQ(ReplyToText(program.telescope), "031 RA 00:42.7");
  EXPECT_EQ(log[0], (LinkEvent{0, "camera-read", "0:33"}));
}

TEST_F(SerialLinkTest, PcRouteReadTakesWhatArrivedAndClearsTheQueue) {
  usePcRoute();
  pcPort.arrive("1Object Below Horizon #");
  ReadSerialReply(program, 0, 33);
  EXPECT_EQ(ReplyToText(program.telescope), "1Object Below Horizon ");
  EXPECT_EQ(traffic(), (LinkLog{{0, "gets", "50"}, {0, "rxclear", ""}}));
}

TEST_F(SerialLinkTest, ReplyToTextStopsAtHashNulOr33Characters) {
  struct Row {
    std::string reply;
    std::string text;
  };
  const std::string long40(40, 'x');
  for (const Row& r : {Row{"M31 RA 00:42.7#more", "M31 RA 00:42.7"}, Row{"#abc", ""},
                       Row{long40, std::string(33, 'x')}, Row{std::string("ab\0cd#", 6), "ab"}}) {
    auto& buffer = program.telescope.replyBuffer;
    buffer.fill('z');
    std::copy(r.reply.begin(), r.reply.end(), buffer.begin());
    EXPECT_EQ(ReplyToText(program.telescope), r.text) << r.reply;
  }
}

TEST_F(SerialLinkTest, GuideSocketGoesToThePcPortOnlyWithTheBypassFlag) {
  program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  struct Row {
    int route;
    bool bypass;
    LinkLog expected;
  };
  const Row rows[] = {
      {3,
       true,
       {{0, "reset", "1024/1024"},
        {0, "baud", "300"},
        {0, "dtr", "on"},
        {0, "rts", "on"},
        {0, "8n1", ""},
        {0, "putc", "\x08"}}},
      {3, false, {{0, "guide-outputs", "8"}}},
      {1, true, {{0, "guide-outputs", "8"}}},
      {0, false, {{0, "guide-outputs", "8"}}},
  };
  for (const Row& r : rows) {
    log.clear();
    clock.advanceMs(0u - clock.nowMs());  // back to 0 (the counter wraps)
    program.telescope.pcPortOpen = false;
    program.settings.serialRoute = static_cast<std::int16_t>(r.route);
    program.settings.bypassHelmixInterface = r.bypass;
    SetGuideSocket(program, kSocketEast);
    EXPECT_EQ(log, r.expected) << r.route << r.bypass;
    // Only the PC byte waits: 2 ms and 10 ms, and no 50 ms for an answer.
    EXPECT_EQ(clock.nowMs(), r.route == 3 && r.bypass ? 12u : 0u);
  }
}

}  // namespace
}  // namespace nvk::scope
