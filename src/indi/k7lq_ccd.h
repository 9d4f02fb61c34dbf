#pragma once

#include <indiccd.h>
#include <indifilterinterface.h>
#include <inditimer.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/image_state.h"
#include "indi/camera_worker.h"
#include "indi/frames.h"

namespace nvk::sim {
class SimulatedDevices;
}

namespace nvk::indi {

// Set to 1 in the environment, the driver starts with simulation on.
inline constexpr const char* kSimulateVariable = "NVK_K7LQ_SIMULATE";

// The INDI driver of the camera: the main head as the primary chip, the guide head as the guide
// chip, the guide outputs as an ST4 port, the cooler and the filter wheel. Every camera call
// runs on the camera thread (CameraWorker); the INDI loop only posts jobs and applies their
// replies, so it keeps answering while a frame downloads.
class K7lqCcd final : public INDI::CCD, public INDI::FilterInterface {
 public:
  K7lqCcd();
  ~K7lqCcd() override;

  const char* getDefaultName() override { return "NVK K7LQ"; }
  bool initProperties() override;
  void ISGetProperties(const char* dev) override;
  bool updateProperties() override;
  bool ISNewNumber(const char* dev, const char* name, double values[], char* names[],
                   int n) override;
  bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[],
                   int n) override;
  bool ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) override;

 protected:
  bool Connect() override;
  bool Disconnect() override;

  bool StartExposure(float duration) override;
  bool AbortExposure() override;
  bool StartGuideExposure(float duration) override;
  bool AbortGuideExposure() override;
  bool UpdateCCDFrame(int x, int y, int w, int h) override;
  bool UpdateCCDBin(int hor, int ver) override;
  bool UpdateGuiderFrame(int x, int y, int w, int h) override;
  bool UpdateGuiderBin(int hor, int ver) override;
  bool UpdateCCDFrameType(INDI::CCDChip::CCD_FRAME type) override;
  int SetTemperature(double temperature) override;

  IPState GuideNorth(uint32_t ms) override;
  IPState GuideSouth(uint32_t ms) override;
  IPState GuideEast(uint32_t ms) override;
  IPState GuideWest(uint32_t ms) override;

  void TimerHit() override;
  void addFITSKeywords(INDI::CCDChip* chip) override;
  bool saveConfigItems(FILE* fp) override;

  int QueryFilter() override;
  bool SelectFilter(int position) override;

 private:
  // What the camera said when the connection opened.
  struct CameraInfo {
    bool connected = false;
    std::string error;
    int filterCount = 7;
    std::vector<std::string> filterNames;
    bool pixelOffset = false;
    bool lineOffset = true;
    bool coolerAvailable = true;
    int temperatureC = 0;
    sim::SimulatedDevices* simulator = nullptr;
  };
  // One exposure of a chip, from its start until its frame is delivered, aborted or failed.
  struct Exposure {
    int id = 0;  // the exposure replies belong to; a new exposure or an abort moves it on
    bool active = false;
    std::int32_t ms = 0;
    std::chrono::steady_clock::time_point end;
    ChipFrame frame;
    image::ReadoutMode mode = image::ReadoutMode::HighResolution;
    bool binnedGuide = false;
  };
  // A guide pulse on one axis.
  struct Pulse {
    int id = 0;
    std::uint8_t bits = 0;  // the output lines it holds
    std::uint32_t ms = 0;
    INDI::Timer timer;
  };

  static void onWake(int fd, void* self);
  void applyReplies();

  void startMainRead(int id);
  void mainFrameArrived(int id, std::shared_ptr<std::vector<std::uint16_t>> pixels,
                        const std::string& error, double readSeconds);
  void startGuideRead(int id);
  void guideFrameArrived(int id, std::shared_ptr<std::vector<std::uint8_t>> pixels,
                         const std::string& error);
  void exposureFailed(INDI::CCDChip& chip, Exposure& exposure, const std::string& error);
  void publishBayer(const ChipFrame& frame, image::ReadoutMode mode);

  IPState startPulse(INDI_EQ_AXIS axis, std::uint8_t bit, uint32_t ms);
  void sendGuideOutputs(INDI_EQ_AXIS axis, int id, bool starting);

  void pollTemperature();
  void applyCooler(int setPointC, bool on);
  void setReadoutMode(image::ReadoutMode mode);

  std::unique_ptr<CameraWorker> worker_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  int wakeCallback_ = -1;

  CameraInfo info_;
  Exposure main_;
  Exposure guide_;
  INDI::Timer mainTimer_;
  INDI::Timer guideTimer_;
  Pulse northSouth_;
  Pulse westEast_;
  int nextId_ = 0;
  // The main exposure the camera thread should still read: a read queued behind an abort is
  // skipped instead of exposing again for nothing.
  std::shared_ptr<std::atomic<int>> wantedMain_ = std::make_shared<std::atomic<int>>(0);
  std::string temperatureError_;
  bool temperaturePending_ = false;
  bool simulationChecked_ = false;
  int coolerSetPointC_ = 0;
  bool coolerOn_ = false;
  bool coolerRequested_ = false;  // a set-point was asked for and is being approached
  image::ReadoutMode mode_ = image::ReadoutMode::HighResolution;
  // The readout and frame of the frame being delivered, for its FITS cards.
  image::ReadoutMode deliveredMode_ = image::ReadoutMode::HighResolution;

  ISwitch ReadoutModeS[4];
  ISwitchVectorProperty ReadoutModeSP;
  ISwitch CoolerS[2];
  ISwitchVectorProperty CoolerSP;
  INumber CoolerPowerN[1];
  INumberVectorProperty CoolerPowerNP;
  ISwitch SimulatedUsbS[2];
  ISwitchVectorProperty SimulatedUsbSP;
};

}  // namespace nvk::indi
