// What the camera interface command leaves for the files and the calibration: the exposure's
// start and end times that quick save stamps, and the automatic flat of each frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "acquire/exposure_sequence.h"
#include "files/files_test_support.h"
#include "files/fits_time.h"
#include "integration/photo_script.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::acquire {
namespace {

class ExposureCalibration : public ::testing::Test {
 protected:
  void SetUp() override { f.program.devices.enumerator = &sim; }

  void takePhoto(const test::Photo& p) {
    ASSERT_EQ(test::runPhoto(f, p), InterfaceOutcome::Ran);
    ASSERT_TRUE(f.ui.scriptErrors().empty());
  }

  // The mean of image rows [first, last), columns 100..1399.
  double meanOfRows(const std::vector<std::uint16_t>& frame, int first, int last) const {
    const int width = f.program.geometry.width;
    double sum = 0;
    long n = 0;
    for (int y = first; y < last; ++y) {
      for (int x = 100; x < 1400; ++x, ++n)
        sum += frame[static_cast<std::size_t>(y) * width + x];
    }
    return sum / static_cast<double>(n);
  }
  std::vector<std::uint16_t> rawFrame() const {
    const auto& raw = f.program.planes.RawImage;
    return {raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(f.program.geometry.pixelCount)};
  }

  test::ProgramFixture f;
  sim::SimulatedDevices sim{f.clock};
};

// Quick save (and the autosave of each frame) stamps DATE-OBS and TIME-OBS with the middle of
// the exposure: the sequence records when the frame began and when it was finished.
TEST_F(ExposureCalibration, TheFrameTimesStampTheAutosavedFile) {
  f.program.fits.utOffsetHours = 3;
  const std::int64_t before = f.clock.wallSeconds();
  takePhoto({.value = 30, .autoSave = true});
  const std::int64_t start = f.program.exposureStartSeconds;
  const std::int64_t end = f.program.exposureEndSeconds;
  EXPECT_GE(start, before);
  // Thirty seconds of exposure and a few of readout.
  EXPECT_GE(end - start, 30);
  EXPECT_LE(end - start, 40);
  const auto bytes = nvk::test::readBytes(f.program.autosaveFolder() / "IMG1.FIT");
  const files::CivilTime ut = files::addHours(files::localTimeOf(start + (end - start) / 2), 3);
  EXPECT_EQ(nvk::test::cardOf(bytes, 10).substr(0, 22),
            "DATE-OBS= '" + files::dateObsText(ut) + "'");
  EXPECT_EQ(nvk::test::cardOf(bytes, 11).substr(0, 20),
            "TIME-OBS= '" + files::timeObsText(ut) + "'");
}

// "Auto-Apply Flatfield": every frame from row 2 on is divided by the flat and multiplied by the
// flat's mean over rows 10..19, columns 5..604.
TEST_F(ExposureCalibration, TheAutomaticFlatCorrectsEachFrameFromRowTwo) {
  // A flat of 1000 with a band of 2000 over rows 100..199 (of the binned frame's rows).
  const auto path = f.root.path() / "flat.raw";
  {
    std::vector<std::uint16_t> flat(12'305'920 / 2, 1000);
    std::fill(flat.begin() + 100 * 1520, flat.begin() + 200 * 1520, std::uint16_t{2000});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(flat.data()), 12'305'920);
  }
  f.program.fileMenu.flatFieldPath = path.string();
  takePhoto({});
  const auto plain = rawFrame();
  f.program.acquisition.autoApplyFlat = true;
  takePhoto({});
  EXPECT_TRUE(f.ui.messages().empty());
  const auto flattened = rawFrame();
  EXPECT_EQ(f.program.history.slot(0), "Flatfield Applied");
  // The simulated sky differs from frame to frame only by noise.
  EXPECT_NEAR(meanOfRows(flattened, 20, 100) / meanOfRows(plain, 20, 100), 1.0, 0.03);
  EXPECT_NEAR(meanOfRows(flattened, 100, 200) / meanOfRows(plain, 100, 200), 0.5, 0.03);
  EXPECT_NEAR(meanOfRows(flattened, 200, 300) / meanOfRows(plain, 200, 300), 1.0, 0.03);
}

}  // namespace
}  // namespace nvk::acquire
