// Frames that take the real camera's time to arrive: the simulated camera's download time on
// the virtual clock, with the program dispatching events (and taking the user's abort) while a
// frame is on its way.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "camera/discovery.h"
#include "camera/protocol.h"
#include "integration/photo_script.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::sim {
namespace {

constexpr std::uint16_t kStale = 0xBEEF;

// The program on the simulated camera (its sky with noise, so that a frame shows its exposure
// time, temperature and frame number), with or without the download time.
struct SimulatedProgram {
  explicit SimulatedProgram(bool downloadTime) : sim(f.clock, options(downloadTime)) {
    f.program.devices.enumerator = &sim;
  }
  static SimulationOptions options(bool downloadTime) {
    SimulationOptions o;
    o.downloadTime = downloadTime;
    return o;
  }
  std::vector<std::uint16_t> raw() const {
    const auto r = f.program.planes.RawImage;
    return {r.begin(), r.end()};
  }
  // Connects, starts an exposure, lets `hostMs` pass (an exposure the host times) and reads
  // the frame of `exposureMs` in `mode`; the virtual milliseconds the read took.
  std::uint32_t expose(image::ReadoutMode mode, std::int32_t exposureMs, std::uint32_t hostMs,
                       bool& ok) {
    if (!f.program.devices.cameraConnected) camera::OpenCamera(f.program);
    camera::ClearSensor(f.program, camera::kClearStart);
    f.clock.advanceMs(hostMs);
    const std::uint32_t start = f.clock.nowMs();
    ok = camera::ReadImageForMode(f.program, mode, exposureMs);
    return f.clock.nowMs() - start;
  }

  test::ProgramFixture f;
  SimulatedDevices sim;
};

TEST(DownloadTime, FramesArriveAfterTheRealCamerasTimeIdenticalAndWithEventsDispatched) {
  using image::ReadoutMode;
  const struct {
    ReadoutMode mode;
    std::int32_t exposureMs;
    std::uint32_t hostMs;    // what the host waits before the readout command
    std::uint32_t cameraMs;  // what the camera times inside it
    std::size_t bytes;
  } cases[] = {
      {ReadoutMode::HighResolution, 100, 0, 100, camera::kHighResolutionBytes},
      {ReadoutMode::Binned2x2, 1000, 0, 1000, camera::kBinned2x2Bytes},
      {ReadoutMode::Binned4x8, 3000, 3000, 0, camera::kBinned4x8Bytes},
  };
  EXPECT_EQ(downloadMs(camera::kHighResolutionBytes), 4500u);
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    SimulatedProgram plain(false);
    SimulatedProgram slow(true);
    bool plainOk = false;
    bool slowOk = false;
    const std::uint32_t plainMs = plain.expose(c.mode, c.exposureMs, c.hostMs, plainOk);
    const int pumpsBefore = slow.f.ui.pumps();
    const std::uint32_t slowMs = slow.expose(c.mode, c.exposureMs, c.hostMs, slowOk);
    ASSERT_TRUE(plainOk);
    ASSERT_TRUE(slowOk);
    EXPECT_EQ(plainMs, c.cameraMs);
    EXPECT_EQ(plain.f.ui.pumps(), 0);
    // The camera's exposure and the transfer, found by polls a pump apart.
    const std::uint32_t expected = c.cameraMs + downloadMs(c.bytes);
    EXPECT_GE(slowMs, expected);
    EXPECT_LT(slowMs, expected + 20);
    EXPECT_GE(slow.f.ui.pumps() - pumpsBefore, static_cast<int>(downloadMs(c.bytes) / 20));
    EXPECT_EQ(slow.f.program.state.modeCode, plain.f.program.state.modeCode);
    EXPECT_TRUE(slow.raw() == plain.raw()) << "the delayed frame differs";
    EXPECT_TRUE(slow.f.ui.messages().empty());
  }
}

TEST(DownloadTime, AnAbortDuringTheTransferDropsTheFrameAndTheNextOneArrives) {
  SimulatedProgram slow(true);
  camera::OpenCamera(slow.f.program);
  std::fill(slow.f.program.planes.RawImage.begin(), slow.f.program.planes.RawImage.end(), kStale);
  slow.f.ui.pressKeyAt(slow.f.clock.nowMs() + 2000);
  bool ok = true;
  const std::uint32_t abortedMs = slow.expose(image::ReadoutMode::HighResolution, 100, 0, ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(slow.f.program.devices.readAborted);
  EXPECT_GE(abortedMs, 2000u);
  EXPECT_LT(abortedMs, 2100u);
  EXPECT_TRUE(std::all_of(slow.f.program.planes.RawImage.begin(),
                          slow.f.program.planes.RawImage.end(),
                          [](std::uint16_t v) { return v == kStale; }))
      << "part of the aborted frame was taken";
  EXPECT_TRUE(slow.f.ui.messages().empty());
  // The channel is free again: the next frame comes whole.
  const std::uint32_t nextMs = slow.expose(image::ReadoutMode::HighResolution, 100, 0, ok);
  EXPECT_TRUE(ok);
  EXPECT_FALSE(slow.f.program.devices.readAborted);
  EXPECT_GE(nextMs, 4600u);
  EXPECT_NE(slow.f.program.planes.RawImage[0], kStale);
  EXPECT_EQ(slow.f.program.state.modeCode, '1');
}

TEST(DownloadTime, EscDuringTheDownloadEndsTheExposureRunLikeAnAbortedExposure) {
  for (const bool press : {false, true}) {
    SCOPED_TRACE(press);
    SimulatedProgram slow(true);
    // A one-second exposure is timed by the camera: the first dispatch of the run comes while
    // its frame arrives.
    if (press) slow.f.ui.pressKeyAt(slow.f.clock.nowMs());
    EXPECT_EQ(test::runPhoto(slow.f, {}), acquire::InterfaceOutcome::Ran);
    EXPECT_TRUE(slow.f.ui.messages().empty());
    EXPECT_EQ(slow.f.program.state.unsavedSinceExposure, !press);
    EXPECT_EQ(slow.f.program.devices.readAborted, press);
    EXPECT_EQ(slow.f.ui.beeps() > 0, press);
  }
}

// While a frame arrives the exposure's progress bar moves on with the time its transfer takes
// (after the camera's own one-second exposure), from where the reading started to the end;
// without the download time it is set as before, the frame being there at once.
TEST(DownloadTime, TheProgressBarMovesOnWhileTheFrameArrives) {
  test::Photo photo;
  photo.mode = 1;  // a full frame, 4.5 s to arrive
  SimulatedProgram plain(false);
  ASSERT_EQ(test::runPhoto(plain.f, photo), acquire::InterfaceOutcome::Ran);
  SimulatedProgram slow(true);
  const std::uint32_t start = slow.f.clock.nowMs();
  // The bar as the user sees it at moments of the camera's exposure and of the transfer.
  std::vector<int> seen;
  for (const std::uint32_t atMs : {500u, 1500u, 3000u, 4500u, 5400u}) {
    slow.f.ui.clickAt(start + atMs, [&slow, &seen] {
      const std::vector<int> positions = slow.f.ui.progressPositions();
      seen.push_back(positions.empty() ? -1 : positions.back());
    });
  }
  ASSERT_EQ(test::runPhoto(slow.f, photo), acquire::InterfaceOutcome::Ran);
  ASSERT_TRUE(slow.f.program.state.unsavedSinceExposure);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_GE(seen.front(), 20);
  for (std::size_t i = 1; i < seen.size(); ++i)
    EXPECT_GT(seen[i], seen[i - 1]) << "the bar stood still between two moments " << i;
  EXPECT_LT(seen.back(), 256);
  // The bar only moves forward, and ends full.
  const std::vector<int> positions = slow.f.ui.progressPositions();
  const auto reading = std::find(positions.begin(), positions.end(), 20);
  ASSERT_NE(reading, positions.end());
  EXPECT_TRUE(std::is_sorted(reading, positions.end()));
  EXPECT_EQ(positions.back(), 256);
  EXPECT_EQ(plain.f.ui.progressPositions(), std::vector<int>{20});
}

}  // namespace
}  // namespace nvk::sim
