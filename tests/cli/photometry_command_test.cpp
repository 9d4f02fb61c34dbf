#include <gtest/gtest.h>

#include <sstream>

#include "files/raw_file.h"
#include "process/measure_test_support.h"
#include "support/cli_run.h"
#include "support/program_fixture.h"

namespace nvk::cli {
namespace {

using test::CliRun;

class PhotometryCommandTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  std::filesystem::path image = root / "star.raw";

  void SetUp() override {
    // A binned frame with one star of 100000 counts centred on pixel (300, 200).
    program.state.binned = true;
    program.state.readoutMode = image::ReadoutMode::Binned2x2;
    program.state.modeCode = '2';
    program.applyGeometry();
    const auto frame = test::starFrame(1520, 1012, 1000, {{300.0, 200.0, 2.0, 100000.0}});
    std::copy(frame.begin(), frame.end(), program.planes.RawImage.begin());
    ASSERT_EQ(files::saveRawFile(program, image), files::SaveResult::Saved);
  }

  CliRun run(std::vector<std::string> args) { return test::cliRun(root, std::move(args)); }
};

TEST_F(PhotometryCommandTest, PrintsTheMeasurement) {
  const CliRun r = run({"photometry", image.string(), "302", "199", "10", "14", "22"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::vector<std::string> got;
  for (std::string l; std::getline(lines, l);)
    got.push_back(l);
  ASSERT_EQ(got.size(), 9u);
  EXPECT_EQ(got[0], "Centroid x     = 300.00");
  EXPECT_EQ(got[1], "Centroid y     = 200.00");
  EXPECT_EQ(got[2], "Apertures      = 10 / 14 / 22 pixels");
  EXPECT_EQ(got[3].substr(0, 33), "Sky per pixel  = 1000.0 (sigma 0.");
  double flux = 0;
  ASSERT_EQ(std::sscanf(got[4].c_str(), "Flux           = %lf counts", &flux), 1);
  EXPECT_NEAR(flux, 100000, 1000);
  EXPECT_EQ(got[8].substr(0, 22), "Magnitude      = 12.50");
  // Without radii the dialog's defaults are used.
  const CliRun d = run({"photometry", image.string(), "300", "200"});
  ASSERT_EQ(d.status, 0) << d.err;
  EXPECT_NE(d.out.find("Apertures      = 6 / 10 / 16 pixels\n"), std::string::npos);
}

TEST_F(PhotometryCommandTest, SaturatedStarIsReportedWithoutAMagnitude) {
  // A star of 3e6 counts clips at 65535 over its core.
  const auto frame = test::starFrame(1520, 1012, 1000, {{300.0, 200.0, 2.0, 3e6}});
  std::copy(frame.begin(), frame.end(), program.planes.RawImage.begin());
  ASSERT_EQ(files::saveRawFile(program, image), files::SaveResult::Saved);
  const CliRun r = run({"photometry", image.string(), "300", "200"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Magnitude      = none: the star is saturated (peak 65535, the camera "
                       "clips at 65534)"),
            std::string::npos)
      << r.out;
}

TEST_F(PhotometryCommandTest, BadInputIsRefused) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"photometry", image.string(), "300"}, 2, "usage: photometry FILE X Y [R1 R2 R3]\n"},
      {{"photometry", image.string(), "3x0", "200"},
       2,
       "X and Y must be whole numbers\nusage: photometry FILE X Y [R1 R2 R3]\n"},
      {{"photometry", image.string(), "300", "200", "10", "10", "22"},
       2,
       "the radii must satisfy 1 <= R1 < R2 < R3 <= 100\n"},
      {{"photometry", image.string(), "3", "200"},
       1,
       "Sorry, the star is too close to the edge of the image for these apertures\n"},
      {{"photometry", image.string(), "1520", "200"}, 1, "Sorry, outside Image area - try again\n"},
      {{"photometry", image.string(), "700", "500"},
       1,
       "Sorry, no star above the sky background here\n"},
      {{"photometry", (root / "missing.raw").string(), "300", "200"}, 1, ""},
  };
  for (const auto& c : cases) {
    const CliRun r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[2];
    EXPECT_TRUE(r.out.empty());
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_FALSE(r.err.empty());
    }
  }
}

}  // namespace
}  // namespace nvk::cli
