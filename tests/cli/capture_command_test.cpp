#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/console_ui.h"
#include "port/virtual_clock.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace nvk::cli {
namespace {

struct CaptureTest : ::testing::Test {
  test::TempDir root;
  std::string out;
  std::string err;

  int run(std::vector<std::string> args) {
    const test::CliRun r = test::cliRun(root, std::move(args));
    out = r.out;
    err = r.err;
    return r.status;
  }
  std::string path(const char* name) const { return (root.path() / name).string(); }
  std::string head(const std::string& file, std::size_t bytes) const {
    std::ifstream in(file, std::ios::binary);
    std::string text(bytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(bytes));
    return text;
  }
};

TEST_F(CaptureTest, TakesASimulatedFrameAndSavesItAsFitsOrRawByTheName) {
  struct Case {
    std::vector<std::string> options;
    const char* name;
    std::uintmax_t size;  // 0: a FITS file, checked by its header
    const char* naxis1;
  };
  for (const Case& c : {Case{{"--mode", "4", "--exposure", "2"}, "m31.fit", 0, "1520"},
                        Case{{"--mode", "1", "--exposure", "5t"}, "full.FIT", 0, "3040"},
                        Case{{"--mode", "3", "--exposure", "1m"}, "frame.raw", 3'076'490, ""}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"--simulate", "capture"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(path(c.name));
    ASSERT_EQ(run(args), 0) << err;
    EXPECT_EQ(out, path(c.name) + "\n");
    // The progress dialog's captions as a text bar.
    EXPECT_NE(err.find("] EXPOSURE UNDERWAY"), std::string::npos) << err;
    EXPECT_NE(err.find("] READING KR CAMERA - takes"), std::string::npos) << err;
    if (c.size != 0) {
      EXPECT_EQ(std::filesystem::file_size(path(c.name)), c.size);
      continue;
    }
    const std::string header = head(path(c.name), 2880);
    EXPECT_EQ(header.substr(0, 30), "SIMPLE  =                    T");
    // Regression: a captured frame saved as FITS went out with DATE-OBS = '' and TIME-OBS = ''
    // (fitsverify reported the empty date). It carries the frame's mid-exposure time in UT.
    const std::string date = header.substr(10 * 80, 80), time = header.substr(11 * 80, 80);
    EXPECT_TRUE(std::regex_match(date, std::regex(R"(DATE-OBS= '\d{4}-\d\d-\d\d' *)"))) << date;
    EXPECT_TRUE(std::regex_match(time, std::regex(R"(TIME-OBS= '\d\d:\d\d:\d\d' *)"))) << time;
    const std::string naxis1 = c.naxis1;
    EXPECT_NE(header.find("NAXIS1  = " + std::string(20 - naxis1.size(), ' ') + naxis1),
              std::string::npos)
        << header.substr(0, 400);
  }
}

// The value of header card `keyword`, as written between the apostrophes; empty without one.
std::string quotedCard(const std::string& header, const std::string& keyword) {
  for (std::size_t at = 0; at + 80 <= header.size(); at += 80) {
    const std::string card = header.substr(at, 80);
    if (card.starts_with("END ")) break;
    if (card.substr(0, 8) != (keyword + "        ").substr(0, 8)) continue;
    const auto open = card.find('\'');
    return card.substr(open + 1, card.find('\'', open + 1) - open - 1);
  }
  return {};
}

// With the simulated LX200 mount chosen, a capture carries where the mount pointed (it starts
// at 02h00m, +52 degrees, and answers in low precision: a tenth of a minute of time, a minute
// of arc); with no drive chosen nobody is asked and the cards are absent.
TEST_F(CaptureTest, ASimulatedCaptureCarriesWhereTheChosenMountPoints) {
  for (const char* drive : {"l", "n"}) {
    SCOPED_TRACE(drive);
    ASSERT_EQ(run({"settings", "set", "guideOutputMode", drive}), 0) << err;
    ASSERT_EQ(run({"--simulate", "capture", "--mode", "4", "--exposure", "2", path("m.fit")}), 0)
        << err;
    const std::string header = head(path("m.fit"), 5760);
    const std::string ra = quotedCard(header, "OBJCTRA");
    const std::string dec = quotedCard(header, "OBJCTDEC");
    if (drive[0] == 'n') {
      EXPECT_EQ(ra + dec, "");
      continue;
    }
    ASSERT_TRUE(std::regex_match(ra, std::regex(R"(\d\d \d\d \d\d\.\d\d)"))) << ra;
    ASSERT_TRUE(std::regex_match(dec, std::regex(R"([+-]\d\d \d\d \d\d\.\d)"))) << dec;
    const double hours = std::stoi(ra.substr(0, 2)) + std::stoi(ra.substr(3, 2)) / 60.0 +
                         std::stod(ra.substr(6)) / 3600.0;
    const double degrees = std::stoi(dec.substr(1, 2)) + std::stoi(dec.substr(4, 2)) / 60.0 +
                           std::stod(dec.substr(7)) / 3600.0;
    EXPECT_NEAR(hours, 2.0, 0.1 / 60) << ra;
    EXPECT_EQ(dec[0], '+');
    EXPECT_NEAR(degrees, 52.0, 1.0 / 60) << dec;
    // The low-precision answer has whole tenths of a minute: no seconds beyond them.
    EXPECT_EQ(std::lround(std::stod(ra.substr(6)) * 100) % 600, 0) << ra;
  }
}

TEST_F(CaptureTest, ASeriesIsSummedOnceAndAveragingKeepsTheLevel) {
  ASSERT_EQ(run({"--simulate", "capture", "--mode", "4", "--exposure", "1", "--count", "3",
                 path("sum.raw")}),
            0)
      << err;
  EXPECT_NE(err.find("EXPOSURE UNDERWAY (Left - 3)"), std::string::npos);
  EXPECT_NE(err.find("READING KR CAMERA (Left - 2)"), std::string::npos);
  ASSERT_EQ(run({"--simulate", "capture", "--mode", "4", "--exposure", "1", "--count", "3",
                 "--average", path("mean.raw")}),
            0)
      << err;
  // The mean sample level of the sum is three times that of the average.
  auto level = [this](const char* name) {
    std::ifstream in(path(name), std::ios::binary);
    std::vector<std::uint16_t> samples(1520 * 1012);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * 2));
    double sum = 0;
    for (auto v : samples)
      sum += v;
    return sum / static_cast<double>(samples.size());
  };
  EXPECT_NEAR(level("sum.raw") / level("mean.raw"), 3.0, 0.2);
}

TEST_F(CaptureTest, DarkAndFlatFailuresShowTheirMessagesAndTheFrameIsStillSaved) {
  ASSERT_EQ(run({"--simulate", "capture", "--mode", "4", "--exposure", "1", "--dark",
                 path("missing.raw"), "--flat", path("missing.raw"), path("out.raw")}),
            0);
  EXPECT_NE(err.find("Failed to Open Darkframe KR File"), std::string::npos) << err;
  EXPECT_NE(err.find("Failed to Open Flatfield KR File"), std::string::npos) << err;
  EXPECT_TRUE(std::filesystem::exists(path("out.raw")));
}

TEST_F(CaptureTest, RefusesBadArgumentsWithoutTouchingAnything) {
  for (const std::vector<std::string>& args : {
           std::vector<std::string>{"capture", "--mode", "8", "--exposure", "1", "x.raw"},
           {"capture", "--mode", "1", "--exposure", "0", "x.raw"},
           {"capture", "--mode", "1", "--exposure", "301s", "x.raw"},
           {"capture", "--mode", "1", "--exposure", "91m", "x.raw"},
           {"capture", "--mode", "1", "--exposure", "5x", "x.raw"},
           {"capture", "--mode", "1", "--exposure", "5", "--count", "100", "x.raw"},
           {"capture", "--mode", "1", "x.raw"},
           {"capture", "--mode", "1", "--exposure", "5"},
           {"capture", "--mode", "1", "--exposure", "5", "a.raw", "b.raw"},
       }) {
    SCOPED_TRACE(args[2] + " " + (args.size() > 4 ? args[4] : ""));
    EXPECT_EQ(run(args), 2);
    EXPECT_FALSE(err.empty());
  }
  EXPECT_TRUE(std::filesystem::is_empty(root.path()));
}

TEST(ConsoleUiForCapture, PumpsTheVirtualClockTakesCtrlCOnceAndDrawsTheBar) {
  std::ostringstream err;
  ConsoleUi ui(err);
  EXPECT_FALSE(ui.pump());  // a plain console Ui never aborts and draws nothing
  ui.openProgress("EXPOSURE UNDERWAY");
  EXPECT_TRUE(err.str().empty());

  port::VirtualClock clock(1000);
  std::atomic<bool> interrupted{false};
  ui.attachPumpClock(&clock);
  ui.attachAbortFlag(&interrupted);
  ui.showProgressBar(true);
  EXPECT_FALSE(ui.pump());
  EXPECT_EQ(clock.nowMs(), 1000u + port::VirtualClock::kDefaultPumpQuantumMs);
  interrupted = true;  // what the Ctrl+C handler does
  EXPECT_TRUE(ui.pump());
  EXPECT_FALSE(ui.pump());  // one press per Ctrl+C

  ui.setProgress(128);
  EXPECT_EQ(err.str(),
            "\r[################                ] EXPOSURE UNDERWAY" + std::string(40 - 17, ' '));
  ui.showMessage("title", "Sorry. Guide star lost.");
  ui.closeProgress();
  EXPECT_NE(err.str().find(" \nSorry. Guide star lost.\n"), std::string::npos);
}

}  // namespace
}  // namespace nvk::cli
