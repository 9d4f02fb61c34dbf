#include "platform/usb_camera_transport.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "base/transfer_worker.h"
#include "camera/discovery.h"
#include "camera/usb_ids.h"

namespace nvk::platform {
namespace {

// Slow enough for a full-speed link; a high-speed camera moves a frame far faster.
constexpr std::size_t kBytesPerMs = 1000;

struct Endpoints {
  int interfaceNumber = -1;
  unsigned char in = 0;
  unsigned char out = 0;
};

// The first vendor-defined interface with a bulk IN and a bulk OUT endpoint.
std::optional<Endpoints> findCameraInterface(libusb_device* device) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 &&
      libusb_get_config_descriptor(device, 0, &config) != 0) {
    return std::nullopt;
  }
  std::optional<Endpoints> found;
  for (int i = 0; i < config->bNumInterfaces && !found; ++i) {
    const libusb_interface& iface = config->interface[i];
    for (int a = 0; a < iface.num_altsetting && !found; ++a) {
      const libusb_interface_descriptor& alt = iface.altsetting[a];
      if (alt.bInterfaceClass != camera::kCameraInterfaceClass) continue;
      Endpoints e;
      e.interfaceNumber = alt.bInterfaceNumber;
      for (int k = 0; k < alt.bNumEndpoints; ++k) {
        const libusb_endpoint_descriptor& ep = alt.endpoint[k];
        if ((ep.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) continue;
        if (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
          if (!e.in) e.in = ep.bEndpointAddress;
        } else if (!e.out) {
          e.out = ep.bEndpointAddress;
        }
      }
      if (e.in && e.out) found = e;
    }
  }
  libusb_free_config_descriptor(config);
  return found;
}

// A string descriptor as UTF-16, nullopt when it cannot be read.
std::optional<std::u16string> readString(libusb_device_handle* handle, std::uint8_t index) {
  if (!handle || index == 0) return std::nullopt;
  std::array<unsigned char, 256> buffer{};
  if (libusb_get_string_descriptor(handle, 0, 0, buffer.data(), buffer.size()) < 4) {
    return std::nullopt;
  }
  const auto language = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));
  const int length =
      libusb_get_string_descriptor(handle, index, language, buffer.data(), buffer.size());
  if (length < 2) return std::nullopt;
  std::u16string text;
  for (int i = 2; i + 1 < length; i += 2) {
    text.push_back(static_cast<char16_t>(buffer[static_cast<std::size_t>(i)] |
                                         (buffer[static_cast<std::size_t>(i) + 1] << 8)));
  }
  return text;
}

std::string pathOf(const libusb_device_descriptor& d, libusb_device* device) {
  char text[96];
  std::snprintf(text, sizeof text, "usb:vid_%s&pid_%s#bus_%03u&address_%03u",
                camera::idText(d.idVendor).c_str(), camera::idText(d.idProduct).c_str(),
                static_cast<unsigned>(libusb_get_bus_number(device)),
                static_cast<unsigned>(libusb_get_device_address(device)));
  return text;
}

// The camera channel. A read started with startRead() is submitted as an asynchronous bulk
// transfer whose events the worker thread handles until it completes; cancelRead() cancels it
// in libusb and waits for the worker to see the cancellation, so no transfer outlives it.
class UsbCameraTransport final : public port::CameraTransport {
 public:
  UsbCameraTransport(libusb_context* context, libusb_device_handle* handle, Endpoints endpoints,
                     int number)
      : context_(context), handle_(handle), endpoints_(endpoints), number_(number) {}
  ~UsbCameraTransport() override {
    if (working_) cancelRead();
    libusb_release_interface(handle_, endpoints_.interfaceNumber);
    libusb_close(handle_);
  }

  port::TransferResult write(std::span<const std::uint8_t> block) override {
    std::array<unsigned char, 64> copy{};
    const std::size_t n = std::min(block.size(), copy.size());
    std::memcpy(copy.data(), block.data(), n);
    int moved = 0;
    const int rc = libusb_bulk_transfer(handle_, endpoints_.out, copy.data(), static_cast<int>(n),
                                        &moved, usbWriteTimeoutMs(n));
    return {rc == 0, static_cast<std::size_t>(moved), rc};
  }

  port::TransferResult read(std::span<std::uint8_t> buffer) override {
    int moved = 0;
    const int rc =
        libusb_bulk_transfer(handle_, endpoints_.in, buffer.data(), static_cast<int>(buffer.size()),
                             &moved, usbReadTimeoutMs(buffer.size()));
    return {rc == 0, static_cast<std::size_t>(moved), rc};
  }

  int handleNumber() const override { return number_; }

  void startRead(std::span<std::uint8_t> buffer) override {
    transfer_ = libusb_alloc_transfer(0);
    if (transfer_ == nullptr) {
      failed_ = {false, 0, LIBUSB_ERROR_NO_MEM};
      return;
    }
    completed_.store(0);
    libusb_fill_bulk_transfer(transfer_, handle_, endpoints_.in, buffer.data(),
                              static_cast<int>(buffer.size()), &UsbCameraTransport::transferDone,
                              this, usbReadTimeoutMs(buffer.size()));
    const int rc = libusb_submit_transfer(transfer_);
    if (rc != 0) {
      libusb_free_transfer(transfer_);
      transfer_ = nullptr;
      failed_ = {false, 0, rc};
      return;
    }
    working_ = true;
    worker_.start([this] {
      while (completed_.load() == 0) {
        int completed = 0;
        timeval slice{0, 100'000};
        libusb_handle_events_timeout_completed(context_, &slice, &completed);
      }
      return resultOf(*transfer_);
    });
  }

  bool readDone() override { return !working_ || completed_.load() != 0; }

  port::TransferResult finishRead() override {
    if (!working_) return failed_;
    const port::TransferResult result = worker_.wait();
    release();
    return result;
  }

  void cancelRead() override {
    if (!working_) return;
    libusb_cancel_transfer(transfer_);
    worker_.wait();
    release();
  }

 private:
  static void LIBUSB_CALL transferDone(libusb_transfer* transfer) {
    static_cast<UsbCameraTransport*>(transfer->user_data)->completed_.store(1);
  }

  static port::TransferResult resultOf(const libusb_transfer& t) {
    const auto moved = static_cast<std::size_t>(std::max(0, t.actual_length));
    switch (t.status) {
      case LIBUSB_TRANSFER_COMPLETED:
        return {true, moved, 0};
      case LIBUSB_TRANSFER_TIMED_OUT:
        return {false, moved, LIBUSB_ERROR_TIMEOUT};
      case LIBUSB_TRANSFER_NO_DEVICE:
        return {false, moved, LIBUSB_ERROR_NO_DEVICE};
      case LIBUSB_TRANSFER_STALL:
        return {false, moved, LIBUSB_ERROR_PIPE};
      case LIBUSB_TRANSFER_OVERFLOW:
        return {false, moved, LIBUSB_ERROR_OVERFLOW};
      case LIBUSB_TRANSFER_CANCELLED:
        return {false, moved, LIBUSB_ERROR_INTERRUPTED};
      default:
        return {false, moved, LIBUSB_ERROR_IO};
    }
  }

  void release() {
    libusb_free_transfer(transfer_);
    transfer_ = nullptr;
    working_ = false;
  }

  libusb_context* context_;
  libusb_device_handle* handle_;
  Endpoints endpoints_;
  int number_;
  libusb_transfer* transfer_ = nullptr;
  std::atomic<int> completed_{0};
  bool working_ = false;
  port::TransferResult failed_;
  base::TransferWorker worker_;
};

}  // namespace

unsigned usbWriteTimeoutMs(std::size_t bytes) {
  return static_cast<unsigned>(1000 + bytes / kBytesPerMs);
}

unsigned usbReadTimeoutMs(std::size_t bytes) {
  return static_cast<unsigned>(3000 + bytes / kBytesPerMs);
}

std::optional<std::vector<port::PresentInterface>> listUsbCameraInterfaces(
    libusb_context* context) {
  if (!context) return std::nullopt;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0) return std::nullopt;
  std::vector<port::PresentInterface> found;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device* device = list[i];
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(device, &d) != 0) continue;
    if (d.idVendor != camera::kCameraVendorId || !findCameraInterface(device)) continue;
    port::PresentInterface entry;
    entry.devicePath = pathOf(d, device);
    entry.vendorId = d.idVendor;
    entry.productId = d.idProduct;
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) == 0) {
      entry.manufacturer = readString(handle, d.iManufacturer);
      entry.product = readString(handle, d.iProduct);
      libusb_close(handle);
    }
    found.push_back(std::move(entry));
  }
  libusb_free_device_list(list, 1);
  return found;
}

std::unique_ptr<port::CameraTransport> openUsbCamera(libusb_context* context,
                                                     const std::string& devicePath) {
  if (!context) return nullptr;
  unsigned bus = 0;
  unsigned address = 0;
  const auto hash = devicePath.find('#');
  if (devicePath.rfind("usb:", 0) != 0 || hash == std::string::npos ||
      std::sscanf(devicePath.c_str() + hash + 1, "bus_%u&address_%u", &bus, &address) != 2) {
    return nullptr;
  }
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0) return nullptr;
  std::unique_ptr<port::CameraTransport> transport;
  for (ssize_t i = 0; i < count && !transport; ++i) {
    libusb_device* device = list[i];
    if (libusb_get_bus_number(device) != bus || libusb_get_device_address(device) != address) {
      continue;
    }
    const auto endpoints = findCameraInterface(device);
    libusb_device_handle* handle = nullptr;
    if (!endpoints || libusb_open(device, &handle) != 0) break;
    libusb_set_auto_detach_kernel_driver(handle, 1);
    if (libusb_claim_interface(handle, endpoints->interfaceNumber) != 0) {
      libusb_close(handle);
      break;
    }
    transport = std::make_unique<UsbCameraTransport>(context, handle, *endpoints,
                                                     static_cast<int>(bus * 1000 + address));
  }
  libusb_free_device_list(list, 1);
  return transport;
}

}  // namespace nvk::platform
