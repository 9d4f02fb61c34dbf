#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli/guide_plot.h"
#include "files/guide_log_file.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

#if NVK_CLI_PLOTS
#include <QImage>
#endif

namespace nvk::cli {
namespace {

using test::CliRun;
using test::cliRun;
using test::TempDir;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The log a `guide` run names on its last line.
files::GuideLogContents logOf(const CliRun& run) {
  const auto at = run.out.find("guide log: ");
  EXPECT_NE(at, std::string::npos) << run.out;
  if (at == std::string::npos) return {};
  std::string path = run.out.substr(at + 11);
  path.erase(path.find('\n'));
  const auto read = files::parseGuideLog(readFile(path));
  EXPECT_TRUE(read.log) << read.error;
  return read.log.value_or(files::GuideLogContents{});
}

TEST(GuidelogCommandTest, ATwentyMinuteRunLogsEveryFrameWithTheRmsItPrinted) {
  struct Case {
    const char* camera;
    const char* minutes;
    int leastFrames;  // 0.3 s guide exposures, with the time each correction takes
  };
  for (const Case c : {Case{"--head", "20", 1500}, Case{"--ao", "5", 300}}) {
    const std::string camera = c.camera;
    SCOPED_TRACE(camera);
    const TempDir root;
    const CliRun run = cliRun(root, {"--simulate", "guide", "run", "--minutes", c.minutes, camera});
    ASSERT_EQ(run.status, 0) << run.err;
    double printedRms = -1;
    int printedFrames = 0;
    const auto at = run.out.find("guide star as measured:");
    ASSERT_NE(at, std::string::npos) << run.out;
    ASSERT_EQ(std::sscanf(run.out.c_str() + at, "guide star as measured: RMS %lf px over %d frames",
                          &printedRms, &printedFrames),
              2);
    const files::GuideLogContents log = logOf(run);
    ASSERT_EQ(log.guiding.size(), 1u);
    const auto& section = log.guiding[0];
    EXPECT_TRUE(section.ended);
    EXPECT_GT(printedFrames, c.leastFrames);
    EXPECT_EQ(static_cast<int>(section.frames.size()), printedFrames);
    const files::GuideLogStats stats = files::guideLogStats(section);
    EXPECT_NEAR(stats.rmsTotal, printedRms, 0.001);
    EXPECT_GT(stats.rmsTotal, 0.0);
    ASSERT_TRUE(section.arcsecPerPixel);
    EXPECT_DOUBLE_EQ(*section.arcsecPerPixel, 2.0);
    EXPECT_EQ(section.frames.back().mount, camera == "--ao" ? "AO" : "Mount");

    // guidelog prints the same figures from the file.
    const auto path = root.path() / "autosave";
    std::string logPath;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.path().filename().string().starts_with("PHD2_GuideLog_"))
        logPath = entry.path().string();
    }
    const CliRun printed = cliRun(root, {"guidelog", logPath});
    ASSERT_EQ(printed.status, 0) << printed.err;
    const auto rmsAt = printed.out.find("  RMS RA ");
    ASSERT_NE(rmsAt, std::string::npos) << printed.out;
    double ra = 0, raArcsec = 0, dec = 0, decArcsec = 0, total = 0, totalArcsec = 0;
    ASSERT_EQ(std::sscanf(printed.out.c_str() + rmsAt,
                          "  RMS RA %lf px (%lf arcsec), Dec %lf px (%lf arcsec), total %lf px "
                          "(%lf arcsec)",
                          &ra, &raArcsec, &dec, &decArcsec, &total, &totalArcsec),
              6)
        << printed.out;
    EXPECT_NEAR(total, printedRms, 0.001);
    EXPECT_NEAR(totalArcsec, 2 * total, 0.01);
    EXPECT_NEAR(ra, stats.rmsRa, 0.0005);
    EXPECT_NEAR(dec, stats.rmsDec, 0.0005);
    EXPECT_NE(printed.out.find("worst "), std::string::npos);
  }
}

TEST(GuidelogCommandTest, TrainingWritesACalibrationSection) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> directions;
  };
  const Case cases[] = {
      {{"--simulate", "guide", "train", "--head"},
       {"West", "West", "West", "East", "Backlash", "North", "North", "South"}},
      {{"--simulate", "guide", "train"},
       {"North", "North", "South", "South", "East", "East", "West", "West"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.size());
    const TempDir root;
    const CliRun run = cliRun(root, c.args);
    ASSERT_EQ(run.status, 0) << run.err;
    const files::GuideLogContents log = logOf(run);
    ASSERT_EQ(log.calibrations.size(), 1u);
    const auto& calibration = log.calibrations[0];
    EXPECT_TRUE(calibration.complete);
    std::vector<std::string> directions;
    for (const auto& step : calibration.steps)
      directions.push_back(step.direction);
    EXPECT_EQ(directions, c.directions);
    ASSERT_EQ(calibration.axisResults.size(), 2u);
    EXPECT_EQ(calibration.axisResults[0].rfind("West calibration complete. Angle = ", 0), 0u);
    EXPECT_EQ(calibration.axisResults[1].rfind("North calibration complete. Angle = ", 0), 0u);
    // The star moves several pixels under a second of guide rate.
    EXPECT_GT(std::hypot(calibration.steps[1].dx, calibration.steps[1].dy), 3.0);
  }
}

// A section whose star sits 0.5 px off along R.A. and -0.5 px along Dec. for a minute.
std::string steadyOffsetLog() {
  std::string text =
      "PHD2 version 2.6, Log version 2.5. Log enabled at 2026-12-09 21:00:00\n\n"
      "Guiding Begins at 2026-12-09 21:00:00\n"
      "Pixel scale = 2.00 arc-sec/px, Binning = 1\n"
      "Mount = Mount, connected, guiding enabled\n" +
      std::string(files::kGuideLogFrameHeader) + '\n';
  for (int i = 1; i <= 20; ++i) {
    files::GuideLogFrame f;
    f.frame = i;
    f.timeSeconds = 3.0 * i;
    f.raRaw = 0.5;
    f.decRaw = -0.5;
    text += files::guideLogFrameRow(f) + '\n';
  }
  return text + "Guiding Ends at 2026-12-09 21:01:00\n\n";
}

TEST(GuidelogCommandTest, ThePlotDrawsRaAboveAndDecBelowTheLockPosition) {
  const TempDir root;
  const auto log = root / "log.txt";
  std::ofstream(log) << steadyOffsetLog();
  const auto png = root / "plot.png";
  const CliRun run = cliRun(root, {"guidelog", log.string(), "--plot", png.string()});
  if (!guidePlotsAvailable()) {
    EXPECT_EQ(run.status, 1);
    GTEST_SKIP() << "built without Qt: " << run.err;
  }
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("total 0.707 px (1.41 arcsec)"), std::string::npos) << run.out;
#if NVK_CLI_PLOTS
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(png.string())));
  using L = GuidePlotLayout;
  ASSERT_EQ(image.width(), L::kWidth);
  ASSERT_EQ(image.height(), L::kHeight);
  const int middle = L::kTop + (L::kHeight - L::kTop - L::kBottom) / 2;
  int raAbove = 0, raBelow = 0, decAbove = 0, decBelow = 0;
  for (int y = L::kTop; y < L::kHeight - L::kBottom; ++y) {
    for (int x = L::kLeft; x < L::kWidth - L::kRight; ++x) {
      const std::uint32_t rgb = image.pixel(x, y) & 0xffffff;
      if (rgb == L::kRaRgb) ++(y < middle ? raAbove : raBelow);
      if (rgb == L::kDecRgb) ++(y < middle ? decAbove : decBelow);
    }
  }
  // Both curves run the plot's width, two pixels thick, on their own side of the zero line.
  const int width = L::kWidth - L::kLeft - L::kRight;
  EXPECT_GT(raAbove, width);
  EXPECT_GT(decBelow, width);
  EXPECT_EQ(raBelow, 0);
  EXPECT_EQ(decAbove, 0);
#endif
}

TEST(GuidelogCommandTest, RefusesBadInputWithAMessage) {
  const TempDir root;
  const auto notALog = root / "notes.txt";
  std::ofstream(notALog) << "observing notes\n";
  const auto log = root / "log.txt";
  std::ofstream(log) << steadyOffsetLog();
  const auto png = root / "plot.png";
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"guidelog"}, 2, "usage:"},
      {{"guidelog", log.string(), "--section", "0"}, 2, "usage:"},
      {{"guidelog", (root / "missing.txt").string()}, 1, "cannot read"},
      {{"guidelog", notALog.string()}, 1, "line 1: not a guide log"},
      {{"guidelog", log.string(), "--plot", png.string(), "--section", "2"},
       1,
       "no guiding section 2"},
  };
  for (const auto& c : cases) {
    const CliRun run = cliRun(root, c.args);
    EXPECT_EQ(run.status, c.status) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace nvk::cli
