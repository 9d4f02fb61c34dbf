#include "platform/pty_mount.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "scope/mount_commands.h"
#include "scope/mount_factory.h"
#include "settings/settings_file.h"
#include "sim/ideal_mount.h"
#include "sim/sky_mount.h"
#include "support/program_fixture.h"

namespace nvk::platform {
namespace {

// The simulated mount of a --simulate run: on the simulated camera's serial port and guide
// outputs, behind a pseudo-terminal for the PC route, driving the simulated sky.
struct PtyMountTest : ::testing::Test, test::ProgramFixture {
  sim::SimulatedDevices devices{clock};
  std::unique_ptr<PtyMount> attached;

  PtyMountTest() { program.devices.enumerator = &devices; }

  // Writes the settings file that ConnectTelescope reads.
  void settingsFile(int serialRoute, int telescopePortIndex) {
    settings::Settings s = program.settings;
    s.serialRoute = static_cast<std::int16_t>(serialRoute);
    s.telescopePortIndex = static_cast<std::int16_t>(telescopePortIndex);
    s.guideOutputMode = settings::GuideOutputMode::Lx200;
    const base::ProgramPaths paths(root.path());
    std::filesystem::create_directories(paths.autosaveFolder());
    settings::saveSettings(paths.settingsFile(), s, image::FitsHeaderInfo{});
  }
  sim::SkyPoint m31Pointing() const {
    const auto m31 = sim::lookUpObject('m', 31);
    const sim::SkyPoint centre = sim::skyPixelOf(m31->position, m31->position, 1.5);
    return {centre.x - 1516.0, centre.y - 1008.0};
  }
};

TEST_F(PtyMountTest, AGoToOnEitherRouteSlewsTheSkyOfTheSimulatedCamera) {
  for (const int route : {1, 3}) {
    SCOPED_TRACE(route);
    attached = std::make_unique<PtyMount>(program, clock, &devices, test::idealMount());
    ASSERT_TRUE(attached->pcPortReady());
    // The settings file, read after the mount was attached, moves the telescope to Com2.
    settingsFile(route, 1);
    program.telescope.telescopeConnected = false;
    ASSERT_EQ(scope::ConnectTelescope(program, true), scope::ConnectResult::Connected);
    ASSERT_EQ(program.settings.telescopePortIndex, 1);
    const sim::SkyPoint start = devices.sky().pointing();
    scope::chosenMount(program).goTo(scope::CatalogueObject{scope::CatalogueKind::Messier, 31});
    EXPECT_EQ(program.telescope.infoLines[0], "M31 RA 00:42.7 DEC +41*16");
    EXPECT_EQ(program.telescope.infoLines[1], "");
    clock.advanceMs(10'000);
    EXPECT_NEAR(devices.sky().pointingX(), m31Pointing().x, 1e-6);
    EXPECT_NEAR(devices.sky().pointingY(), m31Pointing().y, 1e-6);
    // A guide pulse on the camera's guide outputs moves the field 10 pixels north per second
    // at 15" per second and 1.5" per pixel.
    scope::guidePulseToward(scope::chosenMount(program), 'n', 1000);
    EXPECT_NEAR(devices.sky().pointingY(), m31Pointing().y - 15.041 / 1.5, 1e-6);
    // Detached, the sky keeps its field and the camera's port has no mount on it.
    attached.reset();
    clock.advanceMs(60'000);
    EXPECT_NEAR(devices.sky().pointingY(), m31Pointing().y - 15.041 / 1.5, 1e-6);
    devices.sky().setPointing(start.x, start.y);
  }
}

}  // namespace
}  // namespace nvk::platform
