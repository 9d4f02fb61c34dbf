#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/label_stamp.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "process/filters.h"
#include "process/frame.h"
#include "process/random_frames.h"
#include "process/stretch.h"
#include "support/cli_run.h"
#include "support/program_fixture.h"

namespace nvk::cli {
namespace {

using test::CliRun;

class ProcessCommandTest : public ::testing::Test, protected test::ProgramFixture {
 protected:
  CliRun run(std::vector<std::string> args) {
    args.insert(args.begin(), "process");
    return test::cliRun(root, std::move(args));
  }

  // A binned mono frame of random samples saved as a raw file.
  std::filesystem::path input() {
    program.state.binned = true;
    program.state.readoutMode = image::ReadoutMode::Binned2x2;
    program.state.modeCode = '2';
    program.applyGeometry();
    test::fillRandomFrame(program.planes.RawImage.first(program.geometry.pixelCount),
                          program.geometry.width, 77);
    const auto path = root / "in.raw";
    EXPECT_EQ(files::saveRawFile(program, path), files::SaveResult::Saved);
    return path;
  }

  // The samples of an image file, opened as File > Open does on a fresh program.
  std::vector<std::uint16_t> samplesOf(const std::filesystem::path& path) {
    test::ProgramFixture other;
    EXPECT_TRUE(files::openImageFile(other.program, path).loaded) << path;
    const auto& raw = other.program.planes.RawImage;
    return {raw.begin(), raw.begin() + other.program.geometry.pixelCount};
  }
  std::vector<std::uint16_t> current() {
    const auto& raw = program.planes.RawImage;
    return {raw.begin(), raw.begin() + program.geometry.pixelCount};
  }
};

TEST_F(ProcessCommandTest, OperationsRunInOrderAsTheirMenuCommandsDo) {
  const auto in = input();
  const auto out = root / "out.raw";
  const auto r = run({in.string(), out.string(), "invert", "median:2:3", "unsharp:2:2",
                      "normal:10:200", "gaussian", "label:M42"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The same commands on the frame in this program.
  process::InvertImage(program);
  process::MedianFilter(program, 2, 3);
  process::UnsharpMask(program, 2, 2);
  process::NormalStretch(program, 10, 200);
  process::KernelFilterCommand(program, process::KernelId::Gaussian);
  app::LabelImage(program, "M42");
  EXPECT_TRUE(samplesOf(out) == current());
}

TEST_F(ProcessCommandTest, UndoTakesBackTheLastOperationAndFitNamesWriteFits) {
  const auto in = input();
  const auto out = root / "out.Fit";
  const auto r = run({in.string(), out.string(), "lowpass", "sine", "undo"});
  ASSERT_EQ(r.status, 0) << r.err;
  process::KernelFilterCommand(program, process::KernelId::LowPass);
  test::ProgramFixture other;
  const auto opened = files::openImageFile(other.program, out);
  EXPECT_EQ(opened.kind, files::FileKind::Fits);
  EXPECT_TRUE(samplesOf(out) == current());
}

TEST_F(ProcessCommandTest, BadOperationsAndRefusalsLeaveOutUnwritten) {
  const auto in = input();
  const auto out = root / "out.raw";
  struct Case {
    std::vector<std::string> ops;
    int status;
    std::string errorPart;
  };
  const Case cases[] = {
      {{"sharpen"}, 2, "not an operation: 'sharpen'"},
      {{"normal:200:100"}, 2, "not an operation"},
      {{"median:4:5"}, 2, "not an operation"},
      {{"power:3.1"}, 2, "not an operation"},
      {{"unsharp:1"}, 2, "not an operation"},
      {{"invert", "dark:" + (root / "missing~").string()}, 1, "Failed to Open KR File"},
      {{"flat:" + in.string()}, 1, "Sorry, this is not a suitable Flat file"},
      {{"hpm:" + in.string()}, 1, "You didn't choose a valid KR or suitable FITs File"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{in.string(), out.string()};
    args.insert(args.end(), c.ops.begin(), c.ops.end());
    const auto r = run(args);
    EXPECT_EQ(r.status, c.status) << c.ops[0];
    EXPECT_NE(r.err.find(c.errorPart), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.ops[0];
  }
  EXPECT_EQ(run({in.string()}).status, 2);
}

TEST_F(ProcessCommandTest, DarkFramesAndHotPixelMapsFromFiles) {
  const auto in = input();
  // A dark frame of 1000 everywhere with one hot sample.
  test::ProgramFixture dark;
  dark.program.state.binned = true;
  dark.program.applyGeometry();
  std::fill_n(dark.program.planes.RawImage.begin(), dark.program.geometry.pixelCount, 1000);
  dark.program.planes.RawImage[300 * 1520 + 400] = 60000;
  const auto darkFile = root / "dark~";
  ASSERT_EQ(files::saveRawFile(dark.program, darkFile), files::SaveResult::Saved);

  // hpmscan on the dark frame writes the map into the autosave folder ...
  const auto scanned = root / "scanned.raw";
  auto r = run({darkFile.string(), scanned.string(), "hpmscan:50000"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto mapFile = program.autosaveFolder() / "K7LQ_HPM.HPM";
  EXPECT_EQ(std::filesystem::file_size(mapFile), 19u + 4u);

  // ... and dark: then hpm: calibrate an image with them.
  const auto out = root / "calibrated.raw";
  r = run({in.string(), out.string(), "dark:" + darkFile.string(), "hpm:" + mapFile.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto before = current();
  const auto got = samplesOf(out);
  const std::size_t hot = 300 * 1520 + 400;
  for (std::size_t i : {std::size_t{0}, std::size_t{5000}, hot + 1}) {
    EXPECT_EQ(got[i], before[i] > 1000 ? before[i] - 1000 : 0) << i;
  }
  EXPECT_EQ(got[hot], (got[hot - 1] + got[hot + 1] + got[hot - 1520] + got[hot + 1520]) / 4);
}

}  // namespace
}  // namespace nvk::cli
