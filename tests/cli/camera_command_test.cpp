#include <gtest/gtest.h>

#include <sstream>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace nvk::cli {
namespace {

using test::CliRun;
using test::cliRun;

TEST(DevicesCommand, WithTheSimulatorFindsTheCameraAndTheWheel) {
  const CliRun r = cliRun({"--simulate", "devices"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("vid 1209  pid 7517  NVK (simulated)  K7LQ camera head (simulated)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("camera: connected, NVKIO = 1, PID = 7517"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("filter wheel: on USB, filter count 7"), std::string::npos) << r.out;
}

TEST(CameraCommand, ReadsTheSimulatedCamera) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"camera", "firmware"}, "firmware 2.12, cooler control available\n"},
      {{"camera", "temperature"}, "temperature 20 C\n"},
      {{"camera", "cool", "-10"}, "cooler on, set-point -10 C, temperature 20 C\n"},
      // After ten minutes of virtual time the cooler has reached its set-point.
      {{"camera", "cool", "-10", "--wait", "600"},
       "cooler on, set-point -10 C, temperature -10 C\n"},
      // Regression: "off" reported a set-point as if the cooler still held one.
      {{"camera", "cool", "off"}, "cooler off, temperature 20 C\n"},
      {{"camera", "filter", "3"}, "filter 3 on the USB filter wheel\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"--simulate"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = cliRun(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(CameraCommand, RefusesBadArguments) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--simulate", "camera"},
                                             {"--simulate", "camera", "focus"},
                                             {"--simulate", "camera", "cool", "-41"},
                                             {"--simulate", "camera", "cool", "36"},
                                             {"--simulate", "camera", "cool", "cold"},
                                             {"--simulate", "camera", "cool", "-5", "--wait"},
                                             {"--simulate", "camera", "filter", "8"},
                                             {"--simulate", "camera", "filter", "0"},
                                             {"--simulate", "camera", "filter"},
                                             {"--simulate", "camera", "firmware", "extra"},
                                             {"--simulate", "devices", "extra"}}) {
    const CliRun r = cliRun(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(CameraCommand, WithoutACameraSaysSo) {
  const CliRun r = cliRun({"camera", "firmware"});
  if (r.status == 0) GTEST_SKIP() << "a camera is attached to this machine";
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Sorry, No camera found on USB"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace nvk::cli
