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
#include "colour/synthesis.h"
#include "files/fits_file.h"
#include "integration/photo_script.h"
#include "sim/simulated_devices.h"
#include "support/program_fixture.h"

namespace nvk::acquire {
namespace {

using Record = sim::TransferRecord;
using test::Photo;

// The simulated camera with noise-free stars.
sim::SimulationOptions noiseFree() {
  sim::SimulationOptions o;
  o.sky.noise = false;
  return o;
}

class AcquireSequence : public ::testing::Test {
 protected:
  void SetUp() override { f.program.devices.enumerator = &sim; }

  InterfaceOutcome takePhoto(const Photo& p = {}) { return test::runPhoto(f, p); }

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
    for (const auto& e : std::filesystem::directory_iterator(folder))
      n += e.path().extension() == ".FIT";
    return n;
  }
  std::vector<std::uint16_t> image() const {
    const auto n = static_cast<std::size_t>(f.program.geometry.width * f.program.geometry.height);
    return {f.program.planes.RawImage.begin(), f.program.planes.RawImage.begin() + n};
  }
  std::string firstMessage() const {
    return f.ui.messages().empty() ? "" : f.ui.messages()[0].text;
  }

  // From the next readout on, every main-sensor frame sees the sky `dx`, `dy` sky pixels further
  // on than the one before (the log holds a readout's command while its frame is rendered).
  void shiftSkyEveryFrame(double dx, double dy) {
    const std::size_t before = readouts();
    sim.sky().attachMount([this, dx, dy, before] {
      const double n = static_cast<double>(readouts() - before);
      return sim::MountReading{{dx * std::max(0.0, n - 1), dy * std::max(0.0, n - 1)}, 0.0};
    });
  }
  // The main sensor shows `first` in the first frame from now on and `later` after it.
  void patternAfterFirstFrame(sim::TestPattern first, sim::TestPattern later) {
    sim.camera().setTestPattern([this, first, later, before = readouts(), seen = std::size_t{0},
                                 n = std::size_t{0}](int row, int column) mutable {
      if (seen != sim.log().records().size()) {
        seen = sim.log().records().size();
        n = readouts() - before;
      }
      return n <= 1 ? first(row, column) : later(row, column);
    });
  }

  test::ProgramFixture f;
  sim::SimulatedDevices sim{f.clock, noiseFree()};
};

TEST_F(AcquireSequence, OneSecondIsTimedByTheCameraWithoutAProgressLoop) {
  ASSERT_EQ(takePhoto(), InterfaceOutcome::Ran);
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
  takePhoto({.unit = 't', .value = 20});
  const auto clears = writes(camera::CommandCode::ClearSensor, camera::kClearStart);
  const auto reads = writes(camera::CommandCode::ReadPixels);
  ASSERT_EQ(clears.size(), 1u);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_GE(reads[0] - clears[0], 2000u - 50u);
  // Only the one dispatch after the readout.
  EXPECT_EQ(f.ui.pumps(), 1);
}

TEST_F(AcquireSequence, TenSecondsFlushEveryHalfSecondInTheLastFourSeconds) {
  takePhoto({.value = 10});
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
  takePhoto({.value = 10, .frames = 3});
  EXPECT_EQ(readouts(), 0u);
  EXPECT_EQ(f.ui.beeps(), 1);
  EXPECT_LT(f.clock.nowMs() - t0, 3100u);
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_FALSE(f.ui.progressOpen());
}

// The exposure's progress window offers the user's stop, and the image it leaves is marked
// unsaved unless the run saved it itself or was aborted before any readout.
TEST_F(AcquireSequence, AnExposureOffersStopAndLeavesItsImageMarkedUnsaved) {
  const struct {
    const char* what;
    bool autosave;
    bool abort;
    bool unsaved;
  } cases[] = {{"plain", false, false, true},
               {"autosaved", true, false, false},
               {"aborted", false, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    f.ui.clearRecord();
    f.program.state.unsavedSinceExposure = false;
    if (c.abort) f.ui.pressKeyAt(f.clock.nowMs() + 2000);
    takePhoto({.value = 5, .autoSave = c.autosave});
    EXPECT_EQ(f.program.state.unsavedSinceExposure, c.unsaved);
    ASSERT_FALSE(f.ui.progressEvents().empty());
    EXPECT_EQ(f.ui.progressEvents()[0].stoppable, port::Stoppable::Yes);
  }
}

TEST_F(AcquireSequence, DelayCountsDownWithABeepEachSecond) {
  takePhoto({.delay = true});
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
  takePhoto({.frames = 3, .continuous = true, .autoSave = true});
  EXPECT_EQ(readouts(), 3u);
  EXPECT_EQ(autosavedFiles(), 3u);
  EXPECT_EQ(firstMessage(), "");
}

TEST_F(AcquireSequence, ContinuousWithOneFrameRepeatsUntilAKeyPress) {
  f.ui.pressKeyAt(f.clock.nowMs() + 20'000);
  takePhoto({.continuous = true});
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
  takePhoto({.frames = 2, .continuous = true, .autoSave = true});
  EXPECT_EQ(readouts(), 2u);
  EXPECT_EQ(f.ui.messageTexts(),
            (std::vector<std::string>{"Unable to create file, check disk space\nNot a directory",
                                      "Unable to create file, check disk space\nNot a directory"}));
  EXPECT_EQ(f.program.settings.autosaveCounter, 0);
}

TEST_F(AcquireSequence, ASeriesWithoutContinuousIsShownAndSavedOnce) {
  takePhoto({.frames = 3, .autoSave = true});
  EXPECT_EQ(readouts(), 3u);
  EXPECT_EQ(autosavedFiles(), 1u);
  const auto captions = f.ui.progressCaptions();
  EXPECT_EQ(captions[0], "EXPOSURE UNDERWAY (Left - 3)");
  EXPECT_EQ(captions[1], "READING KR CAMERA (Left - 3)");
  EXPECT_EQ(captions[4], "EXPOSURE UNDERWAY");
}

TEST_F(AcquireSequence, AnExposureAfterAColourSynthesisTakesAMonoImage) {
  // The exposure kept the colour flag, so the new frame was shown, measured and quick-saved with
  // the colour planes of the field synthesised before it.
  takePhoto();
  colour::synthesizeColour(f.program);
  ASSERT_TRUE(f.program.state.colourConverted);
  takePhoto({.autoSave = true});
  EXPECT_FALSE(f.program.state.colourConverted);
  ASSERT_EQ(autosavedFiles(), 1u);
  const auto saved = f.program.autosaveFolder() /
                     ("IMG" + std::to_string(f.program.settings.autosaveCounter) + ".FIT");
  std::ifstream in(saved, std::ios::binary);
  std::string header(2880, '\0');
  in.read(header.data(), static_cast<std::streamsize>(header.size()));
  EXPECT_NE(header.find("NAXIS   =                    2 /"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(saved),
            files::fitsFileSize({.binned = true}, f.program.settings.padFits));
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
    takePhoto({.frames = 2});
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
  takePhoto();
  const auto raw = image();
  f.ui.clearRecord();
  f.program.acquisition.autoRemoveDark = true;
  takePhoto();
  EXPECT_TRUE(f.ui.messages().empty());
  // The simulated sky is the same from frame to frame; the dark lowers the mean.
  const auto dark = image();
  double before = 0, after = 0;
  for (std::size_t i = 0; i < 10000; ++i) {
    before += raw[i];
    after += dark[i];
  }
  EXPECT_NEAR((before - after) / 10000, 100.0, 20.0);
}

TEST_F(AcquireSequence, CancelAndGoToAutoguiderEndWithoutExposure) {
  f.ui.onDialog<TNVDialog>("TNVDialog", [](TNVDialog& d) { return d.cancel(); });
  EXPECT_EQ(CameraInterface(f.program), InterfaceOutcome::Closed);
  EXPECT_TRUE(f.program.devices.cameraConnected);
  f.program.settings.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  f.ui.onDialog<TNVDialog>("TNVDialog", [](TNVDialog& d) {
    return d.goToAutoguider().value_or(port::DialogResult::Ok);
  });
  EXPECT_EQ(CameraInterface(f.program), InterfaceOutcome::GoToAutoguider);
  EXPECT_EQ(readouts(), 0u);
}

// Series of binned 2x2 frames (one image pixel is two sky pixels) of 100 ms: the brightest stars
// stay below saturation.
constexpr Photo kSeries{.mode = 2, .unit = 't', .value = 1, .frames = 3};

TEST_F(AcquireSequence, ThreeFramesAreAlignedOnTheStarAndSummedWhereTheLastFrameHasIt) {
  // Every frame sees the sky 6 sky pixels right and 4 down of the one before: 3 and 2 image
  // pixels.
  shiftSkyEveryFrame(6, 4);
  takePhoto(kSeries);
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_EQ(readouts(), 3u);
  const auto sum = image();

  // The same sky once, where the third frame saw it.
  sim.sky().attachMount({});
  sim.sky().movePointing(12, 8);
  takePhoto({.mode = 2, .unit = 't'});
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

TEST_F(AcquireSequence, AveragedSeriesDividesEachFrameByTheirNumber) {
  Photo averaged = kSeries;
  averaged.average = true;
  takePhoto(averaged);
  const auto mean = image();
  takePhoto({.mode = 2, .unit = 't'});
  auto single = image();
  const FrameView view{single, f.program.geometry.width, f.program.geometry.height};
  const auto [row, column] = brightestStar(view, 20);
  const auto i = static_cast<std::size_t>(row * f.program.geometry.width + column);
  // Each frame loses at most 1 to the integer division.
  EXPECT_NEAR(mean[i], single[i], 0.02 * single[i] + 3);
}

TEST_F(AcquireSequence, TheSumStartsOnThePickedGuideStarElseOnTheBrightest) {
  // A bright star at sensor row 1000, column 1500 and a fainter one at 600, 900; a cloud
  // hides the bright one from the second frame on. A sum on the bright star loses it (message
  // 4, the run ends after two frames but is still shown and saved once); a sum on the faint one
  // goes on to the third frame.
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
    std::size_t readouts;
    bool lost;
  };
  const Case cases[] = {
      {"no pick", std::nullopt, 2, true},
      {"faint star picked", scope::StarPosition{902, 0, 598, 0}, 3, false},
      {"bright star picked", scope::StarPosition{1500, 0, 1000, 0}, 2, true},
      {"pick outside the binned frame", scope::StarPosition{3030, 0, 900, 0}, 2, true},
  };
  Photo saved = kSeries;
  saved.autoSave = true;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    f.ui.clearRecord();
    sim.log().clear();
    patternAfterFirstFrame(sky2(true), sky2(false));
    f.program.guiding.mainStarPicked = k.pick.has_value();
    if (k.pick) f.program.guiding.mainStar.position = *k.pick;
    const std::size_t filesBefore = autosavedFiles();
    takePhoto(saved);
    EXPECT_EQ(readouts(), k.readouts);
    ASSERT_EQ(f.ui.messages().size(), k.lost ? 1u : 0u);
    if (k.lost) {
      EXPECT_EQ(firstMessage().rfind("Sorry. Guide star lost.", 0), 0u);
    }
    EXPECT_EQ(f.program.history.usedCount(), 0);
    EXPECT_EQ(autosavedFiles(), filesBefore + 1);
  }
}

TEST_F(AcquireSequence, TheProfileMethodWithoutABrightRegionShowsMessage5) {
  // A uniform field: binned 2 x 2 each image sample is 4 x 90 = 360, background bin 1, and
  // nothing reaches 1 x 400.
  sim.camera().setTestPattern([](int, int) { return std::uint16_t{90}; });
  f.program.acquisition.alternativeSlewMethod = true;
  takePhoto(kSeries);
  EXPECT_EQ(readouts(), 1u);
  ASSERT_EQ(f.ui.messages().size(), 1u);
  EXPECT_EQ(firstMessage().rfind("Sorry. Cannot find suitable guide star", 0), 0u);
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
    f.program.settings.guideOutputMode = settings::GuideOutputMode::Lx200;
    auto g = std::make_unique<RecordingGuiding>(calls);
    guiding = g.get();
    f.program.exposureGuiding = std::move(g);
  }
  InterfaceOutcome autoguidePhoto(int seconds, int frames = 1) {
    return test::runPhoto(f, {.value = seconds, .frames = frames}, true);
  }
  std::vector<std::string> calls;
  RecordingGuiding* guiding = nullptr;
};

const std::vector<std::string> kGuidedRun{"start", "stop", "runEnded", "commandEnded"};

TEST_F(GuidedExposure, GuidingStartsStepsOnEveryPassAndStopsAfterTheExposure) {
  ASSERT_EQ(autoguidePhoto(5), InterfaceOutcome::Ran);
  EXPECT_EQ(calls, kGuidedRun);
  // One step per 10 ms pump quantum of the virtual clock over the 5 s.
  EXPECT_GE(guiding->steps, 490);
  EXPECT_LE(guiding->steps, 510);
  EXPECT_EQ(readouts(), 1u);
  EXPECT_FALSE(f.program.acquisition.guideDuringExposure);  // the next photo is unguided
}

TEST_F(GuidedExposure, GuidingThatAsksToStopEndsTheExposureButReadsItOut) {
  guiding->stepsBeforeStop = 100;  // about one second in
  const std::uint32_t t0 = f.clock.nowMs();
  autoguidePhoto(10);
  EXPECT_EQ(readouts(), 1u);
  EXPECT_LT(f.clock.nowMs() - t0, 3000u);
  EXPECT_LT(sim.camera().lastExposureMs(), 2000u);
}

TEST_F(GuidedExposure, SeriesFailedStartsKeyPressesAndNoGuiding) {
  struct Case {
    const char* what;
    Photo photo;
    std::function<void()> setup;
    std::vector<std::string> calls;
    std::size_t readouts;
  };
  const Case cases[] = {
      {"a series guides through and stops after the last frame",
       {.value = 2, .frames = 3},
       [] {},
       kGuidedRun,
       3},
      {"a key press tells guiding too",
       {.value = 2},
       [this] { f.ui.pressKeyAt(f.clock.nowMs() + 1000); },
       {"start", "abort", "stop", "runEnded", "commandEnded"},
       0},
      {"guiding that cannot start aborts the frame and continuous",
       {.value = 2, .continuous = true},
       [this] { guiding->canStart = false; },
       kGuidedRun,
       0},
      {"without guiding the guided frame is aborted",
       {.value = 2},
       [this] { f.program.exposureGuiding.reset(); },
       {},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    calls.clear();
    sim.log().clear();
    c.setup();
    test::runPhoto(f, c.photo, true);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(readouts(), c.readouts);
    EXPECT_FALSE(f.program.acquisition.continuous);
  }
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
