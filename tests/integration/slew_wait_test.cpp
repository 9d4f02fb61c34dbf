// Training and guiding wait for a GoTo slew to end: the program asks the simulated LX200 mount
// for its distance bars on the virtual clock while the slew takes its simulated time.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scope/mount.h"
#include "scope/mount_factory.h"
#include "sim/faulty_devices.h"
#include "sim/mount.h"
#include "support/program_fixture.h"

namespace nvk::scope {
namespace {

struct SlewWaitCase {
  const char* name;
  bool goTo;                    // M13 is far from where the mount starts: about 140 degrees
  double slewDegreesPerSecond;  // 4: about 35 s; 0.05: most of an hour
  std::uint32_t keyAfterMs;     // the user's Esc, counted from the wait's start; 0: none
  bool atRest;
  std::vector<std::string> messages;
  std::uint32_t minWaitMs, maxWaitMs;
};

const SlewWaitCase kSlewWaits[] = {
    {"NoSlew", false, 4.0, 0, true, {}, 0, 1'000},
    {"SlewEndsWithinTheWait", true, 4.0, 0, true, {}, 30'000, 40'000},
    {"SlewOutlastsTheWait",
     true,
     0.05,
     0,
     false,
     {"Training not started: the telescope is still slewing after 3 minutes"},
     kSlewWaitMs,
     kSlewWaitMs + 2'000},
    {"EscStopsTheWait",
     true,
     0.05,
     5'000,
     false,
     {"Training not started: the telescope is still slewing"},
     5'000,
     7'000},
};

class SlewWait : public ::testing::TestWithParam<SlewWaitCase> {
 protected:
  sim::MountOptions options() const {
    sim::MountOptions o;
    o.slewDegreesPerSecond = GetParam().slewDegreesPerSecond;
    return o;
  }

  test::ProgramFixture f;
  sim::SimulatedMount mount{f.clock, options()};
  sim::FaultySerialPort port{mount};
  test::Lx200OnPcPort wiring{f.program, port};
};

TEST_P(SlewWait, TrainingWaitsUntilTheMountSaysItHasArrived) {
  const SlewWaitCase& c = GetParam();
  if (c.goTo) {
    const GoToReply reply =
        chosenMount(f.program).goTo(CatalogueObject{CatalogueKind::Messier, 13});
    ASSERT_EQ(reply.refusal, "");
    ASSERT_TRUE(mount.slewing());
  }
  if (c.keyAfterMs != 0) f.ui.pressKeyAt(f.clock.nowMs() + c.keyAfterMs);
  const std::uint32_t start = f.clock.nowMs();
  EXPECT_EQ(waitForSlewToEnd(f.program, "Training"), c.atRest);
  const std::uint32_t waited = f.clock.nowMs() - start;
  EXPECT_GE(waited, c.minWaitMs);
  EXPECT_LE(waited, c.maxWaitMs);
  // The answer is the mount's: at rest exactly when the simulated slew is over.
  EXPECT_EQ(mount.slewing(), !c.atRest);
  EXPECT_EQ(f.ui.messageTexts(), c.messages);
  // A wait shows why nothing happens yet; with the mount at rest there is none.
  EXPECT_EQ(f.ui.progressCaptions().empty(), !c.goTo);
}

INSTANTIATE_TEST_SUITE_P(Lx200, SlewWait, ::testing::ValuesIn(kSlewWaits),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nvk::scope
