#include "files/guide_log_file.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nvk::files {
namespace {

TEST(GuideLogFileTest, FrameRowsAreWrittenInTheLayoutReadersExpect) {
  GuideLogFrame mount;
  mount.frame = 55;
  mount.timeSeconds = 467.914;
  mount.dx = -1.347;
  mount.dy = -2.16;
  mount.raRaw = 2.319;
  mount.decRaw = -1.451;
  mount.raGuide = 1.404;
  mount.decGuide = -0.987;
  mount.raDurationMs = 303;
  mount.raDirection = 'W';
  mount.decDurationMs = 218;
  mount.decDirection = 'N';
  mount.starMass = 2173;
  mount.snr = 26.91;
  EXPECT_EQ(guideLogFrameRow(mount),
            "55,467.914,\"Mount\",-1.347,-2.160,2.319,-1.451,1.404,-0.987,303,W,218,N,,,2173,"
            "26.91,0");

  GuideLogFrame ao;
  ao.frame = 3;
  ao.timeSeconds = 6.5;
  ao.mount = "AO";
  ao.dx = 0.25;
  ao.raRaw = -0.25;
  ao.xStep = 4;
  ao.yStep = -2;
  EXPECT_EQ(guideLogFrameRow(ao),
            "3,6.500,\"AO\",0.250,0.000,-0.250,0.000,0.000,0.000,0,,0,,4,-2,0,0.00,0");

  EXPECT_EQ(guideLogCalibrationRow({"West", 2, 3.0, -4.0, 253.0, 146.0}),
            "West,2,3.000,-4.000,253.000,146.000,5.000");
}

TEST(GuideLogFileTest, NightsBeginAtLocalNoon) {
  struct Case {
    CivilTime local;
    const char* fileName;
  };
  const Case cases[] = {
      {{2026, 12, 9, 11, 59, 59}, "PHD2_GuideLog_2026-12-08_120000.txt"},
      {{2026, 12, 9, 12, 0, 0}, "PHD2_GuideLog_2026-12-09_120000.txt"},
      {{2026, 12, 9, 23, 59, 59}, "PHD2_GuideLog_2026-12-09_120000.txt"},
      {{2027, 1, 1, 3, 0, 0}, "PHD2_GuideLog_2026-12-31_120000.txt"},
      {{2028, 3, 1, 0, 10, 0}, "PHD2_GuideLog_2028-02-29_120000.txt"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(guideLogFileName(guideLogNight(c.local)), c.fileName) << c.fileName;
}

// A log as PHD2 writes it: its own columns (one more, in another order would read too), a
// dropped frame, an AO row, INFO lines and a calibration before the guiding.
constexpr std::string_view kPhd2Log =
    "PHD2 version 2.6.11 [Linux], Log version 2.5. Log enabled at 2026-12-09 21:00:00\r\n"
    "\r\n"
    "Calibration Begins at 2026-12-09 21:01:00\r\n"
    "Equipment Profile = Simulator\r\n"
    "Direction,Step,dx,dy,x,y,Dist\r\n"
    "West,1,1.000,0.000,101.000,50.000,1.000\r\n"
    "West,2,2.500,0.500,102.500,50.500,2.550\r\n"
    "North,1,0.000,1.500,100.000,51.500,1.500\r\n"
    "West calibration complete. Angle = 11.3 deg, Rate = 1.250 px/sec, Parity = N/A\r\n"
    "Calibration complete, mount = Mount.\r\n"
    "\r\n"
    "Guiding Begins at 2026-12-09 21:05:00\r\n"
    "Pixel scale = 1.50 arc-sec/px, Binning = 1, Focal length = 500 mm\r\n"
    "Mount = On Camera, connected, guiding enabled, xAngle = 0.0, xRate = 1.0\r\n"
    "Frame,Time,mount,dx,dy,RARawDistance,DECRawDistance,RAGuideDistance,DECGuideDistance,"
    "RADuration,RADirection,DECDuration,DECDirection,XStep,YStep,StarMass,SNR,ErrorCode\r\n"
    "1,2.000,\"Mount\",0.1,0.2,0.300,-0.400,0.3,0,120,W,0,,,,900,20.00,0\r\n"
    "2,4.000,\"DROP\",,,,,,,,,,,,,,,5,\"Star lost\"\r\n"
    "INFO: Guiding paused\r\n"
    "3,6.000,\"AO\",0,0,-0.600,0.800,0,0,0,,0,,7,-3,900,20.00,0\r\n"
    "Guiding Ends at 2026-12-09 21:06:00\r\n";

TEST(GuideLogFileTest, ReadsALogOfThePublishedLayout) {
  const GuideLogParse read = parseGuideLog(kPhd2Log);
  ASSERT_TRUE(read.log) << read.error;
  const GuideLogContents& log = *read.log;
  ASSERT_EQ(log.calibrations.size(), 1u);
  const auto& c = log.calibrations[0];
  EXPECT_EQ(c.beganAt, "2026-12-09 21:01:00");
  ASSERT_EQ(c.steps.size(), 3u);
  EXPECT_EQ(c.steps[1].direction, "West");
  EXPECT_EQ(c.steps[1].step, 2);
  EXPECT_DOUBLE_EQ(c.steps[1].dy, 0.5);
  EXPECT_EQ(c.axisResults.size(), 1u);
  EXPECT_TRUE(c.complete);

  ASSERT_EQ(log.guiding.size(), 1u);
  const auto& s = log.guiding[0];
  EXPECT_EQ(s.mount, "On Camera");
  ASSERT_TRUE(s.arcsecPerPixel);
  EXPECT_DOUBLE_EQ(*s.arcsecPerPixel, 1.5);
  ASSERT_EQ(s.frames.size(), 2u);
  EXPECT_EQ(s.droppedFrames, 1);
  EXPECT_EQ(s.infos, std::vector<std::string>{"Guiding paused"});
  EXPECT_TRUE(s.ended);
  EXPECT_EQ(s.frames[0].raDirection, 'W');
  EXPECT_EQ(s.frames[0].raDurationMs, 120);
  EXPECT_EQ(s.frames[1].mount, "AO");
  EXPECT_EQ(s.frames[1].xStep, 7);
  EXPECT_EQ(s.frames[1].yStep, -3);

  // RA 0.3 and -0.6, Dec -0.4 and 0.8: distances 0.5 and 1.0 from the lock position.
  const GuideLogStats stats = guideLogStats(s);
  EXPECT_EQ(stats.frames, 2);
  EXPECT_NEAR(stats.rmsRa, std::sqrt((0.09 + 0.36) / 2), 1e-12);
  EXPECT_NEAR(stats.rmsDec, std::sqrt((0.16 + 0.64) / 2), 1e-12);
  EXPECT_NEAR(stats.rmsTotal, std::sqrt((0.25 + 1.0) / 2), 1e-12);
  EXPECT_NEAR(stats.worst, 1.0, 1e-12);
  EXPECT_EQ(stats.worstFrame, 3);
  EXPECT_DOUBLE_EQ(stats.worstTimeSeconds, 6.0);
}

TEST(GuideLogFileTest, RefusesWhatIsNotAGuideLog) {
  const std::string header(kGuideLogFrameHeader);
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {"", "line 0: not a guide log (the file is empty)"},
      {"SIMPLE  =                    T\n", "line 1: not a guide log"},
      {"PHD2 version 2.6, Log version 2.5.\nGuiding Begins at x\n1,2.0,\"Mount\",0,0,0,0\n",
       "line 3: a frame row before the frame header"},
      {"PHD2 version 2.6, Log version 2.5.\nGuiding Begins at x\n" + header +
           "\n1,2.0,\"Mount\",0,0,abc,0,0,0,0,,0,,,,1,1,0\n",
       "line 4: a frame row with a field that is not a number"},
      {"PHD2 version 2.6, Log version 2.5.\nGuiding Begins at x\nFrame,Time,dx,dy\n",
       "line 3: a frame header without the columns"},
      {"PHD2 version 2.6, Log version 2.5.\nCalibration Begins at x\nWest,1,1.0,x,1,1,1\n",
       "line 3: a calibration row"},
  };
  for (const auto& c : cases) {
    const GuideLogParse read = parseGuideLog(c.text);
    EXPECT_FALSE(read.log) << c.error;
    EXPECT_EQ(read.error.rfind(c.error, 0), 0u) << read.error;
  }
}

}  // namespace
}  // namespace nvk::files
