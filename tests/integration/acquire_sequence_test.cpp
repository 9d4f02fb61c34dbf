// The camera interface command run end to end: the program, the simulated camera, the virtual
// clock and a scripted user.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "acquire/exposure_sequence.h"
#include "camera/protocol.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::acquire {
namespace {

using Record = sim::TransferRecord;

class AcquireSequence : public ::testing::Test {
 protected:
  void SetUp() override { f.program.devices.enumerator = &sim; }

  // Scripts the dialog: `setup` plays the user's choices, then "Take Photo".
  InterfaceOutcome takePhoto(const std::function<void(TNVDialog&)>& setup) {
    f.ui.onDialog<TNVDialog>("TNVDialog", [setup](TNVDialog& d) {
      setup(d);
      return d.takePhoto().value_or(port::DialogResult::Cancel);
    });
    return CameraInterface(f.program);
  }

  // Times of the camera writes with command `code` (and flag, when given).
  std::vector<std::uint32_t> writes(camera::CommandCode code, int flag = -1) {
    std::vector<std::uint32_t> times;
    for (const Record& r : sim.log().records()) {
      if (r.device != Record::Device::Camera || r.direction != Record::Direction::Write) continue;
      if (r.bytes.size() < 4 || r.bytes[1] != static_cast<std::uint8_t>(code)) continue;
      if (flag >= 0 && (r.bytes[2] | (r.bytes[3] << 8)) != flag) continue;
      times.push_back(r.timeMs);
    }
    return times;
  }
  std::size_t readouts() {
    return writes(camera::CommandCode::ReadPixelsDelayed).size() +
           writes(camera::CommandCode::ReadPixels).size();
  }
  std::size_t autosavedFiles() const {
    std::size_t n = 0;
    const auto folder = f.program.autosaveFolder();
    if (!std::filesystem::exists(folder)) return 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      if (e.path().extension() == ".FIT") ++n;
    }
    return n;
  }

  test::ProgramFixture f;
  sim::SimulatedDevices sim{f.clock};
};

void seconds(TNVDialog& d, int value) {
  d.chooseUnit('s');
  d.setExposureField(std::to_string(value));
}

TEST_F(AcquireSequence, OneSecondIsTimedByTheCameraWithoutAProgressLoop) {
  ASSERT_EQ(takePhoto([](TNVDialog& d) {
              d.chooseReadoutMode(4);
              seconds(d, 1);
            }),
            InterfaceOutcome::Ran);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
  EXPECT_EQ(writes(camera::CommandCode::ReadPixelsDelayed).size(), 1u);
  EXPECT_EQ(writes(camera::CommandCode::ReadPixels).size(), 0u);
  EXPECT_EQ(writes(camera::CommandCode::ClearSensor, camera::kClearFlush).size(), 1u);
  EXPECT_EQ(f.ui.progressPositions(), std::vector<int>{20});
  EXPECT_EQ(
      f.ui.progressCaptions(),
      (std::vector<std::string>{"EXPOSURE UNDERWAY", "READING KR CAMERA - takes 2-3 seconds"}));
  EXPECT_EQ(f.program.history.usedCount(), 0);
  EXPECT_DOUBLE_EQ(f.program.fits.exposureSeconds, 1.0);
}

TEST_F(AcquireSequence, TwoSecondsInTenthsBusyWaitWithoutDispatching) {
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    d.chooseUnit('t');
    d.setExposureField("20");
  });
  const auto clears = writes(camera::CommandCode::ClearSensor, camera::kClearStart);
  const auto reads = writes(camera::CommandCode::ReadPixels);
  ASSERT_EQ(clears.size(), 1u);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_GE(reads[0] - clears[0], 2000u - 50u);
  // Only the one dispatch after the readout.
  EXPECT_EQ(f.ui.pumps(), 1);
}

TEST_F(AcquireSequence, TenSecondsFlushEveryHalfSecondInTheLastFourSeconds) {
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 10);
  });
  const auto start = writes(camera::CommandCode::ClearSensor, camera::kClearStart);
  ASSERT_EQ(start.size(), 1u);
  auto flushes = writes(camera::CommandCode::ClearSensor, camera::kClearFlush);
  ASSERT_FALSE(flushes.empty());
  flushes.erase(flushes.begin());  // the clear before the exposure
  std::vector<std::uint32_t> expected;
  for (std::uint32_t t = 6000; t <= 10000; t += 500)
    expected.push_back(start[0] + t);
  EXPECT_EQ(flushes, expected);
  // Six progress steps of 256 / 6, then the readout's 20.
  EXPECT_EQ(f.ui.progressPositions(), (std::vector<int>{42, 84, 126, 168, 210, 252, 20}));
}

TEST_F(AcquireSequence, AKeyPressEndsTheExposureAndTheRunAtOnce) {
  const std::uint32_t t0 = f.clock.nowMs();
  f.ui.pressKeyAt(t0 + 3000);
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    d.exposuresRight();
    d.exposuresRight();
    seconds(d, 10);  // last: every control shows the settings again in the field
  });
  EXPECT_EQ(readouts(), 0u);
  EXPECT_EQ(f.ui.beeps(), 1);
  EXPECT_LT(f.clock.nowMs() - t0, 3100u);
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_FALSE(f.ui.progressOpen());
}

TEST_F(AcquireSequence, DelayCountsDownWithABeepEachSecond) {
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 1);
    d.toggle(TNVDialog::Check::DelayBeforeExposure);
  });
  const auto captions = f.ui.progressCaptions();
  ASSERT_GE(captions.size(), 11u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(captions[static_cast<std::size_t>(i + 1)],
              "EXPOSURE DELAY (Left - " + std::to_string(10 - i) + ")");
  }
  EXPECT_EQ(f.ui.beeps(), 10);
  const auto positions = f.ui.progressPositions();
  EXPECT_EQ(positions.front(), 0);
  EXPECT_EQ(positions[9], 225);
}

TEST_F(AcquireSequence, ContinuousWithThreeFramesTakesDisplaysAndSavesThree) {
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 1);
    d.exposuresRight();
    d.exposuresRight();
    d.toggle(TNVDialog::Check::Continuous);
    d.toggle(TNVDialog::Check::AutoSave);
  });
  EXPECT_EQ(readouts(), 3u);
  EXPECT_EQ(autosavedFiles(), 3u);
  EXPECT_TRUE(f.ui.messages().empty()) << f.ui.messageTexts()[0];
}

TEST_F(AcquireSequence, ContinuousWithOneFrameRepeatsUntilAKeyPress) {
  f.ui.pressKeyAt(f.clock.nowMs() + 20'000);
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 1);
    d.toggle(TNVDialog::Check::Continuous);
  });
  // Each pass is about a second of exposure and readout and the two-second wait.
  EXPECT_GE(readouts(), 4u);
  EXPECT_LE(readouts(), 8u);
  EXPECT_EQ(f.ui.beeps(), 1);
}

TEST_F(AcquireSequence, ASeriesWithoutContinuousIsShownAndSavedOnce) {
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 1);
    d.exposuresRight();
    d.exposuresRight();
    d.toggle(TNVDialog::Check::AutoSave);
  });
  EXPECT_EQ(readouts(), 3u);
  EXPECT_EQ(autosavedFiles(), 1u);
  const auto captions = f.ui.progressCaptions();
  EXPECT_EQ(captions[0], "EXPOSURE UNDERWAY (Left - 3)");
  EXPECT_EQ(captions[1], "READING KR CAMERA (Left - 3)");
  EXPECT_EQ(captions[4], "EXPOSURE UNDERWAY");
}

TEST_F(AcquireSequence, CalibrationFailuresShowTheirMessagesAndTheRunGoesOn) {
  struct Case {
    bool dark;
    bool makeFile;  // a file too short to be a raw file
    const char* message;
  };
  for (const Case c : {Case{true, false, "Failed to Open Darkframe KR File"},
                       Case{true, true, "Sorry, chosen Darkframe is not an KR File"},
                       Case{false, false, "Failed to Open Flatfield KR File"},
                       Case{false, true, "Sorry, chosen Flatfield is not a KR File"}}) {
    SCOPED_TRACE(c.message);
    f.ui.clearRecord();
    sim.log().clear();
    const auto path = f.root.path() / "calibration.raw";
    std::filesystem::remove(path);
    if (c.makeFile) std::ofstream(path) << "not a frame";
    f.program.fileMenu.darkFramePath = c.dark ? path.string() : "";
    f.program.fileMenu.flatFieldPath = c.dark ? "" : path.string();
    f.program.acquisition.autoRemoveDark = c.dark;
    f.program.acquisition.autoApplyFlat = !c.dark;
    takePhoto([](TNVDialog& d) {
      d.chooseReadoutMode(4);
      seconds(d, 1);
      d.exposuresRight();
    });
    EXPECT_EQ(readouts(), 2u);
    EXPECT_EQ(f.ui.messageTexts(), (std::vector<std::string>{c.message, c.message}));
    EXPECT_EQ(f.program.history.slot(0), c.dark ? "Dark Frame Subtracted" : "Flatfield Applied");
  }
}

TEST_F(AcquireSequence, TheDarkIsReadOnceAndSubtracted) {
  // A dark of constant 100 over a full frame.
  const auto path = f.root.path() / "dark.raw";
  {
    std::vector<std::uint16_t> dark(12'305'920 / 2, 100);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(dark.data()), 12'305'920);
  }
  f.program.fileMenu.darkFramePath = path.string();
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 1);
  });
  const auto raw = std::vector<std::uint16_t>(f.program.planes.RawImage.begin(),
                                              f.program.planes.RawImage.begin() + 10000);
  f.ui.clearRecord();
  f.program.acquisition.autoRemoveDark = true;
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    seconds(d, 1);
  });
  EXPECT_TRUE(f.ui.messages().empty());
  // The simulated sky differs from frame to frame only by noise; the dark lowers the mean.
  double before = 0, after = 0;
  for (int i = 0; i < 10000; ++i) {
    before += raw[static_cast<std::size_t>(i)];
    after += f.program.planes.RawImage[static_cast<std::size_t>(i)];
  }
  EXPECT_NEAR((before - after) / 10000, 100.0, 20.0);
}

TEST_F(AcquireSequence, CancelEndsWithoutExposure) {
  f.ui.onDialog<TNVDialog>("TNVDialog", [](TNVDialog& d) { return d.cancel(); });
  EXPECT_EQ(CameraInterface(f.program), InterfaceOutcome::Closed);
  EXPECT_EQ(readouts(), 0u);
  EXPECT_TRUE(f.program.devices.cameraConnected);
}

TEST(AcquireSequenceNoCamera, SaysSoAndEndsWithoutTheDialog) {
  test::ProgramFixture f;
  sim::SimulationOptions none;
  none.cameraPresent = false;
  sim::SimulatedDevices sim(f.clock, none);
  f.program.devices.enumerator = &sim;
  EXPECT_EQ(CameraInterface(f.program), InterfaceOutcome::NoCamera);
  EXPECT_TRUE(f.ui.dialogsShown().empty());
  ASSERT_FALSE(f.ui.messageTexts().empty());
  EXPECT_EQ(f.ui.messageTexts().back(), "Sorry, No camera found on USB");
}

TEST(ProgressSteps, ByUnitAndValue) {
  struct Case {
    char unit;
    int value;
    int steps;
  };
  for (const Case c : {Case{'s', 4, 2}, Case{'s', 5, 6}, Case{'s', 12, 6}, Case{'s', 13, 20},
                       Case{'m', 1, 20}, Case{'t', 50, 2}, Case{'q', 500, 2}}) {
    EXPECT_EQ(progressSteps(c.unit, c.value), c.steps) << c.unit << c.value;
  }
}

}  // namespace
}  // namespace nvk::acquire
