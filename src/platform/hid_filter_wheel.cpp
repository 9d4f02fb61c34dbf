#include "platform/hid_filter_wheel.h"

#include <hidapi.h>

#include <array>
#include <cstdio>

#include "camera/discovery.h"

namespace nvk::platform {
namespace {

constexpr int kReadTimeoutMs = 1000;
constexpr int kTimeoutCode = -7;

bool startHid() {
  static const bool started = hid_init() == 0;
  return started;
}

std::optional<std::u16string> wide(const wchar_t* text) {
  if (!text) return std::nullopt;
  std::u16string s;
  for (; *text; ++text)
    s.push_back(static_cast<char16_t>(*text & 0xFFFF));
  return s;
}

class HidFilterWheel final : public port::FilterWheelTransport {
 public:
  explicit HidFilterWheel(hid_device* device) : device_(device) {}
  ~HidFilterWheel() override { hid_close(device_); }

  port::TransferResult write(std::span<const std::uint8_t> report) override {
    const int n = hid_write(device_, report.data(), report.size());
    if (n < 0) return {false, 0, n};
    return {true, static_cast<std::size_t>(n), 0};
  }

  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    if (buffer.empty()) return {true, 0, 0};
    // hidapi hands back a report without its id when the device numbers none: put the 0 back.
    const int n = hid_read_timeout(device_, buffer.data() + 1, buffer.size() - 1, kReadTimeoutMs);
    if (n < 0) return {false, 0, n};
    if (n == 0) return {false, 0, kTimeoutCode};
    buffer[0] = 0x00;
    return {true, static_cast<std::size_t>(n) + 1, 0};
  }

 private:
  hid_device* device_;
};

}  // namespace

std::optional<std::vector<port::PresentInterface>> listHidInterfaces() {
  if (!startHid()) return std::nullopt;
  std::vector<port::PresentInterface> found;
  hid_device_info* all = hid_enumerate(0, 0);
  for (hid_device_info* d = all; d; d = d->next) {
    port::PresentInterface entry;
    if (d->path) {
      entry.devicePath = "hid:vid_" + camera::idText(d->vendor_id) + "&pid_" +
                         camera::idText(d->product_id) + "#" + d->path;
    }
    entry.vendorId = d->vendor_id;
    entry.productId = d->product_id;
    entry.manufacturer = wide(d->manufacturer_string);
    entry.product = wide(d->product_string);
    found.push_back(std::move(entry));
  }
  hid_free_enumeration(all);
  return found;
}

std::unique_ptr<port::FilterWheelTransport> openHidFilterWheel(const std::string& devicePath) {
  const auto hash = devicePath.find('#');
  if (!startHid() || devicePath.rfind("hid:", 0) != 0 || hash == std::string::npos) {
    return nullptr;
  }
  hid_device* device = hid_open_path(devicePath.c_str() + hash + 1);
  if (!device) return nullptr;
  return std::make_unique<HidFilterWheel>(device);
}

}  // namespace nvk::platform
