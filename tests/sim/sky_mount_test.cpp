#include "sim/sky_mount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string_view>

#include "port/virtual_clock.h"
#include "sim/ideal_mount.h"
#include "sim/simulated_devices.h"

namespace nvk::sim {
namespace {

constexpr double kRadiansPerDegree = M_PI / 180.0;

TEST(SkyPixelOf, MapsPositionsAsWorkedOutByHand) {
  struct Case {
    SkyPosition position;
    SkyPosition origin;
    double arcsecPerPixel;
    double x;
    double y;
  };
  const Case cases[] = {
      // One hour east on the equator: 54000" / 1.5 = 36000 pixels to the left.
      {{1.0, 0.0}, {0.0, 0.0}, 1.5, -36000.0, 0.0},
      // 60 degrees north: 216000" / 1.5 up.
      {{0.0, 60.0}, {0.0, 60.0}, 1.5, 0.0, -144000.0},
      // The origin's own meridian carries cos(dec0): 2 h at +60 is 54000" east.
      {{2.0, 60.0}, {2.0, 60.0}, 1.5, -36000.0, -144000.0},
      // One minute of R.A. east of the origin at +60: 54000 * (6 * 0.5 + 0.5 / 60) / 3.
      {{6.0 + 1.0 / 60.0, 60.0}, {6.0, 60.0}, 3.0, -54150.0, -72000.0},
      // Across 0 h the short way round: 23.5 h + 1 h, not 23.5 h - 23 h.
      {{0.5, 0.0}, {23.5, 0.0}, 1.5, -882000.0, 0.0},
      {{23.5, -30.0},
       {0.5, -30.0},
       1.0,
       -54000.0 * (0.5 - 1.0) * std::cos(30 * kRadiansPerDegree),
       108000.0},
  };
  for (const Case& c : cases) {
    const SkyPoint p = skyPixelOf(c.position, c.origin, c.arcsecPerPixel);
    EXPECT_NEAR(p.x, c.x, 1e-6) << c.position.raHours << " " << c.position.decDegrees;
    EXPECT_NEAR(p.y, c.y, 1e-6) << c.position.raHours << " " << c.position.decDegrees;
  }
  // On the origin's meridian a Dec. move does not move the field sideways.
  const SkyPosition origin{3.0, 45.0};
  EXPECT_DOUBLE_EQ(skyPixelOf({3.0, 45.1}, origin, 1.5).x, skyPixelOf(origin, origin, 1.5).x);
}

// A quiet sky (no noise, vignetting or hot pixels, so frames compare sample for sample) that
// follows an ideal mount (no tracking errors or backlash) guiding at 15" per second, at 1.5" per
// pixel: one second of guiding is 10 pixels in Dec. and 10 cos(dec) pixels in R.A.
struct SkyFollowsMount : ::testing::Test {
  port::VirtualClock clock{1000};
  SimulatedDevices devices{clock, quietOptions()};
  SimulatedMount mount{clock, idealMount()};

  static SimulationOptions quietOptions() {
    SimulationOptions o;
    o.sky.noise = false;
    o.sky.vignetting = 0.0;
    o.sky.hotPixelFraction = 0.0;
    return o;
  }
  static MountOptions idealMount() {
    MountOptions o = test::idealMount();
    o.guideRate = 15.0;
    return o;
  }
  SkyFollowsMount() { followMount(devices.sky(), mount); }
  ~SkyFollowsMount() override { detachMount(devices.sky()); }

  void send(std::string_view text) {
    mount.receive({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
  void holdGuideLines(std::uint8_t bits, std::uint32_t ms) {
    mount.guideOutputsChanged(bits);
    clock.advanceMs(ms);
    mount.guideOutputsChanged(0);
  }
  std::vector<std::uint16_t> frame(int c0, int r0, int w, int h) {
    std::vector<std::uint16_t> out(static_cast<std::size_t>(w) * h);
    devices.sky().render(mainSensorView(devices.sky()), c0, r0, w, h, 1.0, 20.0, 1, out.data());
    return out;
  }
};

TEST_F(SkyFollowsMount, GuidePulsesAndMovesShiftTheFieldByTheImageScale) {
  const double cosDec = std::cos(52.0 * kRadiansPerDegree);
  struct Step {
    const char* what;
    std::uint8_t socketBits;  // or 0 for an LX200 move
    const char* lx200Move;
    const char* lx200Quit;
    std::uint32_t ms;
    double dx;
    double dy;
  };
  const Step steps[] = {
      {"north line 1 s", 4, nullptr, nullptr, 1000, 0.0, -10.0},
      {"south line 0.5 s", 2, nullptr, nullptr, 500, 0.0, 5.0},
      {"east line 2 s", 8, nullptr, nullptr, 2000, -20.0 * cosDec, 0.0},
      {"west line 1 s", 1, nullptr, nullptr, 1000, 10.0 * cosDec, 0.0},
      {"LX200 guide-rate move west 1.5 s", 0, "#:Mw#", "#:Qw#", 1500, 15.0 * cosDec, 0.0},
      {"LX200 guide-rate move north 0.3 s", 0, "#:Mn#", "#:Qn#", 300, 0.0, -3.0},
  };
  send("#:RG#");
  for (const Step& s : steps) {
    const SkyPoint before = devices.sky().pointing();
    if (s.socketBits != 0) {
      holdGuideLines(s.socketBits, s.ms);
    } else {
      send(s.lx200Move);
      clock.advanceMs(s.ms);
      send(s.lx200Quit);
    }
    const SkyPoint after = devices.sky().pointing();
    // Away from the origin's meridian and 52 degrees, cos(dec) and the Dec. change the R.A.
    // shift by parts in 10^5 of a pixel per pixel.
    EXPECT_NEAR(after.x - before.x, s.dx, 1e-3) << s.what;
    EXPECT_NEAR(after.y - before.y, s.dy, 1e-9) << s.what;
  }
}

TEST_F(SkyFollowsMount, TheNextFrameShowsTheStarsMovedByAGuidePulse) {
  const auto before = frame(1000, 600, 400, 300);
  const double guideOriginY = devices.camera().guideView().originY;
  // North for one second: the telescope looks 10 pixels further north, so the stars move 10
  // rows down (rows grow to the south); an even shift keeps the colour cells in step.
  holdGuideLines(4, 1000);
  const auto after = frame(1000, 600, 400, 300);
  int differing = 0;
  int maxDifference = 0;
  for (int r = 0; r + 10 < 300; ++r) {
    for (int c = 0; c < 400; ++c) {
      const int a = before[static_cast<std::size_t>(r) * 400 + c];
      const int b = after[static_cast<std::size_t>(r + 10) * 400 + c];
      maxDifference = std::max(maxDifference, std::abs(a - b));
      differing += after[static_cast<std::size_t>(r) * 400 + c] != a;
    }
  }
  EXPECT_LE(maxDifference, 1);  // rounding of the star positions only
  EXPECT_GT(differing, 1000);   // and the frame did change where it stands
  // The guide head looks through the same mount.
  EXPECT_DOUBLE_EQ(devices.camera().guideView().originY, guideOriginY - 10.0);
}

TEST_F(SkyFollowsMount, AGoToLandsOnTheTargetsField) {
  const auto m31 = lookUpObject('m', 31);
  ASSERT_TRUE(m31.has_value());
  const auto start = frame(1200, 800, 600, 400);
  send("#:LM 0031#");
  send("#:MS#");
  clock.advanceMs(10'000);
  ASSERT_FALSE(mount.slewing());
  const SkyPoint centre = skyPixelOf(m31->position, m31->position, 1.5);
  EXPECT_NEAR(devices.sky().pointingX(), centre.x - 1516.0, 1e-6);
  EXPECT_NEAR(devices.sky().pointingY(), centre.y - 1008.0, 1e-6);
  EXPECT_NE(frame(1200, 800, 600, 400), start);
  // Away and back: the same target shows the same field.
  send("#:LM 0013#");
  send("#:MS#");
  clock.advanceMs(60'000);
  send("#:LM 0031#");
  send("#:MS#");
  clock.advanceMs(60'000);
  EXPECT_NEAR(devices.sky().pointingX(), centre.x - 1516.0, 1e-6);
  EXPECT_NEAR(devices.sky().pointingY(), centre.y - 1008.0, 1e-6);
}

TEST_F(SkyFollowsMount, TheFocuserRunsAtTheChosenSpeedAndWidensTheStars) {
  const double focused = devices.sky().starSigma();
  send("#:FF#:F+#");
  clock.advanceMs(1000);
  send("#:FQ#");
  EXPECT_DOUBLE_EQ(devices.sky().focuser(), 200.0);
  // 200 steps from best focus at 0.02 pixel each, added in quadrature to the focused 1.3.
  EXPECT_DOUBLE_EQ(focused, 1.3);
  EXPECT_DOUBLE_EQ(devices.sky().starSigma(), std::sqrt(1.3 * 1.3 + 4.0 * 4.0));
  // Slow, inwards, and still after the stop.
  send("#:FS#:F-#");
  clock.advanceMs(2000);
  send("#:FQ#");
  clock.advanceMs(5000);
  EXPECT_DOUBLE_EQ(devices.sky().focuser(), 160.0);
}

}  // namespace
}  // namespace nvk::sim
