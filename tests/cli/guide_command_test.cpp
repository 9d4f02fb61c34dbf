#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace nvk::cli {
namespace {

using test::CliRun;
using test::cliRun;

TEST(GuideCommandTest, TrainsTheGuideHeadAtAnAngle) {
  const CliRun r = cliRun({"--simulate", "guide", "train", "--head", "--angle", "30"});
  ASSERT_EQ(r.status, 0) << r.err;
  // R.A.: the star moves 7.5 px/s along -x turned back by 30 degrees; 0.9 of that as whole
  // pixels in x.
  int rx = 0, ry = 0, length = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str(), "slew RA = %d,%d, %d", &rx, &ry, &length), 3) << r.out;
  EXPECT_NEAR(rx, -6, 1);
  EXPECT_NEAR(ry, 3, 1);
  EXPECT_NEAR(length, 7, 1);
  EXPECT_NE(r.out.find("Theta =    30"), std::string::npos) << r.out;
}

TEST(GuideCommandTest, RunReportsTheErrorAndTheCorrections) {
  const CliRun r = cliRun({"--simulate", "guide", "run", "--minutes", "3", "--head"});
  ASSERT_EQ(r.status, 0) << r.err;
  double rms = 9, peak = 9;
  int sent = 0;
  const auto at = r.out.find("RMS error");
  ASSERT_NE(at, std::string::npos) << r.out;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, "RMS error %lf px, peak %lf px, %d corrections", &rms,
                        &peak, &sent),
            3)
      << r.out;
  EXPECT_LT(rms, 0.3);
  EXPECT_LT(peak, 1.5);
  EXPECT_GT(sent, 10);
}

TEST(GuideCommandTest, RefusesWithoutTheSimulatorAndBadArguments) {
  EXPECT_EQ(cliRun({"guide", "train"}).status, 2);
  EXPECT_EQ(cliRun({"--simulate", "guide", "run"}).status, 2);  // no --minutes
  EXPECT_EQ(cliRun({"--simulate", "guide", "run", "--minutes", "x"}).status, 2);
  EXPECT_EQ(cliRun({"--simulate", "guide", "spin"}).status, 2);
}

}  // namespace
}  // namespace nvk::cli
