// Device faults injected under the program's real paths: the camera that times out, answers
// short, breaks off mid-frame or is unplugged; the filter wheel that does not answer; the PC
// serial port that vanishes or brings noise. Each fault ends what was under way with the
// program's message in bounded time, leaves the files already saved alone, and the same
// commands work again once the device answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "acquire/camera_control.h"
#include "camera/discovery.h"
#include "integration/photo_script.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "scope/move_telescope_dialog.h"
#include "sim/faulty_devices.h"
#include "sim/guiding_rig.h"
#include "sim/mount.h"
#include "support/program_fixture.h"

namespace nvk::sim {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string readFailedText(int code) {
  return "Error " + std::to_string(code) + " trying to read NVKIO data from USB\n";
}

// The autosave folder's files with their contents.
std::map<fs::path, std::string> autosaved(const app::Program& program) {
  std::map<fs::path, std::string> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(program.autosaveFolder(), ec))
    files[e.path().filename()] = contents(e.path());
  return files;
}

class CameraFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    SimulationOptions o;
    o.sky.noise = false;
    devices = std::make_unique<SimulatedDevices>(f.clock, o);
    faulty = std::make_unique<FaultyDevices>(*devices, f.clock);
    f.program.devices.enumerator = faulty.get();
  }

  test::ProgramFixture f;
  std::unique_ptr<SimulatedDevices> devices;
  std::unique_ptr<FaultyDevices> faulty;
};

struct ExposureFaultCase {
  const char* name;
  CameraFault fault;
  test::Photo photo;
  int readsToSpare;
  std::string message;
  std::size_t filesFromTheRun;  // frames of a continuous run saved before the fault
};

// Reads at least this long are frames.
constexpr std::size_t kFrameBytes = 1000;
const test::Photo kSeries{.frames = 3, .autoSave = true};
const test::Photo kContinuous{.continuous = true, .autoSave = true};

const ExposureFaultCase kExposureFaults[] = {
    {"TimeOut", CameraFault::TimeOut, {.autoSave = true}, 0, readFailedText(-7), 0},
    // Mode 4 reads 382 032 bytes, of which a short read brings half.
    {"ShortRead", CameraFault::ShortRead, {.autoSave = true}, 0, readFailedText(191'016), 0},
    {"ErrorMidFrame", CameraFault::ErrorMidFrame, kSeries, 1, readFailedText(-1), 0},
    {"TimeOutInContinuousRun", CameraFault::TimeOut, kContinuous, 2, readFailedText(-7), 2},
    {"GoneDuringTheReadout", CameraFault::Gone, kSeries, 1, readFailedText(-4), 0},
};

class ExposureFaults : public CameraFaults,
                       public ::testing::WithParamInterface<ExposureFaultCase> {};

TEST_P(ExposureFaults, EndTheExposureWithTheMessageKeepSavedFilesAndWorkAgainAfterwards) {
  const ExposureFaultCase& c = GetParam();
  ASSERT_EQ(test::runPhoto(f, {.autoSave = true}), acquire::InterfaceOutcome::Ran);
  const auto before = autosaved(f.program);
  ASSERT_EQ(before.size(), 2u);  // the frame and the settings file's counter
  ASSERT_TRUE(f.ui.messages().empty());

  // The fault falls on frames, not on the cooler's replies to the dialog.
  faulty->setCameraFault(c.fault, c.readsToSpare, kFrameBytes);
  const std::uint32_t start = f.clock.nowMs();
  // A continuous run that the fault did not end would go on until this press.
  f.ui.pressKeyAt(start + 600'000);
  ASSERT_EQ(test::runPhoto(f, c.photo), acquire::InterfaceOutcome::Ran);
  EXPECT_LT(f.clock.nowMs() - start, 60'000u) << "the run went on after the fault";
  ASSERT_EQ(f.ui.messageTexts(), std::vector<std::string>{c.message});
  EXPECT_FALSE(f.ui.progressOpen());

  auto after = autosaved(f.program);
  for (const auto& [name, bytes] : before) {
    if (name.extension() != ".FIT") continue;
    ASSERT_TRUE(after.contains(name));
    EXPECT_EQ(after[name], bytes) << name;
  }
  const auto fits = [](const auto& files) {
    return std::count_if(files.begin(), files.end(),
                         [](const auto& e) { return e.first.extension() == ".FIT"; });
  };
  EXPECT_EQ(static_cast<std::size_t>(fits(after)), 1 + c.filesFromTheRun);

  // The camera answers again (plugged back in): the camera dialog takes and saves a frame.
  faulty->setCameraFault(CameraFault::None);
  f.ui.clearRecord();
  ASSERT_EQ(test::runPhoto(f, {.autoSave = true}), acquire::InterfaceOutcome::Ran);
  EXPECT_TRUE(f.ui.messageTexts().empty()) << f.ui.messageTexts()[0];
  EXPECT_EQ(static_cast<std::size_t>(fits(autosaved(f.program))), 2 + c.filesFromTheRun);
  EXPECT_TRUE(f.ui.scriptErrors().empty());
}

INSTANTIATE_TEST_SUITE_P(Camera, ExposureFaults, ::testing::ValuesIn(kExposureFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// What the input buffer holds from another command is no answer: a failed cooler reply keeps
// the temperature measured before, a failed version reply the version (and the cooler).
TEST_F(CameraFaults, FailedRepliesKeepTheTemperatureAndTheFirmwareVersion) {
  ASSERT_TRUE(acquire::ExposureSequence(f.program).connect());
  acquire::ProgramCameraControl control(f.program);
  const int measured = control.setCooling();
  auto& camera = f.program.camera();
  const camera::FirmwareVersion version = camera.readFirmware();
  faulty->setCameraFault(CameraFault::TimeOut);
  EXPECT_EQ(control.setCooling(), measured);
  EXPECT_EQ(f.program.devices.cooler.temperatureC, measured);
  f.program.planes.cameraBuffer[0] = 3;  // a minor version without cooler control
  const camera::FirmwareVersion after = camera.readFirmware();
  EXPECT_EQ(after.minor, version.minor);
  EXPECT_EQ(after.major, version.major);
  EXPECT_TRUE(f.program.devices.cooler.available);
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>(2, readFailedText(-7)));
}

// --- the filter wheel ---

TEST_F(CameraFaults, ASilentWheelEndsAFilterChangeWithTheMessageAndTurnsOnceItAnswers) {
  ASSERT_TRUE(acquire::ExposureSequence(f.program).connect());
  acquire::ProgramCameraControl control(f.program);
  faulty->setWheelSilent(true);
  const std::uint32_t start = f.clock.nowMs();
  control.selectFilter(3);
  EXPECT_LE(f.clock.nowMs() - start, kWheelTimeOutMs + 100);
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Error -7 trying to read NVKIO data from USB Filterwheel\n"});
  faulty->setWheelSilent(false);
  f.ui.clearRecord();
  control.selectFilter(5);
  EXPECT_EQ(devices->filterWheel().position(), 5);
  EXPECT_TRUE(f.ui.messages().empty());
}

TEST_F(CameraFaults, AWheelThatDoesNotTellItsSizeLeavesTheFilterCount) {
  f.program.settings.filterCount = 7;
  // What an earlier transfer left in the input buffer is no answer of the wheel's.
  f.program.planes.cameraBuffer[2] = 3;
  faulty->setWheelSilent(true);
  EXPECT_EQ(camera::OpenFilterWheel(f.program), 1);
  EXPECT_EQ(f.program.settings.filterCount, 7);
  EXPECT_EQ(f.ui.messageTexts(),
            std::vector<std::string>{"Error -7 trying to read data from USB Filterwheel\n"});
}

// --- guiding on the guide head ---

class GuidingFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    GuidingRigOptions o;
    o.mount.start = {2.0, 0.0};
    o.devices.sky.focusedSigma = 2.5;
    rig = std::make_unique<GuidingRig>(f.clock, o);
    ASSERT_TRUE(rig->attach(f.program));
    faulty = std::make_unique<FaultyDevices>(rig->devices(), f.clock);
    f.program.devices.enumerator = faulty.get();
    f.program.camera().disconnect();
    ASSERT_TRUE(acquire::ExposureSequence(f.program).connect());
    auto& s = f.program.settings;
    s.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
    s.serialRoute = 1;
    s.guideStarMaskRadius = 9;
    s.guiderGuide.raRate = 7;
    s.guiderGuide.decRate = 7;
    // Connecting the camera again reads the settings file: let it find these.
    ASSERT_EQ(f.program.saveSettingsFile(), settings::SettingsStatus::Ok);
    f.program.guiding.camera.unit = 't';
    f.program.guiding.camera.value = 3;
    scope::GuideExposure(f.program);
    int best = -1, bx = 0, by = 0;
    const auto& image = f.program.devices.guideImage;
    for (int y = 110; y < 180; ++y)
      for (int x = 180; x < 320; ++x)
        if (image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)] > best)
          best = image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)], bx = x, by = y;
    ASSERT_TRUE(scope::SelectGuideStarAt(f.program, bx + scope::kGuideImageLeft,
                                         by + scope::kGuideImageTop));
    ASSERT_TRUE(scope::CreateGuidingFrame(f.program));
    f.ui.clearRecord();
  }

  // Guide steps for `ms` of the clock; false when one of them did not return Ok.
  bool guideFor(std::uint32_t ms) {
    const std::uint32_t end = f.clock.nowMs() + ms;
    while (!port::msReached(f.clock.nowMs(), end)) {
      if (scope::GuideStep(f.program) != scope::GuideStatus::Ok) return false;
      if (!f.program.guiding.active) return false;
    }
    return true;
  }

  test::ProgramFixture f;
  std::unique_ptr<GuidingRig> rig;
  std::unique_ptr<FaultyDevices> faulty;
};

// The guide head's whole frame; its flush reads two lines.
constexpr std::size_t kGuideFrameBytes = 145'000;

struct GuidingFaultCase {
  const char* name;
  CameraFault fault;
  std::string message;
  bool guidingGoesOn;  // the step is skipped; else guiding ends
};

const GuidingFaultCase kGuidingFaults[] = {
    {"TimeOut", CameraFault::TimeOut, readFailedText(-7), true},
    {"ShortRead", CameraFault::ShortRead, readFailedText(72'500), true},
    {"ErrorMidFrame", CameraFault::ErrorMidFrame, readFailedText(-1), true},
    {"Gone", CameraFault::Gone, readFailedText(-4), false},
};

class GuideHeadFaults : public GuidingFaults,
                        public ::testing::WithParamInterface<GuidingFaultCase> {};

TEST_P(GuideHeadFaults, AFailedGuideFrameMakesNoCorrectionAndGuidingResumesWithTheCamera) {
  const GuidingFaultCase& c = GetParam();
  rig->markReference();
  ASSERT_TRUE(guideFor(30'000));
  const int pulses = f.program.guiding.pulsesSent;
  faulty->setCameraFault(c.fault, 0, kGuideFrameBytes);
  const scope::GuideStatus status = scope::GuideStep(f.program);
  EXPECT_EQ(f.ui.messageTexts(), std::vector<std::string>{c.message});
  EXPECT_EQ(f.program.guiding.pulsesSent, pulses) << "a correction from a failed frame";
  EXPECT_EQ(f.program.guiding.active, c.guidingGoesOn);
  EXPECT_EQ(status == scope::GuideStatus::Ok, c.guidingGoesOn);

  faulty->setCameraFault(CameraFault::None);
  f.ui.clearRecord();
  if (!c.guidingGoesOn) {
    // Guiding starts again on the camera found anew.
    ASSERT_TRUE(acquire::ExposureSequence(f.program).connect());
    ASSERT_TRUE(scope::CreateGuidingFrame(f.program));
  }
  EXPECT_TRUE(guideFor(60'000));
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_LT(std::hypot(rig->starOffsetX(), rig->starOffsetY()), 1.5);
}

INSTANTIATE_TEST_SUITE_P(Camera, GuideHeadFaults, ::testing::ValuesIn(kGuidingFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// --- GoTo on the PC serial port ---

struct SerialFaultCase {
  const char* name;
  SerialFault fault;
  std::vector<std::string> messages;
  std::string objectLine;
  // The scope's reply to the slew as the second info line shows it.
  std::string slewLine;
};

const SerialFaultCase kSerialFaults[] = {
    {"Vanished", SerialFault::Vanished, {"ERROR -2 "}, "", ""},
    {"Garbage", SerialFault::Garbage, {}, "", "Scope's reply to the slew not understood"},
    {"NoTerminator", SerialFault::NoTerminator, {}, "M31 GALAXY MAG 3.5 SZ178.0'", ""},
};

class SerialFaults : public ::testing::TestWithParam<SerialFaultCase> {
 protected:
  test::ProgramFixture f;
  SimulatedMount mount{f.clock};
  FaultySerialPort port{mount};
  test::Lx200OnPcPort wiring{f.program, port};
};

TEST_P(SerialFaults, GoToEndsWithTheProgramsWordsAndWorksOnceThePortIsBack) {
  const SerialFaultCase& c = GetParam();
  scope::TMTDialog dialog(f.program);
  dialog.messierText = "31";
  dialog.goToObject();
  ASSERT_TRUE(f.ui.messages().empty());
  const std::string objectText = dialog.infoLine(0);
  ASSERT_EQ(dialog.infoLine(1), "");

  port.setFault(c.fault);
  dialog.messierText = "42";
  const std::uint32_t start = f.clock.nowMs();
  dialog.goToObject();
  EXPECT_LT(f.clock.nowMs() - start, 5'000u);
  EXPECT_EQ(f.ui.messageTexts(), c.messages);
  // Nothing the line did not say is shown: no noise, and no leftovers of the earlier answer.
  for (int line = 0; line < 2; ++line) {
    const std::string text = dialog.infoLine(line);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char ch) {
      return ch >= ' ' && ch < 127;
    })) << text;
    EXPECT_EQ(text.find(objectText.substr(0, 8)), std::string::npos) << text;
  }
  // Noise in place of the slew's answer does not pass for an accepted slew.
  EXPECT_EQ(dialog.infoLine(1), c.slewLine);

  port.setFault(SerialFault::None);
  f.ui.clearRecord();
  dialog.messierText = "13";
  dialog.goToObject();
  EXPECT_TRUE(f.ui.messages().empty());
  EXPECT_EQ(dialog.infoLine(1), "");
  EXPECT_TRUE(mount.slewing());
  EXPECT_NE(dialog.infoLine(0).find("M13"), std::string::npos) << dialog.infoLine(0);
}

INSTANTIATE_TEST_SUITE_P(PcPort, SerialFaults, ::testing::ValuesIn(kSerialFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nvk::sim
