// The camera interface command run end to end: the program, the simulated camera, the virtual
// clock and a scripted user.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "acquire/exposure_guiding.h"
#include "acquire/exposure_sequence.h"
#include "acquire/star_alignment.h"
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

TEST_F(AcquireSequence, AFailedAutosaveShowsMessage29AndTheRunGoesOn) {
  // The autosave folder cannot be created: a file is in its way.
  const auto blocked = f.root.path() / "blocked";
  std::ofstream(blocked) << "a file";
  f.program.settings.autosaveDirectory = blocked.string();
  takePhoto([](TNVDialog& d) {
    d.chooseReadoutMode(4);
    d.exposuresRight();
    d.toggle(TNVDialog::Check::Continuous);
    d.toggle(TNVDialog::Check::AutoSave);
    seconds(d, 1);
  });
  EXPECT_EQ(readouts(), 2u);
  EXPECT_EQ(f.ui.messageTexts(),
            (std::vector<std::string>{"Unable to create file, check disk space",
                                      "Unable to create file, check disk space"}));
  EXPECT_EQ(f.program.settings.autosaveCounter, 0);
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

// The simulated camera on a mount that moves the sky by a known step after every main-sensor
// readout, and noise-free stars.
class ShiftingSky final : public port::DeviceEnumerator {
 public:
  explicit ShiftingSky(port::Clock& clock) : sim_(clock, options()) {}
  static sim::SimulationOptions options() {
    sim::SimulationOptions o;
    o.sky.noise = false;
    return o;
  }

  sim::SimulatedDevices& sim() { return sim_; }
  // Sky pixels the pointing moves after each readout.
  double stepX = 0, stepY = 0;
  int readouts = 0;
  // Runs after each readout (counted from 1) instead of the step, when set.
  std::function<void(int)> onReadout;

  std::optional<std::vector<port::PresentInterface>> presentInterfaces(
      port::InterfaceClass cls) override {
    return sim_.presentInterfaces(cls);
  }
  std::unique_ptr<port::CameraTransport> openCamera(const std::string& path) override {
    auto inner = sim_.openCamera(path);
    return inner ? std::make_unique<Channel>(*this, std::move(inner)) : nullptr;
  }
  std::unique_ptr<port::FilterWheelTransport> openFilterWheel(const std::string& path) override {
    return sim_.openFilterWheel(path);
  }
  port::OsVersion osVersion() override { return sim_.osVersion(); }

 private:
  struct Channel final : port::CameraTransport {
    Channel(ShiftingSky& sky, std::unique_ptr<port::CameraTransport> inner)
        : sky(sky), inner(std::move(inner)) {}
    port::TransferResult write(std::span<const std::uint8_t> block) override {
      const auto result = inner->write(block);
      const bool readout = block.size() >= 6 && (block[1] == 2 || block[1] == 3) &&
                           block[4] == camera::kMainSensor && block[5] == 0;
      if (readout) {
        ++sky.readouts;
        if (sky.onReadout) {
          sky.onReadout(sky.readouts);
        } else {
          sky.sim_.sky().movePointing(sky.stepX, sky.stepY);
        }
      }
      return result;
    }
    port::TransferResult read(std::span<std::uint8_t> buffer) override {
      return inner->read(buffer);
    }
    int handleNumber() const override { return inner->handleNumber(); }
    ShiftingSky& sky;
    std::unique_ptr<port::CameraTransport> inner;
  };

  sim::SimulatedDevices sim_;
};

class AlignedSeries : public ::testing::Test {
 protected:
  void SetUp() override { f.program.devices.enumerator = &sky; }
  void takeSeries(int frames, bool average = false) {
    f.ui.onDialog<TNVDialog>("TNVDialog", [frames, average](TNVDialog& d) {
      d.chooseReadoutMode(2);  // binned 2x2: one image pixel is two sky pixels
      d.chooseUnit('t');
      for (int i = 1; i < frames; ++i)
        d.exposuresRight();
      if (average) d.toggle(TNVDialog::Check::Average);
      d.setExposureField("1");  // 100 ms: the brightest stars stay below saturation
      return d.takePhoto().value_or(port::DialogResult::Cancel);
    });
    CameraInterface(f.program);
  }
  std::vector<std::uint16_t> image() const {
    const auto n = static_cast<std::size_t>(f.program.geometry.width * f.program.geometry.height);
    return {f.program.planes.RawImage.begin(), f.program.planes.RawImage.begin() + n};
  }

  test::ProgramFixture f;
  ShiftingSky sky{f.clock};
};

TEST_F(AlignedSeries, ThreeFramesAreAlignedOnTheStarAndSummedWhereTheLastFrameHasIt) {
  // Every frame sees the sky 6 sky pixels right and 4 down of the one before: 3 and 2 image
  // pixels.
  sky.stepX = 6;
  sky.stepY = 4;
  takeSeries(3);
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_EQ(sky.readouts, 3);
  const auto sum = image();

  // The same sky once, where the third frame saw it.
  sky.stepX = sky.stepY = 0;
  sky.sim().sky().movePointing(-6, -4);
  takeSeries(1);
  auto single = image();
  const int width = f.program.geometry.width;
  const FrameView view{single, width, f.program.geometry.height};
  const auto [row, column] = brightestStar(view, 20);
  ASSERT_GT(view.at(row, column), 4000);
  ASSERT_LT(view.at(row, column), 20000);
  // Summed in place, the star is three times as bright around its peak; misaligned by the
  // 3 x 2 pixel steps it would be hardly brighter than one frame.
  for (int dr = -1; dr <= 1; ++dr) {
    for (int dc = -1; dc <= 1; ++dc) {
      const auto i = static_cast<std::size_t>((row + dr) * width + column + dc);
      EXPECT_NEAR(sum[i], 3.0 * single[i], 0.03 * 3.0 * single[i] + 30) << dr << "," << dc;
    }
  }
}

TEST_F(AlignedSeries, AveragedSeriesDividesEachFrameByTheirNumber) {
  takeSeries(3, true);
  const auto mean = image();
  takeSeries(1);
  const auto single = image();
  const FrameView view{const_cast<std::vector<std::uint16_t>&>(single), f.program.geometry.width,
                       f.program.geometry.height};
  const auto [row, column] = brightestStar(view, 20);
  const auto i = static_cast<std::size_t>(row * f.program.geometry.width + column);
  // Each frame loses at most 1 to the integer division.
  EXPECT_NEAR(mean[i], single[i], 0.02 * single[i] + 3);
}

TEST_F(AlignedSeries, ALostStarShowsMessage4AndEndsTheRunAfterThatFrame) {
  // One star in the first frame; a cloud hides it from the second on.
  sky.sim().camera().setTestPattern([](int row, int column) {
    const double d2 = (row - 1000.0) * (row - 1000.0) + (column - 1500.0) * (column - 1500.0);
    return static_cast<std::uint16_t>(120 + 3000 * std::exp(-d2 / 18));
  });
  sky.onReadout = [this](int n) {
    if (n == 1) sky.sim().camera().setTestPattern([](int, int) { return std::uint16_t{120}; });
  };
  f.program.acquisition.autoSave = true;
  takeSeries(3);
  EXPECT_EQ(sky.readouts, 2);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].text.rfind("Sorry. Guide star lost.", 0), 0u);
  // The run still ends as a run does: the sum so far is shown and saved.
  EXPECT_EQ(f.program.history.usedCount(), 0);
  std::size_t saved = 0;
  for (const auto& e : std::filesystem::directory_iterator(f.program.autosaveFolder()))
    saved += e.path().extension() == ".FIT";
  EXPECT_EQ(saved, 1u);
}

TEST_F(AlignedSeries, TheSumStartsOnThePickedGuideStarElseOnTheBrightest) {
  // A bright star at sensor row 1000, column 1500 and a fainter one at 600, 900; a cloud
  // hides the bright one from the second frame on. A sum on the bright star loses it (message
  // 4, the run ends after two frames); a sum on the faint one goes on to the third frame.
  auto star = [](int row, int column, double r0, double c0, double peak) {
    const double d2 = (row - r0) * (row - r0) + (column - c0) * (column - c0);
    return peak * std::exp(-d2 / 18);
  };
  auto sky2 = [star](bool bright) {
    return [star, bright](int row, int column) {
      const double v = 120 + star(row, column, 600, 900, 1500) +
                       (bright ? star(row, column, 1000, 1500, 3000) : 0.0);
      return static_cast<std::uint16_t>(v);
    };
  };
  struct Case {
    const char* what;
    std::optional<scope::StarPosition> pick;  // full-resolution pixels, as a pick keeps it
    int readouts;
    std::size_t messages;
  };
  const Case cases[] = {
      {"no pick", std::nullopt, 2, 1},
      {"faint star picked", scope::StarPosition{902, 0, 598, 0}, 3, 0},
      {"bright star picked", scope::StarPosition{1500, 0, 1000, 0}, 2, 1},
      {"pick outside the binned frame", scope::StarPosition{3030, 0, 900, 0}, 2, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    f.ui.clearRecord();
    sky.readouts = 0;
    sky.sim().camera().setTestPattern(sky2(true));
    sky.onReadout = [this, sky2](int n) {
      if (n == 1) sky.sim().camera().setTestPattern(sky2(false));
    };
    f.program.guiding.mainStarPicked = k.pick.has_value();
    if (k.pick) f.program.guiding.mainStar.position = *k.pick;
    takeSeries(3);
    EXPECT_EQ(sky.readouts, k.readouts);
    ASSERT_EQ(f.ui.messages().size(), k.messages);
    if (k.messages) {
      EXPECT_EQ(f.ui.messages()[0].text.rfind("Sorry. Guide star lost.", 0), 0u);
    }
  }
}

TEST_F(AlignedSeries, TheProfileMethodWithoutABrightRegionShowsMessage5) {
  // A uniform field: binned 2 x 2 each image sample is 4 x 90 = 360, background bin 1, and
  // nothing reaches 1 x 400.
  sky.sim().camera().setTestPattern([](int, int) { return std::uint16_t{90}; });
  f.program.acquisition.alternativeSlewMethod = true;
  takeSeries(3);
  EXPECT_EQ(sky.readouts, 1);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(f.ui.messages()[0].text.rfind("Sorry. Cannot find suitable guide star", 0), 0u);
}

// What the guiding subsystem is asked during a guided exposure.
struct RecordingGuiding final : ExposureGuiding {
  std::vector<std::string>* calls;
  bool canStart = true;
  int stepsBeforeStop = -1;  // guideStep asks to stop after this many steps (-1: never)
  int steps = 0;
  explicit RecordingGuiding(std::vector<std::string>& c) : calls(&c) {}
  bool startGuiding() override {
    calls->push_back("start");
    return canStart;
  }
  bool guideStep() override {
    ++steps;
    return stepsBeforeStop < 0 || steps <= stepsBeforeStop;
  }
  void stopGuiding() override { calls->push_back("stop"); }
  bool userAbort() override {
    calls->push_back("abort");
    return false;
  }
  void runEnded() override { calls->push_back("runEnded"); }
  void commandEnded() override { calls->push_back("commandEnded"); }
};

class GuidedExposure : public AcquireSequence {
 protected:
  void SetUp() override {
    AcquireSequence::SetUp();
    f.program.settings.guideOutputMode = image::GuideOutputMode::Lx200;
    auto g = std::make_unique<RecordingGuiding>(calls);
    guiding = g.get();
    f.program.exposureGuiding = std::move(g);
  }
  InterfaceOutcome autoguidePhoto(int seconds, int frames = 1) {
    f.ui.onDialog<TNVDialog>("TNVDialog", [=](TNVDialog& d) {
      d.chooseReadoutMode(4);
      for (int i = 1; i < frames; ++i)
        d.exposuresRight();
      d.chooseUnit('s');
      d.setExposureField(std::to_string(seconds));
      return d.autoguidePhoto().value_or(port::DialogResult::Cancel);
    });
    return CameraInterface(f.program);
  }
  std::vector<std::string> calls;
  RecordingGuiding* guiding = nullptr;
};

TEST_F(GuidedExposure, GuidingStartsStepsOnEveryPassAndStopsAfterTheExposure) {
  ASSERT_EQ(autoguidePhoto(5), InterfaceOutcome::Ran);
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop", "runEnded", "commandEnded"}));
  // One step per 10 ms pump quantum of the virtual clock over the 5 s.
  EXPECT_GE(guiding->steps, 490);
  EXPECT_LE(guiding->steps, 510);
  EXPECT_EQ(readouts(), 1u);
  EXPECT_FALSE(f.program.acquisition.guideDuringExposure);  // the next photo is unguided
}

TEST_F(GuidedExposure, ASeriesGuidesThroughAndStopsAfterTheLastFrame) {
  autoguidePhoto(2, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop", "runEnded", "commandEnded"}));
  EXPECT_EQ(readouts(), 3u);
}

TEST_F(GuidedExposure, GuidingThatAsksToStopEndsTheExposureButReadsItOut) {
  guiding->stepsBeforeStop = 100;  // about one second in
  const std::uint32_t t0 = f.clock.nowMs();
  autoguidePhoto(10);
  EXPECT_EQ(readouts(), 1u);
  EXPECT_LT(f.clock.nowMs() - t0, 3000u);
  EXPECT_LT(sim.camera().lastExposureMs(), 2000u);
}

TEST_F(GuidedExposure, GuidingThatCannotStartAbortsTheFrameAndContinuous) {
  guiding->canStart = false;
  f.program.acquisition.continuous = true;
  autoguidePhoto(5);
  EXPECT_EQ(readouts(), 0u);
  EXPECT_FALSE(f.program.acquisition.continuous);
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "stop", "runEnded", "commandEnded"}));
}

TEST_F(GuidedExposure, AKeyPressTellsGuidingToo) {
  f.ui.pressKeyAt(f.clock.nowMs() + 2000);
  autoguidePhoto(5);
  EXPECT_EQ(readouts(), 0u);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"start", "abort", "stop", "runEnded", "commandEnded"}));
}

TEST_F(GuidedExposure, WithoutGuidingTheGuidedFrameIsAborted) {
  f.program.exposureGuiding.reset();
  autoguidePhoto(5);
  EXPECT_EQ(readouts(), 0u);
}

TEST_F(AcquireSequence, GoToAutoguiderEndsTheCommandForTheAutoguider) {
  f.program.settings.guideOutputMode = image::GuideOutputMode::AutoguiderSocket;
  f.ui.onDialog<TNVDialog>("TNVDialog", [](TNVDialog& d) {
    return d.goToAutoguider().value_or(port::DialogResult::Ok);
  });
  EXPECT_EQ(CameraInterface(f.program), InterfaceOutcome::GoToAutoguider);
  EXPECT_EQ(readouts(), 0u);
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
