// The INDI driver under indiserver, in simulation, driven by a libindi client as Ekos or PHD2
// would drive it.
#include <fitsio.h>

#include <baseclient.h>
#include <basedevice.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "indi/indi_server.h"
#include "support/temp_dir.h"

namespace nvk::indi {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kDevice = "NVK K7LQ";

// One received frame.
struct Blob {
  std::string property;
  std::vector<char> bytes;
  Clock::time_point at;
};

// The client: remembers every value, property state, BLOB and message the driver sends, and
// lets the test wait for a condition on them.
class Client final : public INDI::BaseClient {
 public:
  // `what` is checked under the lock whenever something arrives; false at the time-out.
  bool waitFor(const std::function<bool()>& what, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, what);
  }
  // Unlocked readers, for use inside waitFor() conditions.
  std::optional<double> number(const std::string& key) const {
    auto at = numbers_.find(key);
    return at == numbers_.end() ? std::nullopt : std::optional(at->second);
  }
  std::optional<std::string> text(const std::string& key) const {
    auto at = texts_.find(key);
    return at == texts_.end() ? std::nullopt : std::optional(at->second);
  }
  std::optional<IPState> state(const std::string& property) const {
    auto at = states_.find(property);
    return at == states_.end() ? std::nullopt : std::optional(at->second);
  }
  // The states a property went through, in order.
  const std::vector<IPState>& history(const std::string& property) { return history_[property]; }
  const std::vector<Blob>& blobs() const { return blobs_; }
  const std::vector<std::string>& messages() const { return messages_; }

  // Locked snapshots for the test body.
  std::optional<double> numberNow(const std::string& key) {
    std::lock_guard lock(mutex_);
    return number(key);
  }
  std::optional<std::string> textNow(const std::string& key) {
    std::lock_guard lock(mutex_);
    return text(key);
  }
  std::optional<IPState> stateNow(const std::string& property) {
    std::lock_guard lock(mutex_);
    return state(property);
  }
  std::size_t blobCount() {
    std::lock_guard lock(mutex_);
    return blobs_.size();
  }
  std::size_t historySize(const std::string& property) {
    std::lock_guard lock(mutex_);
    return history_[property].size();
  }
  Blob lastBlob() {
    std::lock_guard lock(mutex_);
    return blobs_.back();
  }
  std::vector<std::string> messagesNow() {
    std::lock_guard lock(mutex_);
    return messages_;
  }

  // Sends new values of a number property the driver has defined.
  void setNumber(const char* property, const std::map<std::string, double>& values) {
    waitFor([&] { return states_.count(property) > 0; }, std::chrono::seconds(5));
    auto device = getDevice(kDevice);
    INDI::PropertyNumber p = device.getProperty(property);
    if (!p.isValid()) {
      ADD_FAILURE() << "the driver has no property " << property;
      return;
    }
    for (const auto& [name, value] : values) {
      auto* widget = p.findWidgetByName(name.c_str());
      if (widget != nullptr) widget->setValue(value);
    }
    sendNewNumber(p);
  }
  void setSwitch(const char* property, const char* element) {
    waitFor([&] { return states_.count(property) > 0; }, std::chrono::seconds(5));
    auto device = getDevice(kDevice);
    INDI::PropertySwitch p = device.getProperty(property);
    if (!p.isValid()) {
      ADD_FAILURE() << "the driver has no property " << property;
      return;
    }
    // One of many: the chosen switch on, every other off.
    for (auto& widget : p)
      widget.setState(strcmp(widget.getName(), element) == 0 ? ISS_ON : ISS_OFF);
    sendNewSwitch(p);
  }

 protected:
  void newProperty(INDI::Property property) override { record(property); }
  void updateProperty(INDI::Property property) override { record(property); }
  void newMessage(INDI::BaseDevice device, int id) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(device.messageQueue(id));
    changed_.notify_all();
  }

 private:
  void record(INDI::Property property) {
    std::lock_guard lock(mutex_);
    const std::string name = property.getName();
    states_[name] = property.getState();
    history_[name].push_back(property.getState());
    switch (property.getType()) {
      case INDI_NUMBER:
        for (const auto& w : INDI::PropertyNumber(property))
          numbers_[name + "." + w.getName()] = w.getValue();
        break;
      case INDI_SWITCH:
        for (const auto& w : INDI::PropertySwitch(property))
          numbers_[name + "." + w.getName()] = w.getState() == ISS_ON ? 1 : 0;
        break;
      case INDI_TEXT:
        for (const auto& w : INDI::PropertyText(property))
          texts_[name + "." + w.getName()] = w.getText();
        break;
      case INDI_BLOB:
        for (const auto& w : INDI::PropertyBlob(property)) {
          if (w.getBlobLen() <= 0) continue;
          const char* data = static_cast<const char*>(w.getBlob());
          blobs_.push_back({name, std::vector<char>(data, data + w.getBlobLen()), Clock::now()});
        }
        break;
      default:
        break;
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, double> numbers_;
  std::map<std::string, std::string> texts_;
  std::map<std::string, IPState> states_;
  std::map<std::string, std::vector<IPState>> history_;
  std::vector<Blob> blobs_;
  std::vector<std::string> messages_;
};

// A FITS file in memory, read with cfitsio.
class Fits {
 public:
  explicit Fits(std::vector<char> bytes)
      : bytes_(std::move(bytes)), memory_(bytes_.data()), size_(bytes_.size()) {
    int status = 0;
    // cfitsio keeps the addresses of the pointer and the size for the life of the file.
    fits_open_memfile(&file_, "frame", READONLY, &memory_, &size_, 0, nullptr, &status);
    ok_ = status == 0;
  }
  ~Fits() {
    int status = 0;
    if (file_ != nullptr) fits_close_file(file_, &status);
  }
  bool ok() const { return ok_; }
  std::optional<double> number(const char* key) {
    double value = 0;
    int status = 0;
    fits_read_key(file_, TDOUBLE, key, &value, nullptr, &status);
    return status == 0 ? std::optional(value) : std::nullopt;
  }
  std::optional<std::string> text(const char* key) {
    char value[FLEN_VALUE] = {};
    int status = 0;
    fits_read_key(file_, TSTRING, key, value, nullptr, &status);
    return status == 0 ? std::optional(std::string(value)) : std::nullopt;
  }
  // The image as doubles, row after row.
  std::vector<double> pixels(long width, long height) {
    std::vector<double> out(static_cast<std::size_t>(width * height));
    int status = 0;
    int any = 0;
    fits_read_img(file_, TDOUBLE, 1, width * height, nullptr, out.data(), &any, &status);
    return status == 0 ? out : std::vector<double>{};
  }

 private:
  std::vector<char> bytes_;
  void* memory_;
  std::size_t size_;
  fitsfile* file_ = nullptr;
  bool ok_ = false;
};

// The centroid of the brightest star of a guide frame, inside a box around its peak, or near a
// given place.
struct Centroid {
  double x = 0;
  double y = 0;
};
Centroid starCentroid(const std::vector<double>& image, int width, int height,
                      std::optional<Centroid> near = std::nullopt) {
  constexpr int kBox = 8;
  int bestX = width / 2;
  int bestY = height / 2;
  double best = -1;
  // The brightest 3 x 3 sum, which a single hot pixel does not win against a star.
  for (int y = kBox + 1; y < height - kBox - 1; ++y) {
    for (int x = kBox + 1; x < width - kBox - 1; ++x) {
      if (near && (std::abs(x - near->x) > 6 || std::abs(y - near->y) > 6)) continue;
      double sum = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          sum += image[static_cast<std::size_t>((y + dy) * width + x + dx)];
      if (sum > best) {
        best = sum;
        bestX = x;
        bestY = y;
      }
    }
  }
  // Background: the box's edge.
  std::vector<double> edge;
  for (int d = -kBox; d <= kBox; ++d) {
    edge.push_back(image[static_cast<std::size_t>((bestY - kBox) * width + bestX + d)]);
    edge.push_back(image[static_cast<std::size_t>((bestY + kBox) * width + bestX + d)]);
  }
  std::sort(edge.begin(), edge.end());
  const double background = edge[edge.size() / 2];
  double sx = 0;
  double sy = 0;
  double total = 0;
  for (int y = bestY - kBox + 1; y < bestY + kBox; ++y) {
    for (int x = bestX - kBox + 1; x < bestX + kBox; ++x) {
      const double v = std::max(0.0, image[static_cast<std::size_t>(y * width + x)] - background);
      sx += v * x;
      sy += v * y;
      total += v;
    }
  }
  return total > 0 ? Centroid{sx / total, sy / total} : Centroid{};
}

class IndiDriverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!test::onPath("indiserver")) return;
    home_ = new test::TempDir();
    port_ = test::freeLoopbackPort();
    // The server's and the driver's log go to a file beside the driver's configuration.
    server_ = new test::IndiServerProcess(home_->path(), port_, {NVK_INDI_DRIVER_PATH},
                                          {"NVK_K7LQ_SIMULATE=1"});
    if (!server_->started()) {
      delete server_;
      server_ = nullptr;
      return;
    }
    client_ = new Client();
    client_->setServer("127.0.0.1", static_cast<unsigned>(port_));
    // The server takes a moment to listen: try until it answers.
    const auto giveUp = Clock::now() + 10s;
    while (!client_->connectServer() && Clock::now() < giveUp) {
      std::unique_lock lock(pollMutex_);
      pollWake_.wait_for(lock, 50ms);
    }
    if (!client_->isServerConnected()) return;
    client_->watchDevice(kDevice);
    client_->setBLOBMode(B_ALSO, kDevice, nullptr);
    client_->waitFor([] { return client_->state("CONNECTION").has_value(); }, 10s);
    client_->setSwitch("CONNECTION", "CONNECT");
    connected_ = client_->waitFor(
        [] {
          // The simulation's own property comes last.
          return client_->number("CONNECTION.CONNECT") == 1.0 && client_->state("SIMULATED_USB");
        },
        15s);
  }

  static void TearDownTestSuite() {
    if (client_ != nullptr) client_->disconnectServer();
    delete client_;
    client_ = nullptr;
    delete server_;
    server_ = nullptr;
    delete home_;
    home_ = nullptr;
  }

  void SetUp() override {
    if (server_ == nullptr) GTEST_SKIP() << "indiserver is not installed";
    ASSERT_TRUE(connected_) << "the driver did not connect in simulation";
  }

  Client& client() { return *client_; }

  // Exposes the main chip and returns its FITS frame (nullopt at the time-out).
  std::optional<Blob> expose(double seconds, const char* chip = "CCD_EXPOSURE",
                             const char* element = "CCD_EXPOSURE_VALUE") {
    const std::size_t before = client().blobCount();
    client().setNumber(chip, {{element, seconds}});
    if (!client().waitFor([&] { return client().blobs().size() > before; },
                          std::chrono::milliseconds(static_cast<int>(seconds * 1000) + 15000))) {
      return std::nullopt;
    }
    return client().lastBlob();
  }

  void setFrame(int x, int y, int w, int h, int bin) {
    client().setNumber("CCD_BINNING", {{"HOR_BIN", bin}, {"VER_BIN", bin}});
    client().waitFor([&] { return client().number("CCD_BINNING.HOR_BIN") == bin; }, 5s);
    client().setNumber("CCD_FRAME", {{"X", x}, {"Y", y}, {"WIDTH", w}, {"HEIGHT", h}});
    client().waitFor(
        [&] {
          return client().number("CCD_FRAME.X") == x && client().number("CCD_FRAME.WIDTH") == w;
        },
        5s);
  }

  // Takes a guide frame of `seconds` and returns its star's centroid.
  Centroid guideStar(double seconds, std::optional<Centroid> near = std::nullopt) {
    auto blob = expose(seconds, "GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE");
    EXPECT_TRUE(blob);
    if (!blob) return {};
    Fits fits(blob->bytes);
    const auto pixels = fits.pixels(500, 290);
    EXPECT_EQ(pixels.size(), 500u * 290u);
    if (pixels.empty()) return {};
    return starCentroid(pixels, 500, 290, near);
  }

  static inline test::TempDir* home_ = nullptr;
  static inline Client* client_ = nullptr;
  static inline test::IndiServerProcess* server_ = nullptr;
  static inline int port_ = 0;
  static inline bool connected_ = false;
  static inline std::mutex pollMutex_;
  static inline std::condition_variable pollWake_;
};

TEST_F(IndiDriverTest, LightFramesCarryTheirSizeExposureAndTheBayerPatternOfTheirOrigin) {
  struct Case {
    int x, y, width, height, bin;
    long naxis1, naxis2;
    const char* pattern;  // nullptr: no pattern in the header
  };
  // The sensor's first cell is blue, green / green, red; a sub-frame starting on an odd column
  // or row starts on another site of it. Binned pixels sum whole cells: no colour.
  const Case cases[] = {
      {0, 0, 3032, 2016, 1, 3032, 2016, "BGGR"},
      {101, 51, 400, 300, 1, 400, 300, "RGGB"},
      {1, 0, 200, 100, 1, 200, 100, "GBRG"},
      {0, 0, 3032, 2016, 2, 1516, 1008, nullptr},
  };
  client().setSwitch("CCD_FRAME_TYPE", "FRAME_LIGHT");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " bin " << c.bin);
    setFrame(c.x, c.y, c.width, c.height, c.bin);
    auto blob = expose(1.0);
    ASSERT_TRUE(blob) << "no frame arrived";
    EXPECT_EQ(blob->property, "CCD1");
    Fits fits(blob->bytes);
    ASSERT_TRUE(fits.ok());
    EXPECT_EQ(fits.number("NAXIS1"), c.naxis1);
    EXPECT_EQ(fits.number("NAXIS2"), c.naxis2);
    EXPECT_EQ(fits.number("EXPTIME"), 1.0);
    EXPECT_EQ(fits.number("XBINNING"), c.bin);
    EXPECT_EQ(fits.text("IMAGETYP"), "Light Frame");
    if (c.pattern != nullptr) {
      EXPECT_EQ(fits.text("BAYERPAT"), c.pattern);
      EXPECT_EQ(fits.number("XBAYROFF"), 0.0);
      EXPECT_EQ(fits.number("YBAYROFF"), 0.0);
      EXPECT_EQ(client().textNow("CCD_CFA.CFA_TYPE"), c.pattern);
    } else {
      EXPECT_FALSE(fits.text("BAYERPAT"));
      EXPECT_FALSE(fits.number("XBAYROFF"));
    }
    // The simulated sky is in it: bias, background and stars, not an empty buffer.
    const auto pixels = fits.pixels(c.naxis1, c.naxis2);
    ASSERT_FALSE(pixels.empty());
    const double peak = *std::max_element(pixels.begin(), pixels.end());
    double mean = 0;
    for (double v : pixels)
      mean += v / static_cast<double>(pixels.size());
    EXPECT_GT(mean, 50.0);
    EXPECT_GT(peak, mean + 100.0);
  }
  setFrame(0, 0, 3032, 2016, 1);
}

TEST_F(IndiDriverTest, TheGuideChipDeliversItsOwnMonochromeFrame) {
  auto blob = expose(0.5, "GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE");
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->property, "CCD2");
  Fits fits(blob->bytes);
  ASSERT_TRUE(fits.ok());
  EXPECT_EQ(fits.number("NAXIS1"), 500.0);
  EXPECT_EQ(fits.number("NAXIS2"), 290.0);
  EXPECT_EQ(fits.number("BITPIX"), 8.0);
  EXPECT_FALSE(fits.text("BAYERPAT"));
}

TEST_F(IndiDriverTest, AFilterChangeIsReportedBack) {
  client().setNumber("FILTER_SLOT", {{"FILTER_SLOT_VALUE", 3}});
  EXPECT_TRUE(client().waitFor(
      [&] {
        return client().number("FILTER_SLOT.FILTER_SLOT_VALUE") == 3.0 &&
               client().state("FILTER_SLOT") == IPS_OK;
      },
      5s));
}

TEST_F(IndiDriverTest, TheCoolerApproachesItsSetPointAndTheFrameNamesIt) {
  const double start = client().numberNow("CCD_TEMPERATURE.CCD_TEMPERATURE_VALUE").value_or(99);
  client().setNumber("CCD_TEMPERATURE", {{"CCD_TEMPERATURE_VALUE", -10}});
  EXPECT_TRUE(client().waitFor([&] { return client().number("CCD_COOLER.COOLER_ON") == 1.0; }, 5s));
  // The simulated cooler closes 63 % of the gap in a minute: a few seconds take 2 degrees off.
  EXPECT_TRUE(client().waitFor(
      [&] {
        const auto t = client().number("CCD_TEMPERATURE.CCD_TEMPERATURE_VALUE");
        return t && *t <= start - 2 && client().state("CCD_TEMPERATURE") == IPS_BUSY;
      },
      15s))
      << "started at " << start;
  EXPECT_GT(client().numberNow("CCD_COOLER_POWER.CCD_COOLER_VALUE").value_or(0), 0.0);
  setFrame(0, 0, 64, 64, 1);
  auto blob = expose(0.01);
  ASSERT_TRUE(blob);
  Fits fits(blob->bytes);
  EXPECT_EQ(fits.number("SET-TEMP"), -10.0);
  EXPECT_EQ(fits.number("EXPTIME"), 0.01);
  setFrame(0, 0, 3032, 2016, 1);
  client().setSwitch("CCD_COOLER", "COOLER_OFF");
  EXPECT_TRUE(
      client().waitFor([&] { return client().number("CCD_COOLER.COOLER_OFF") == 1.0; }, 5s));
}

TEST_F(IndiDriverTest, ANorthPulseEndsWithGuideCompleteAndMovesTheStarByTheGuideRate) {
  const Centroid before = guideStar(0.5);
  const std::size_t seen = client().historySize("TELESCOPE_TIMED_GUIDE_NS");
  client().setNumber("TELESCOPE_TIMED_GUIDE_NS", {{"TIMED_GUIDE_N", 100}, {"TIMED_GUIDE_S", 0}});
  // Busy while the line is held, then done.
  ASSERT_TRUE(client().waitFor(
      [&] {
        const auto& h = client().history("TELESCOPE_TIMED_GUIDE_NS");
        return h.size() >= seen + 2 && h[seen] == IPS_BUSY && h.back() != IPS_BUSY;
      },
      5s));
  EXPECT_NE(client().stateNow("TELESCOPE_TIMED_GUIDE_NS"), IPS_ALERT);
  const Centroid after = guideStar(0.5, before);
  // 100 ms at the simulated mount's guide rate of 15.041"/s is 1.504", one sky pixel of 1.5";
  // a guide pixel spans 2 sky pixels, and north moves the field toward +y on the guide head.
  const double expected = 0.1 * 15.041 / 1.5 / 2.0;
  // The tolerance takes in the drift between the frames and a few milliseconds of pulse timing.
  EXPECT_NEAR(after.y - before.y, expected, 0.2);
  EXPECT_NEAR(after.x - before.x, 0.0, 0.2);
}

TEST_F(IndiDriverTest, AnAbortIsAnsweredWhileTheFrameDownloadsAndNoFrameFollows) {
  setFrame(0, 0, 3032, 2016, 1);
  const std::size_t before = client().blobCount();
  client().setNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 1.0}});
  ASSERT_TRUE(client().waitFor([&] { return client().state("CCD_EXPOSURE") == IPS_BUSY; }, 5s));
  // The camera thread is inside the readout (the camera times up to a second itself); the
  // driver still answers at once.
  const auto asked = Clock::now();
  client().setSwitch("CCD_ABORT_EXPOSURE", "ABORT");
  ASSERT_TRUE(client().waitFor([&] { return client().state("CCD_EXPOSURE") != IPS_BUSY; }, 5s));
  EXPECT_LT(Clock::now() - asked, 500ms);
  // A new exposure after it delivers one frame, its own.
  auto blob = expose(1.0);
  ASSERT_TRUE(blob);
  EXPECT_EQ(client().blobCount(), before + 1);
  Fits fits(blob->bytes);
  EXPECT_EQ(fits.number("NAXIS1"), 3032.0);
}

TEST_F(IndiDriverTest, ACameraThatVanishesMidFrameGivesAnAlertAndTheNextFrameWorksOnceItIsBack) {
  setFrame(0, 0, 256, 256, 1);
  client().setNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 1.0}});
  ASSERT_TRUE(client().waitFor([&] { return client().state("CCD_EXPOSURE") == IPS_BUSY; }, 5s));
  client().setSwitch("SIMULATED_USB", "UNPLUGGED");
  ASSERT_TRUE(client().waitFor([&] { return client().state("CCD_EXPOSURE") == IPS_ALERT; }, 10s));
  // The program's own message says what went wrong.
  EXPECT_TRUE(client().waitFor(
      [&] {
        const auto& m = client().messages();
        return std::any_of(m.begin(), m.end(), [](const std::string& text) {
          return text.find("Exposure failed") != std::string::npos &&
                 text.find("NVKIO") != std::string::npos;
        });
      },
      5s));
  const auto messages = client().messagesNow();
  // Unplugged, the next exposure fails as well, without hanging.
  client().setNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 0.1}});
  EXPECT_TRUE(client().waitFor([&] { return client().messages().size() > messages.size(); }, 10s));
  EXPECT_TRUE(client().waitFor([&] { return client().state("CCD_EXPOSURE") == IPS_ALERT; }, 10s));
  client().setSwitch("SIMULATED_USB", "PLUGGED");
  auto blob = expose(0.5);
  ASSERT_TRUE(blob);
  EXPECT_TRUE(client().waitFor([&] { return client().state("CCD_EXPOSURE") == IPS_OK; }, 5s));
  Fits fits(blob->bytes);
  EXPECT_EQ(fits.number("NAXIS1"), 256.0);
  setFrame(0, 0, 3032, 2016, 1);
}

}  // namespace
}  // namespace nvk::indi
