#include "indi/k7lq_ccd.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>

#include "camera/camera.h"
#include "camera/readout.h"
#include "image/bayer_pattern.h"
#include "platform/data_root.h"
#include "rig/rig.h"
#include "sim/simulated_devices.h"

namespace nvk::indi {
namespace {

constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 0;
// The guide-output lines of each direction.
constexpr std::uint8_t kWestLine = 1;
constexpr std::uint8_t kSouthLine = 2;
constexpr std::uint8_t kNorthLine = 4;
constexpr std::uint8_t kEastLine = 8;
// A reading within this many degrees of the set-point counts as reached: the camera reports
// whole degrees.
constexpr double kSetPointReachedC = 1.0;
constexpr const char* kSimulationTab = "Simulation";

using Seconds = std::chrono::duration<double>;

bool simulateFromEnvironment() {
  const char* value = std::getenv(kSimulateVariable);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

// The camera, looked for again when it was lost. Empty when it can be used, else why not.
std::string readyCamera(CameraSession& session) {
  if (!session.rig) return "The camera is not connected";
  auto& program = session.rig->program();
  camera::Camera& camera = program.camera();
  if (session.lost) {
    camera.connect();
    if (camera.connected()) {
      if (program.devices.usbFilterWheelPresent) camera.connectFilterWheel();
      camera.readFirmware();
    }
    std::string messages = session.ui.takeMessages();
    if (!camera.connected()) {
      return messages.empty() ? std::string(camera::kNoCameraOnUsbText) : messages;
    }
    session.lost = false;
  }
  return {};
}

// The messages of the last camera calls; when there are any, a transfer failed and the camera
// is closed, to be looked for again before its next use.
std::string takeFailure(CameraSession& session) {
  std::string error = session.ui.takeMessages();
  if (!error.empty()) {
    session.rig->program().camera().disconnect();
    session.lost = true;
  }
  return error;
}

}  // namespace

K7lqCcd::K7lqCcd() : INDI::FilterInterface(this) {
  setVersion(kVersionMajor, kVersionMinor);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    wakeCallback_ = IEAddCallback(wakeRead_, &K7lqCcd::onWake, this);
  }
  worker_ = std::make_unique<CameraWorker>([fd = wakeWrite_] {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(fd, &byte, 1);  // a full pipe is awake already
  });

  mainTimer_.setSingleShot(true);
  mainTimer_.callOnTimeout([this] { startMainRead(main_.id); });
  guideTimer_.setSingleShot(true);
  guideTimer_.callOnTimeout([this] { startGuideRead(guide_.id); });
  for (auto* pulse : {&northSouth_, &westEast_}) {
    const INDI_EQ_AXIS axis = pulse == &northSouth_ ? AXIS_DE : AXIS_RA;
    pulse->timer.setSingleShot(true);
    pulse->timer.callOnTimeout([this, pulse, axis] {
      pulse->bits = 0;
      sendGuideOutputs(axis, pulse->id, false);
    });
  }
}

K7lqCcd::~K7lqCcd() {
  worker_.reset();
  if (wakeCallback_ >= 0) IERmCallback(wakeCallback_);
  if (wakeRead_ >= 0) close(wakeRead_);
  if (wakeWrite_ >= 0) close(wakeWrite_);
}

void K7lqCcd::onWake(int fd, void* self) {
  char bytes[64];
  while (read(fd, bytes, sizeof bytes) > 0) {
  }
  static_cast<K7lqCcd*>(self)->applyReplies();
}

void K7lqCcd::applyReplies() {
  for (auto& reply : worker_->takeReplies())
    reply();
}

bool K7lqCcd::initProperties() {
  INDI::CCD::initProperties();
  // The Bayer capability is set before connecting: clients such as PHD2 read CCD_CFA when they
  // connect. The camera has no shutter, so clients ask for the telescope to be covered before
  // a dark frame: a dark is an ordinary exposure with no light reaching the sensor.
  SetCCDCapability(CCD_CAN_ABORT | CCD_CAN_BIN | CCD_CAN_SUBFRAME | CCD_HAS_COOLER |
                   CCD_HAS_GUIDE_HEAD | CCD_HAS_ST4_PORT | CCD_HAS_BAYER);
  FilterInterface::initProperties(FILTER_TAB);
  addCaptureFormat({"INDI_RAW", "RAW 16", 16, true});

  for (std::size_t i = 0; i < std::size(kOfferedModes); ++i) {
    const auto& info = image::readoutModeInfo(kOfferedModes[i]);
    const std::string name = "MODE_" + std::to_string(static_cast<int>(kOfferedModes[i]));
    const std::string label(info.controlLabel);
    IUFillSwitch(&ReadoutModeS[i], name.c_str(), label.c_str(), i == 0 ? ISS_ON : ISS_OFF);
  }
  IUFillSwitchVector(&ReadoutModeSP, ReadoutModeS, 4, getDeviceName(), "READOUT_MODE", "Readout",
                     IMAGE_SETTINGS_TAB, IP_RW, ISR_1OFMANY, 60, IPS_IDLE);
  IUFillSwitch(&CoolerS[0], "COOLER_ON", "On", ISS_OFF);
  IUFillSwitch(&CoolerS[1], "COOLER_OFF", "Off", ISS_ON);
  IUFillSwitchVector(&CoolerSP, CoolerS, 2, getDeviceName(), "CCD_COOLER", "Cooler",
                     MAIN_CONTROL_TAB, IP_RW, ISR_1OFMANY, 60, IPS_IDLE);
  IUFillNumber(&CoolerPowerN[0], "CCD_COOLER_VALUE", "Power (%)", "%3.0f", 0, 100, 1, 0);
  IUFillNumberVector(&CoolerPowerNP, CoolerPowerN, 1, getDeviceName(), "CCD_COOLER_POWER",
                     "Cooler power", MAIN_CONTROL_TAB, IP_RO, 60, IPS_IDLE);
  IUFillSwitch(&SimulatedUsbS[0], "PLUGGED", "Plugged in", ISS_ON);
  IUFillSwitch(&SimulatedUsbS[1], "UNPLUGGED", "Unplugged", ISS_OFF);
  IUFillSwitchVector(&SimulatedUsbSP, SimulatedUsbS, 2, getDeviceName(), "SIMULATED_USB",
                     "Camera USB cable", kSimulationTab, IP_RW, ISR_1OFMANY, 60, IPS_IDLE);

  PrimaryCCD.setMinMaxStep("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 0.001, 5400, 0.001, false);
  PrimaryCCD.setMinMaxStep("CCD_BINNING", "HOR_BIN", 1, 2, 1, false);
  PrimaryCCD.setMinMaxStep("CCD_BINNING", "VER_BIN", 1, 2, 1, false);
  GuideCCD.setMinMaxStep("GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE", 0.01, 600, 0.01, false);
  GuideCCD.setMinMaxStep("GUIDER_BINNING", "HOR_BIN", 1, 2, 1, false);
  GuideCCD.setMinMaxStep("GUIDER_BINNING", "VER_BIN", 1, 2, 1, false);

  // The filter wheel is this device's own, for the filter name in the FITS header.
  IUSaveText(&ActiveDeviceT[ACTIVE_FILTER], getDeviceName());
  addAuxControls();
  setDriverInterface(getDriverInterface() | FILTER_INTERFACE);
  return true;
}

void K7lqCcd::ISGetProperties(const char* dev) {
  INDI::CCD::ISGetProperties(dev);
  // The environment turns simulation on once its switch exists.
  if (!simulationChecked_) {
    simulationChecked_ = true;
    if (simulateFromEnvironment()) setSimulation(true);
  }
}

bool K7lqCcd::updateProperties() {
  INDI::CCD::updateProperties();
  if (isConnected()) {
    SetCCDParams(camera::kSensorWidth, camera::kSensorHeight, 16,
                 static_cast<float>(camera::kPixelSizeMicrons),
                 static_cast<float>(camera::kPixelSizeMicrons));
    SetGuiderParams(camera::kGuideWidth, camera::kGuideHeight, 8,
                    static_cast<float>(camera::kGuidePixelSizeMicrons),
                    static_cast<float>(camera::kGuidePixelSizeMicrons));
    PrimaryCCD.setFrameBufferSize(camera::kSensorWidth * camera::kSensorHeight * 2);
    GuideCCD.setFrameBufferSize(camera::kGuideWidth * camera::kGuideHeight);
    publishBayer(ChipFrame{}, image::ReadoutMode::HighResolution);
    defineProperty(&ReadoutModeSP);
    if (info_.coolerAvailable) {
      defineProperty(&CoolerSP);
      defineProperty(&CoolerPowerNP);
    }
    FilterSlotN[0].min = 1;
    FilterSlotN[0].max = info_.filterCount;
    FilterInterface::updateProperties();
    // The names the program's settings give the filters; the driver's saved configuration,
    // loaded after this, may rename them.
    if (FilterNameTP != nullptr) {
      const int named =
          std::min<int>(FilterNameTP->ntp, static_cast<int>(info_.filterNames.size()));
      for (int i = 0; i < named; ++i) {
        const std::string& name = info_.filterNames[static_cast<std::size_t>(i)];
        if (!name.empty()) IUSaveText(&FilterNameT[i], name.c_str());
      }
      IDSetText(FilterNameTP, nullptr);
    }
    if (info_.simulator != nullptr) defineProperty(&SimulatedUsbSP);
    SetTimer(getCurrentPollingPeriod());
  } else {
    deleteProperty(ReadoutModeSP.name);
    deleteProperty(CoolerSP.name);
    deleteProperty(CoolerPowerNP.name);
    deleteProperty(SimulatedUsbSP.name);
    FilterInterface::updateProperties();
  }
  return true;
}

bool K7lqCcd::ISNewNumber(const char* dev, const char* name, double values[], char* names[],
                          int n) {
  if (dev != nullptr && strcmp(dev, getDeviceName()) == 0 && strcmp(name, FilterSlotNP.name) == 0) {
    return FilterInterface::processNumber(dev, name, values, names, n);
  }
  return INDI::CCD::ISNewNumber(dev, name, values, names, n);
}

bool K7lqCcd::ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
  if (dev != nullptr && strcmp(dev, getDeviceName()) == 0 && FilterNameTP != nullptr &&
      strcmp(name, FilterNameTP->name) == 0) {
    return FilterInterface::processText(dev, name, texts, names, n);
  }
  return INDI::CCD::ISNewText(dev, name, texts, names, n);
}

bool K7lqCcd::ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[],
                          int n) {
  if (dev != nullptr && strcmp(dev, getDeviceName()) == 0) {
    if (strcmp(name, ReadoutModeSP.name) == 0) {
      IUUpdateSwitch(&ReadoutModeSP, states, names, n);
      const int index = std::max(0, IUFindOnSwitchIndex(&ReadoutModeSP));
      setReadoutMode(kOfferedModes[index]);
      const int bin = binningOf(mode_);
      PrimaryCCD.setBin(bin, bin);
      return true;
    }
    if (strcmp(name, CoolerSP.name) == 0) {
      IUUpdateSwitch(&CoolerSP, states, names, n);
      const bool on = IUFindOnSwitchIndex(&CoolerSP) == 0;
      if (!on) {
        coolerRequested_ = false;
        TemperatureNP.s = IPS_IDLE;
        IDSetNumber(&TemperatureNP, nullptr);
      }
      applyCooler(coolerSetPointC_, on);
      return true;
    }
    if (strcmp(name, SimulatedUsbSP.name) == 0) {
      IUUpdateSwitch(&SimulatedUsbSP, states, names, n);
      const bool plugged = IUFindOnSwitchIndex(&SimulatedUsbSP) == 0;
      if (info_.simulator != nullptr) info_.simulator->setCameraPlugged(plugged);
      SimulatedUsbSP.s = IPS_OK;
      IDSetSwitch(&SimulatedUsbSP,
                  plugged ? "Simulated camera plugged in" : "Simulated camera unplugged");
      return true;
    }
  }
  return INDI::CCD::ISNewSwitch(dev, name, states, names, n);
}

bool K7lqCcd::Connect() {
  const bool simulate = isSimulation() || simulateFromEnvironment();
  std::promise<CameraInfo> opened;
  auto result = opened.get_future();
  worker_->post([&opened, simulate](CameraSession& session) -> CameraWorker::Reply {
    CameraInfo info;
    session.rig.reset();
    session.lost = false;
    session.rig = std::make_unique<rig::Rig>(
        rig::RigOptions{platform::defaultDataRoot(), simulate, rig::ClockKind::Real}, session.ui);
    auto& program = session.rig->program();
    std::error_code missing;
    if (std::filesystem::exists(program.paths().settingsFile(), missing)) {
      program.loadSettingsFile();
    }
    camera::Camera& camera = program.camera();
    camera.connect();
    if (!program.devices.usbFilterWheelPresent) camera.connectFilterWheel();
    if (!camera.connected()) {
      info.error = session.ui.takeMessages();
      if (info.error.empty()) info.error = camera::kNoCameraOnUsbText;
      session.rig.reset();
      opened.set_value(info);
      return {};
    }
    camera.readFirmware();
    // In simulation the simulated mount listens to the guide outputs and moves the sky.
    if (simulate) session.rig->mount();
    info.connected = true;
    info.temperatureC = camera.readTemperature();
    info.coolerAvailable = program.devices.cooler.available;
    info.filterCount = program.settings.filterCount;
    for (int i = 0; i < info.filterCount; ++i)
      info.filterNames.push_back(program.settings.filterNames[static_cast<std::size_t>(i)]);
    info.pixelOffset = program.settings.pixelOffset;
    info.lineOffset = program.settings.lineOffset;
    info.simulator = session.rig->simulator();
    info.error = session.ui.takeMessages();  // notices that did not stop the connection
    opened.set_value(info);
    return {};
  });
  info_ = result.get();
  if (!info_.connected) {
    LOGF_ERROR("%s", info_.error.c_str());
    return false;
  }
  if (!info_.error.empty()) LOGF_WARN("%s", info_.error.c_str());
  TemperatureN[0].value = info_.temperatureC;
  coolerOn_ = false;
  coolerRequested_ = false;
  temperatureError_.clear();
  LOG_INFO(info_.simulator != nullptr ? "Connected to the simulated camera."
                                      : "Connected to the camera.");
  return true;
}

bool K7lqCcd::Disconnect() {
  AbortExposure();
  AbortGuideExposure();
  for (auto* pulse : {&northSouth_, &westEast_}) {
    pulse->timer.stop();
    pulse->id = ++nextId_;
    pulse->bits = 0;
  }
  info_.simulator = nullptr;
  worker_->post([](CameraSession& session) -> CameraWorker::Reply {
    if (session.rig && !session.lost) {
      session.rig->program().camera().setGuideOutputs(0);
      session.rig->program().camera().disconnect();
    }
    session.rig.reset();
    session.ui.takeMessages();
    return {};
  });
  return true;
}

bool K7lqCcd::StartExposure(float duration) {
  const bool bias = PrimaryCCD.getFrameType() == INDI::CCDChip::BIAS_FRAME;
  // A bias frame is the camera's shortest exposure, whatever was asked.
  const auto ms =
      bias ? 1
           : std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(duration * 1000.0)));
  const int id = ++nextId_;
  main_.id = id;
  main_.active = true;
  main_.ms = ms;
  main_.end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  main_.frame = ChipFrame{PrimaryCCD.getSubX(), PrimaryCCD.getSubY(), PrimaryCCD.getSubW(),
                          PrimaryCCD.getSubH(), PrimaryCCD.getBinX()};
  main_.mode = mode_;
  wantedMain_->store(id);
  PrimaryCCD.setExposureDuration(bias ? 0.001 : duration);
  InExposure = true;

  const bool cameraTimed = ms <= camera::kCameraTimedLimitMs;
  worker_->post([this, id, cameraTimed](CameraSession& session) -> CameraWorker::Reply {
    std::string error = readyCamera(session);
    if (error.empty()) {
      camera::Camera& camera = session.rig->program().camera();
      camera.flush();
      camera.startExposure();
      error = takeFailure(session);
    }
    return [this, id, cameraTimed, error] {
      if (id != main_.id || !main_.active) return;
      if (!error.empty()) {
        exposureFailed(PrimaryCCD, main_, error);
        return;
      }
      main_.end = std::chrono::steady_clock::now() + std::chrono::milliseconds(main_.ms);
      if (!cameraTimed) mainTimer_.start(main_.ms);
    };
  });
  // Up to a second the camera times the exposure itself, inside the readout command.
  if (cameraTimed) startMainRead(id);
  return true;
}

void K7lqCcd::startMainRead(int id) {
  const Exposure exposure = main_;
  const auto wanted = wantedMain_;
  worker_->post([this, id, exposure, wanted](CameraSession& session) -> CameraWorker::Reply {
    if (wanted->load() != id) return {};
    std::string error = readyCamera(session);
    std::shared_ptr<std::vector<std::uint16_t>> pixels;
    double readSeconds = 0.0;
    if (error.empty()) {
      auto& program = session.rig->program();
      const auto start = std::chrono::steady_clock::now();
      program.camera().readFrame(exposure.mode, exposure.ms, 1520, 1012);
      error = takeFailure(session);
      if (error.empty()) {
        pixels = std::make_shared<std::vector<std::uint16_t>>(
            cutMainFrame(program.planes.RawImage, exposure.mode, exposure.frame));
      }
      readSeconds = Seconds(std::chrono::steady_clock::now() - start).count();
      // A camera-timed exposure runs inside the readout command.
      if (exposure.ms <= camera::kCameraTimedLimitMs) readSeconds -= exposure.ms / 1000.0;
    }
    return [this, id, pixels, error, readSeconds] {
      mainFrameArrived(id, pixels, error, readSeconds);
    };
  });
}

void K7lqCcd::mainFrameArrived(int id, std::shared_ptr<std::vector<std::uint16_t>> pixels,
                               const std::string& error, double readSeconds) {
  if (id != main_.id || !main_.active) return;
  if (!error.empty()) {
    exposureFailed(PrimaryCCD, main_, error);
    return;
  }
  main_.active = false;
  InExposure = false;
  PrimaryCCD.setExposureLeft(0);
  {
    std::unique_lock<std::mutex> guard(ccdBufferLock);
    std::memcpy(PrimaryCCD.getFrameBuffer(), pixels->data(),
                std::min<std::size_t>(pixels->size() * 2,
                                      static_cast<std::size_t>(PrimaryCCD.getFrameBufferSize())));
  }
  deliveredMode_ = main_.mode;
  publishBayer(main_.frame, main_.mode);
  const auto start = std::chrono::steady_clock::now();
  ExposureComplete(&PrimaryCCD);
  LOGF_DEBUG("Frame read %.3f s after the exposure ended, sent %.3f s later", readSeconds,
             Seconds(std::chrono::steady_clock::now() - start).count());
}

bool K7lqCcd::AbortExposure() {
  mainTimer_.stop();
  main_.active = false;
  main_.id = ++nextId_;
  wantedMain_->store(0);
  InExposure = false;
  return true;
}

void K7lqCcd::exposureFailed(INDI::CCDChip& chip, Exposure& exposure, const std::string& error) {
  exposure.active = false;
  exposure.id = ++nextId_;
  if (&chip == &PrimaryCCD) {
    mainTimer_.stop();
    wantedMain_->store(0);
    InExposure = false;
  } else {
    guideTimer_.stop();
    InGuideExposure = false;
  }
  LOGF_ERROR("Exposure failed: %s", error.c_str());
  chip.setExposureFailed();
}

void K7lqCcd::publishBayer(const ChipFrame& frame, image::ReadoutMode mode) {
  // A binned frame has no pattern; the property keeps the one of an unbinned frame there.
  const image::BayerLayout layout =
      image::bayerLayout(info_.pixelOffset, info_.lineOffset, binningOf(mode) == 1 ? frame.x : 0,
                         binningOf(mode) == 1 ? frame.y : 0);
  const std::string pattern(layout.pattern);
  IUSaveText(&BayerT[0], std::to_string(layout.xOffset).c_str());
  IUSaveText(&BayerT[1], std::to_string(layout.yOffset).c_str());
  IUSaveText(&BayerT[2], pattern.c_str());
  IDSetText(&BayerTP, nullptr);
}

bool K7lqCcd::StartGuideExposure(float duration) {
  const auto ms =
      std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(duration * 1000.0)));
  const int id = ++nextId_;
  guide_.id = id;
  guide_.active = true;
  guide_.ms = ms;
  guide_.end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  guide_.frame = ChipFrame{GuideCCD.getSubX(), GuideCCD.getSubY(), GuideCCD.getSubW(),
                           GuideCCD.getSubH(), GuideCCD.getBinX()};
  guide_.binnedGuide = GuideCCD.getBinX() == 2;
  GuideCCD.setExposureDuration(duration);
  InGuideExposure = true;
  // The host times the guide head: it is cleared now and read when the time is up.
  worker_->post([this, id](CameraSession& session) -> CameraWorker::Reply {
    std::string error = readyCamera(session);
    if (error.empty()) {
      session.rig->program().guideHead().flush(2);
      error = takeFailure(session);
    }
    return [this, id, error] {
      if (id != guide_.id || !guide_.active) return;
      if (!error.empty()) {
        exposureFailed(GuideCCD, guide_, error);
        return;
      }
      guide_.end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guide_.ms);
      guideTimer_.start(guide_.ms);
    };
  });
  return true;
}

void K7lqCcd::startGuideRead(int id) {
  const Exposure exposure = guide_;
  worker_->post([this, id, exposure](CameraSession& session) -> CameraWorker::Reply {
    std::string error = readyCamera(session);
    std::shared_ptr<std::vector<std::uint8_t>> pixels;
    if (error.empty()) {
      auto& program = session.rig->program();
      program.guideHead().readFrame(exposure.binnedGuide);
      error = takeFailure(session);
      if (error.empty()) {
        pixels = std::make_shared<std::vector<std::uint8_t>>(
            cutGuideFrame(program.devices.guideImage, exposure.frame));
      }
    }
    return [this, id, pixels, error] { guideFrameArrived(id, pixels, error); };
  });
}

void K7lqCcd::guideFrameArrived(int id, std::shared_ptr<std::vector<std::uint8_t>> pixels,
                                const std::string& error) {
  if (id != guide_.id || !guide_.active) return;
  if (!error.empty()) {
    exposureFailed(GuideCCD, guide_, error);
    return;
  }
  guide_.active = false;
  InGuideExposure = false;
  GuideCCD.setExposureLeft(0);
  {
    std::unique_lock<std::mutex> guard(ccdBufferLock);
    std::memcpy(GuideCCD.getFrameBuffer(), pixels->data(),
                std::min<std::size_t>(pixels->size(),
                                      static_cast<std::size_t>(GuideCCD.getFrameBufferSize())));
  }
  ExposureComplete(&GuideCCD);
}

bool K7lqCcd::AbortGuideExposure() {
  guideTimer_.stop();
  guide_.active = false;
  guide_.id = ++nextId_;
  InGuideExposure = false;
  return true;
}

bool K7lqCcd::UpdateCCDFrame(int x, int y, int w, int h) {
  const ChipFrame c =
      clipFrame(ChipFrame{x, y, w, h, 1}, camera::kSensorWidth, camera::kSensorHeight);
  PrimaryCCD.setFrame(c.x, c.y, c.width, c.height);
  return true;
}

bool K7lqCcd::UpdateCCDBin(int hor, int ver) {
  if (hor != ver || hor < 1 || hor > 2) {
    LOG_ERROR("The camera bins 1x1 or 2x2 only.");
    return false;
  }
  setReadoutMode(modeForBinning(hor, mode_));
  PrimaryCCD.setBin(hor, ver);
  return true;
}

bool K7lqCcd::UpdateGuiderFrame(int x, int y, int w, int h) {
  const ChipFrame c =
      clipFrame(ChipFrame{x, y, w, h, 1}, camera::kGuideWidth, camera::kGuideHeight);
  GuideCCD.setFrame(c.x, c.y, c.width, c.height);
  return true;
}

bool K7lqCcd::UpdateGuiderBin(int hor, int ver) {
  if (hor != ver || hor < 1 || hor > 2) {
    LOG_ERROR("The guide head bins 1x1 or 2x2 only.");
    return false;
  }
  GuideCCD.setBin(hor, ver);
  return true;
}

bool K7lqCcd::UpdateCCDFrameType(INDI::CCDChip::CCD_FRAME type) {
  PrimaryCCD.setFrameType(type);
  if (type == INDI::CCDChip::DARK_FRAME) {
    LOG_INFO("The camera has no shutter: cover the telescope for dark frames.");
  }
  return true;
}

void K7lqCcd::setReadoutMode(image::ReadoutMode mode) {
  mode_ = mode;
  for (std::size_t i = 0; i < std::size(kOfferedModes); ++i)
    ReadoutModeS[i].s = kOfferedModes[i] == mode ? ISS_ON : ISS_OFF;
  ReadoutModeSP.s = IPS_OK;
  IDSetSwitch(&ReadoutModeSP, nullptr);
}

int K7lqCcd::SetTemperature(double temperature) {
  coolerRequested_ = true;
  applyCooler(static_cast<int>(std::lround(temperature)), true);
  return 0;
}

void K7lqCcd::applyCooler(int setPointC, bool on) {
  coolerSetPointC_ = setPointC;
  coolerOn_ = on;
  worker_->post([this, setPointC, on](CameraSession& session) -> CameraWorker::Reply {
    std::string error = readyCamera(session);
    int temperature = 0;
    int power = 0;
    if (error.empty()) {
      auto& program = session.rig->program();
      program.devices.cooler.setPointC = static_cast<std::int16_t>(setPointC);
      program.devices.cooler.on = on;
      temperature = program.camera().applyCooler();
      power = program.devices.cooler.powerPercent;
      error = takeFailure(session);
    }
    return [this, on, error, temperature, power] {
      if (!error.empty()) {
        CoolerSP.s = IPS_ALERT;
        IDSetSwitch(&CoolerSP, "Cooler: %s", error.c_str());
        return;
      }
      CoolerS[0].s = on ? ISS_ON : ISS_OFF;
      CoolerS[1].s = on ? ISS_OFF : ISS_ON;
      CoolerSP.s = IPS_OK;
      IDSetSwitch(&CoolerSP, nullptr);
      CoolerPowerN[0].value = power;
      IDSetNumber(&CoolerPowerNP, nullptr);
      TemperatureN[0].value = temperature;
      IDSetNumber(&TemperatureNP, nullptr);
    };
  });
}

void K7lqCcd::pollTemperature() {
  if (temperaturePending_) return;
  temperaturePending_ = true;
  worker_->post([this](CameraSession& session) -> CameraWorker::Reply {
    std::string error = readyCamera(session);
    int temperature = 0;
    int power = 0;
    if (error.empty()) {
      auto& program = session.rig->program();
      temperature = program.camera().readTemperature();
      power = program.devices.cooler.powerPercent;
      error = takeFailure(session);
    }
    return [this, error, temperature, power] {
      temperaturePending_ = false;
      if (!isConnected()) return;
      if (!error.empty()) {
        // Said once, not at every poll while the camera is away.
        if (error != temperatureError_) {
          TemperatureNP.s = IPS_ALERT;
          IDSetNumber(&TemperatureNP, "Temperature: %s", error.c_str());
        }
        temperatureError_ = error;
        return;
      }
      temperatureError_.clear();
      TemperatureN[0].value = temperature;
      if (coolerRequested_) {
        const bool reached = std::abs(temperature - coolerSetPointC_) <= kSetPointReachedC;
        TemperatureNP.s = reached ? IPS_OK : IPS_BUSY;
        if (reached) coolerRequested_ = false;
      } else if (TemperatureNP.s == IPS_ALERT) {
        TemperatureNP.s = IPS_IDLE;
      }
      IDSetNumber(&TemperatureNP, nullptr);
      if (coolerOn_) {
        CoolerPowerN[0].value = power;
        IDSetNumber(&CoolerPowerNP, nullptr);
      }
    };
  });
}

IPState K7lqCcd::GuideNorth(uint32_t ms) {
  return startPulse(AXIS_DE, kNorthLine, ms);
}

IPState K7lqCcd::GuideSouth(uint32_t ms) {
  return startPulse(AXIS_DE, kSouthLine, ms);
}

IPState K7lqCcd::GuideEast(uint32_t ms) {
  return startPulse(AXIS_RA, kEastLine, ms);
}

IPState K7lqCcd::GuideWest(uint32_t ms) {
  return startPulse(AXIS_RA, kWestLine, ms);
}

IPState K7lqCcd::startPulse(INDI_EQ_AXIS axis, std::uint8_t bit, uint32_t ms) {
  Pulse& pulse = axis == AXIS_DE ? northSouth_ : westEast_;
  pulse.timer.stop();
  pulse.id = ++nextId_;
  pulse.bits = ms > 0 ? bit : 0;
  pulse.ms = ms;
  sendGuideOutputs(axis, pulse.id, ms > 0);
  return IPS_BUSY;
}

void K7lqCcd::sendGuideOutputs(INDI_EQ_AXIS axis, int id, bool starting) {
  const std::uint8_t bits = northSouth_.bits | westEast_.bits;
  // In front of queued work: a pulse must not wait for a download that has not started.
  worker_->post(
      [this, axis, id, starting, bits](CameraSession& session) -> CameraWorker::Reply {
        std::string error = readyCamera(session);
        if (error.empty()) {
          session.rig->program().camera().setGuideOutputs(bits);
          error = takeFailure(session);
        }
        return [this, axis, id, starting, error] {
          Pulse& pulse = axis == AXIS_DE ? northSouth_ : westEast_;
          if (id != pulse.id) return;
          if (!error.empty()) {
            pulse.bits = 0;
            LOGF_ERROR("Guide pulse failed: %s", error.c_str());
            GuideComplete(axis);
            return;
          }
          if (starting) {
            pulse.timer.start(static_cast<int>(pulse.ms));
          } else {
            GuideComplete(axis);
          }
        };
      },
      true);
}

void K7lqCcd::TimerHit() {
  if (!isConnected()) return;
  const auto now = std::chrono::steady_clock::now();
  if (main_.active) {
    PrimaryCCD.setExposureLeft(std::max(0.0, Seconds(main_.end - now).count()));
  }
  if (guide_.active) {
    GuideCCD.setExposureLeft(std::max(0.0, Seconds(guide_.end - now).count()));
  }
  pollTemperature();
  SetTimer(getCurrentPollingPeriod());
}

void K7lqCcd::addFITSKeywords(INDI::CCDChip* chip) {
  INDI::CCD::addFITSKeywords(chip);
  fitsfile* file = *chip->fitsFilePointer();
  if (file == nullptr) return;
  int status = 0;
  if (chip == &PrimaryCCD) {
    if (coolerOn_) {
      fits_update_key_dbl(file, "SET-TEMP", coolerSetPointC_, 1,
                          "CCD temperature set-point, degrees C", &status);
    }
    const std::string mode(image::readoutModeInfo(deliveredMode_).controlLabel);
    status = 0;
    fits_update_key_str(file, "READOUTM", mode.c_str(), "Readout mode", &status);
  }
  // Binned frames (each pixel the sum of a 2 x 2 cell) and the monochrome guide head carry no
  // colour pattern.
  if (chip != &PrimaryCCD || binningOf(deliveredMode_) > 1) {
    for (const char* key : {"BAYERPAT", "XBAYROFF", "YBAYROFF"}) {
      status = 0;
      fits_delete_key(file, key, &status);
    }
  }
}

bool K7lqCcd::saveConfigItems(FILE* fp) {
  INDI::CCD::saveConfigItems(fp);
  FilterInterface::saveConfigItems(fp);
  IUSaveConfigSwitch(fp, &ReadoutModeSP);
  return true;
}

int K7lqCcd::QueryFilter() {
  return CurrentFilter;
}

bool K7lqCcd::SelectFilter(int position) {
  worker_->post([this, position](CameraSession& session) -> CameraWorker::Reply {
    std::string error = readyCamera(session);
    if (error.empty()) {
      session.rig->program().camera().selectFilter(position);
      error = takeFailure(session);
    }
    return [this, position, error] {
      if (!error.empty()) {
        FilterSlotNP.s = IPS_ALERT;
        IDSetNumber(&FilterSlotNP, "Filter: %s", error.c_str());
        return;
      }
      CurrentFilter = position;
      SelectFilterDone(position);
    };
  });
  return true;
}

}  // namespace nvk::indi

// The driver libindi's main() serves.
static std::unique_ptr<nvk::indi::K7lqCcd> driver(new nvk::indi::K7lqCcd());
