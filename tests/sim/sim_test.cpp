#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "camera/discovery.h"
#include "camera/protocol.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::sim {
namespace {

// The sum of a rendered region.
double regionSum(const Sky& sky, const SkyView& view, int c0, int r0, int w, int h, double seconds,
                 double temperature = 20.0, std::uint64_t frame = 1) {
  std::vector<std::uint16_t> out(static_cast<std::size_t>(w) * h);
  sky.render(view, c0, r0, w, h, seconds, temperature, frame, out.data());
  return std::accumulate(out.begin(), out.end(), 0.0);
}

SkyOptions quietSky() {
  SkyOptions o;
  o.noise = false;
  o.vignetting = 0.0;
  o.hotPixelFraction = 0.0;
  return o;
}

TEST(Sky, TheStarFieldIsDeterministicAndGoesOnBeyondTheSensor) {
  Sky a;
  Sky b;
  const auto starsA = a.starsIn(-5000, -5000, 5000, 5000);
  const auto starsB = b.starsIn(-5000, -5000, 5000, 5000);
  ASSERT_EQ(starsA.size(), starsB.size());
  EXPECT_GT(starsA.size(), 500u);
  EXPECT_EQ(starsA[17].x, starsB[17].x);
  EXPECT_EQ(starsA[17].flux, starsB[17].flux);
  SkyOptions other;
  other.seed = 99;
  EXPECT_NE(Sky(other).starsIn(0, 0, 3000, 2000).front().x, starsA.front().x);
  // A sub-area lists exactly the stars of the big one that lie inside it.
  const auto part = a.starsIn(100, 100, 700, 600);
  const auto inside = std::count_if(starsA.begin(), starsA.end(), [](const Star& s) {
    return s.x >= 100 && s.x < 700 && s.y >= 100 && s.y < 600;
  });
  EXPECT_EQ(static_cast<long>(part.size()), inside);
}

TEST(Sky, StarSignalScalesLinearlyWithExposure) {
  SkyOptions o = quietSky();
  o.backgroundAduPerSecond = 0.0;
  o.darkAduPerSecondAt20C = 0.0;
  Sky sky(o);
  const auto stars = sky.starsIn(200, 200, 2800, 1800);
  // A moderately bright star, well inside the sensor.
  const auto star = *std::max_element(stars.begin(), stars.end(), [](const Star& a, const Star& b) {
    return (a.flux < 20000 ? a.flux : 0) < (b.flux < 20000 ? b.flux : 0);
  });
  const int c0 = static_cast<int>(star.x) - 12;
  const int r0 = static_cast<int>(star.y) - 12;
  const double bias = o.biasAdu * 25 * 25;
  const double one = regionSum(sky, mainSensorView(sky), c0, r0, 25, 25, 1.0) - bias;
  const double two = regionSum(sky, mainSensorView(sky), c0, r0, 25, 25, 2.0) - bias;
  EXPECT_GT(one, 1000.0);
  EXPECT_NEAR(two / one, 2.0, 0.01);
}

TEST(Sky, DarkCurrentGrowsWithExposureAndTemperature) {
  SkyOptions o = quietSky();
  o.starsPerTile = 0.0;
  o.backgroundAduPerSecond = 0.0;
  o.darkAduPerSecondAt20C = 10.0;
  o.darkDoublingC = 6.0;
  Sky sky(o);
  const auto view = mainSensorView(sky);
  const double n = 100.0 * 100.0;
  auto darkMean = [&](double seconds, double temperature) {
    return regionSum(sky, view, 500, 500, 100, 100, seconds, temperature) / n - o.biasAdu;
  };
  EXPECT_NEAR(darkMean(10, 20), 100.0, 1.0);
  EXPECT_NEAR(darkMean(20, 20), 200.0, 1.0);
  EXPECT_NEAR(darkMean(10, 26), 200.0, 1.0);
  EXPECT_NEAR(darkMean(10, 8), 25.0, 1.0);
}

TEST(Sky, HotPixelsStayPutFromFrameToFrame) {
  SkyOptions o;
  o.starsPerTile = 0.0;
  Sky sky(o);
  const auto view = mainSensorView(sky);
  auto hotPixels = [&](std::uint64_t frame) {
    std::vector<std::uint16_t> out(400u * 400u);
    sky.render(view, 0, 0, 400, 400, 30.0, 20.0, frame, out.data());
    std::vector<std::size_t> hot;
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (out[i] > 6000) hot.push_back(i);  // a dark-current rate of 200 ADU/s or more
    }
    return hot;
  };
  const auto first = hotPixels(1);
  EXPECT_EQ(first, hotPixels(2));
  // About one pixel in 5000.
  EXPECT_GT(first.size(), 10u);
  EXPECT_LT(first.size(), 80u);
  EXPECT_TRUE(sky.isHotPixel(static_cast<int>(first[0] % 400), static_cast<int>(first[0] / 400)));
}

TEST(Sky, VignettingDarkensTheCorners) {
  SkyOptions o = quietSky();
  o.starsPerTile = 0.0;
  o.darkAduPerSecondAt20C = 0.0;
  o.backgroundAduPerSecond = 1000.0;
  o.vignetting = 0.3;
  Sky sky(o);
  const auto view = mainSensorView(sky);
  const double centre = regionSum(sky, view, 1506, 998, 20, 20, 1.0) / 400 - o.biasAdu;
  const double corner = regionSum(sky, view, 0, 0, 4, 4, 1.0) / 16 - o.biasAdu;
  EXPECT_NEAR(centre, 1000.0, 2.0);
  EXPECT_NEAR(corner / centre, 0.7, 0.01);
}

TEST(Sky, NoiseChangesFromFrameToFrameButNotTheStars) {
  Sky sky;
  auto frame = [&](std::uint64_t number) {
    std::vector<std::uint16_t> out(200u * 200u);
    sky.render(mainSensorView(sky), 1000, 1000, 200, 200, 5.0, 20.0, number, out.data());
    return out;
  };
  const auto a = frame(1);
  const auto b = frame(2);
  EXPECT_EQ(a, frame(1));
  // The noise has roughly the expected spread: sqrt(signal + read noise^2).
  double sumSq = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    sumSq += (double(a[i]) - double(b[i])) * (double(a[i]) - double(b[i]));
  const double spread = std::sqrt(sumSq / a.size() / 2.0);
  EXPECT_GT(spread, 8.0);
  EXPECT_LT(spread, 40.0);
}

// The simulated hardware through the program's own protocol code.
class SimulatedCameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.program.devices.enumerator = &sim;
    ASSERT_EQ(camera::OpenCamera(f.program), 1);
    ASSERT_EQ(camera::OpenFilterWheel(f.program), 1);
  }
  test::ProgramFixture f;
  SimulatedDevices sim{f.clock};
};

TEST_F(SimulatedCameraTest, TheCoolerApproachesItsSetPointOverTime) {
  auto& cooler = f.program.devices.cooler;
  cooler.setPointC = -10;
  cooler.on = true;
  EXPECT_EQ(camera::SetCooling(f.program), 20);
  f.clock.advanceMs(60'000);  // one time constant: 20 - 30 * 0.632 = 1.04
  EXPECT_EQ(camera::SetCooling(f.program), 1);
  f.clock.advanceMs(600'000);
  EXPECT_EQ(camera::SetCooling(f.program), -10);
  // Beyond what the cooler can reach it settles 45 degrees below ambient.
  cooler.setPointC = -40;
  camera::SetCooling(f.program);
  f.clock.advanceMs(900'000);
  EXPECT_EQ(camera::SetCooling(f.program), -25);
  cooler.on = false;
  camera::SetCooling(f.program);
  f.clock.advanceMs(900'000);
  EXPECT_EQ(camera::ReadCoolerTemperature(f.program), 20);
}

TEST_F(SimulatedCameraTest, AnUnpluggedCameraFailsItsTransfersUntilItIsFoundAgain) {
  sim.setCameraPlugged(false);
  camera::ReadFirmwareVersion(f.program);
  EXPECT_FALSE(f.ui.messages().empty());
  EXPECT_EQ(camera::OpenCamera(f.program), 0);  // discovery no longer lists it
  EXPECT_FALSE(f.program.devices.cameraConnected);

  sim.setCameraPlugged(true);
  ASSERT_EQ(camera::OpenCamera(f.program), 1);
  f.program.devices.firmware = {};
  camera::ReadFirmwareVersion(f.program);
  EXPECT_EQ(f.program.devices.firmware.major, 2);
}

TEST_F(SimulatedCameraTest, AChannelOpenedBeforeAnUnplugStaysDeadAfterIt) {
  auto before = sim.openCamera(SimulatedDevices::cameraPath());
  ASSERT_TRUE(before);
  sim.setCameraPlugged(false);
  EXPECT_FALSE(sim.openCamera(SimulatedDevices::cameraPath()));
  sim.setCameraPlugged(true);
  const std::uint8_t firmware[8] = {0x40, 255, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(before->write(firmware).ok);
  auto after = sim.openCamera(SimulatedDevices::cameraPath());
  ASSERT_TRUE(after);
  EXPECT_TRUE(after->write(firmware).ok);
  std::uint8_t reply[4] = {};
  EXPECT_EQ(after->read(reply).bytes, 4u);
}

TEST_F(SimulatedCameraTest, ExposureTimeIsCameraTimedOrRunsFromTheStartClear) {
  const std::uint32_t t0 = f.clock.nowMs();
  camera::ClearSensor(f.program, camera::kClearFlush);
  camera::ClearSensor(f.program, camera::kClearStart);
  camera::ReadBinned4x8(f.program, 700);
  EXPECT_EQ(sim.camera().lastExposureMs(), 700u);
  EXPECT_EQ(f.clock.nowMs() - t0, 700u);  // the camera took the exposure time

  camera::ClearSensor(f.program, camera::kClearStart);
  f.clock.advanceMs(2000);
  camera::ClearSensor(f.program, camera::kClearFlush);  // a flush does not restart it
  f.clock.advanceMs(1000);
  camera::ReadBinned4x8(f.program, 3000);
  EXPECT_EQ(sim.camera().lastExposureMs(), 3000u);
}

TEST_F(SimulatedCameraTest, MeasuredFocusExposureFlushesWhileTheHostWaits) {
  sim.log().clear();
  const std::uint32_t t0 = f.clock.nowMs();
  camera::FocusExposureMeasured(f.program, 2, 's', 600, 400, false);
  const auto& records = sim.log().records();
  std::vector<const TransferRecord*> writes;
  for (const auto& r : records) {
    if (r.direction == TransferRecord::Direction::Write) writes.push_back(&r);
  }
  ASSERT_GT(writes.size(), 100u);
  EXPECT_EQ(writes[0]->bytes, (std::vector<std::uint8_t>{0x40, 1, 8, 0, 0, 0, 0, 0}));
  EXPECT_EQ(writes[1]->bytes, (std::vector<std::uint8_t>{0x40, 1, 0, 0, 0, 0, 0, 0}));
  for (std::size_t i = 2; i + 1 < writes.size(); ++i) {
    EXPECT_EQ(writes[i]->bytes[2], 8);  // flush on every pass
    EXPECT_LT(writes[i]->timeMs - t0, 2000u);
  }
  EXPECT_EQ(writes.back()->bytes[1], 3);  // host-timed readout after the wait
  EXPECT_EQ(writes.back()->timeMs - t0, 2000u);
}

TEST_F(SimulatedCameraTest, ShortFocusExposuresAreNotWaitedFor) {
  const std::uint32_t t0 = f.clock.nowMs();
  camera::FocusExposure(f.program, 4, 't', 600, 400, false);  // 400 ms: the camera times it
  EXPECT_EQ(f.clock.nowMs() - t0, 400u);
  const std::uint32_t t1 = f.clock.nowMs();
  camera::FocusExposure(f.program, 600, 'q', 600, 400, false);  // 600 ms: the host waits too
  EXPECT_EQ(f.clock.nowMs() - t1, 1200u);
}

}  // namespace
}  // namespace nvk::sim
