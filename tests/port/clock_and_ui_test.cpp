#include <gtest/gtest.h>

#include "port/scripted_ui.h"
#include "port/virtual_clock.h"

namespace nvk::port {
namespace {

TEST(VirtualClockTest, WaitJumpsToItsEnd) {
  VirtualClock clock(1000);
  clock.waitUntilMs(601'000);
  EXPECT_EQ(clock.nowMs(), 601'000u);
  EXPECT_EQ(clock.elapsedMs(), 600'000u);
  // A target already passed does not move the clock.
  clock.waitUntilMs(500);
  EXPECT_EQ(clock.nowMs(), 601'000u);
  clock.waitMs(250);
  EXPECT_EQ(clock.nowMs(), 601'250u);
}

TEST(VirtualClockTest, PumpAdvancesOneQuantum) {
  VirtualClock clock;
  clock.pump();
  EXPECT_EQ(clock.nowMs(), VirtualClock::kDefaultPumpQuantumMs);
  clock.setPumpQuantumMs(3);
  clock.pump();
  EXPECT_EQ(clock.nowMs(), VirtualClock::kDefaultPumpQuantumMs + 3);
}

TEST(VirtualClockTest, WaitAcrossTheWrapOfTheCounter) {
  VirtualClock clock(0xFFFF'FF00u);
  const std::uint32_t target = clock.nowMs() + 0x200;  // wraps to 0x100
  EXPECT_EQ(target, 0x100u);
  EXPECT_FALSE(msReached(clock.nowMs(), target));  // a plain '<' would think it reached
  clock.waitUntilMs(target);
  EXPECT_EQ(clock.nowMs(), 0x100u);
  EXPECT_EQ(clock.elapsedMs(), 0x200u);
  EXPECT_TRUE(msReached(clock.nowMs(), target));
  EXPECT_EQ(msElapsed(0xFFFF'FF00u, clock.nowMs()), 0x200u);
}

TEST(MsReachedTest, ComparesUnsignedAcrossWrap) {
  EXPECT_TRUE(msReached(10, 10));
  EXPECT_TRUE(msReached(11, 10));
  EXPECT_FALSE(msReached(9, 10));
  EXPECT_TRUE(msReached(5, 0xFFFF'FFF0u));
  EXPECT_FALSE(msReached(0xFFFF'FFF0u, 5));
}

class FakeDialog final : public DialogModel {
 public:
  std::string_view dialogId() const override { return "TFakeDialog"; }
  std::string title() const override { return "Fake"; }
  int value = 0;
};

TEST(ScriptedUiTest, KeyPressIsReportedByThePumpAtItsTime) {
  VirtualClock clock;
  ScriptedUi ui(&clock);
  ui.pressKeyAt(50);
  int pumps = 0;
  while (!ui.pump())
    ++pumps;
  // Pumps at 10, 20, 30, 40 pass; the one that brings the clock to 50 aborts.
  EXPECT_EQ(pumps, 4);
  EXPECT_EQ(clock.nowMs(), 50u);
  EXPECT_FALSE(ui.pump());
  ui.pressKeyNow();
  EXPECT_TRUE(ui.pump());
}

TEST(ScriptedUiTest, PlaysDialogScriptAndFileAnswers) {
  ScriptedUi ui;
  ui.onDialog<FakeDialog>("TFakeDialog", [](FakeDialog& d) {
    d.value = 7;
    return DialogResult::Ok;
  });
  ui.answerFileDialog("/tmp/a.fit");
  ui.answerFileDialog(std::nullopt);
  FakeDialog dialog;
  EXPECT_EQ(ui.runDialog(dialog), DialogResult::Ok);
  EXPECT_EQ(dialog.value, 7);
  EXPECT_EQ(ui.openFileDialog({"Open", "*.*", "", "", ""}), "/tmp/a.fit");
  EXPECT_EQ(ui.saveFileDialog({"Save", "*.*", "", "", ""}), std::nullopt);
  EXPECT_TRUE(ui.scriptErrors().empty());
  // Nothing more is scripted: a further dialog closes with Cancel and is reported.
  EXPECT_EQ(ui.runDialog(dialog), DialogResult::Cancel);
  EXPECT_EQ(ui.scriptErrors().size(), 1u);
  EXPECT_EQ(ui.dialogsShown(), (std::vector<std::string>{"TFakeDialog", "TFakeDialog"}));
}

}  // namespace
}  // namespace nvk::port
