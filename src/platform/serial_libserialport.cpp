#include "platform/serial_libserialport.h"

#include <fcntl.h>
#include <libserialport.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace nvk::platform {

// One open device.
class LibSerialPort::Line {
 public:
  virtual ~Line() = default;
  virtual bool pseudoTerminal() const = 0;
  virtual int setBaud(int baud) = 0;
  virtual int set8N1() = 0;
  virtual int setDtr(bool on) = 0;
  virtual int setRts(bool on) = 0;
  // Count written, or a negative code.
  virtual int write(std::span<const std::uint8_t> bytes) = 0;
  // Count read without waiting, or a negative code.
  virtual int read(std::span<std::uint8_t> buffer) = 0;
  virtual int clearReceive() = 0;
};

namespace {

// Unix 98 pseudo-terminal slaves have majors 136 to 143.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

class SpLine final : public LibSerialPort::Line {
 public:
  explicit SpLine(sp_port* port) : port_(port) {}
  ~SpLine() override {
    sp_close(port_);
    sp_free_port(port_);
  }
  bool pseudoTerminal() const override { return false; }
  int setBaud(int baud) override {
    return sp_set_baudrate(port_, baud) == SP_OK ? 0 : kSerialBaudRate;
  }
  int set8N1() override {
    const bool ok = sp_set_bits(port_, 8) == SP_OK &&
                    sp_set_parity(port_, SP_PARITY_NONE) == SP_OK &&
                    sp_set_stopbits(port_, 1) == SP_OK &&
                    sp_set_flowcontrol(port_, SP_FLOWCONTROL_NONE) == SP_OK;
    return ok ? 0 : kSerialByteSize;
  }
  int setDtr(bool on) override {
    return sp_set_dtr(port_, on ? SP_DTR_ON : SP_DTR_OFF) == SP_OK ? 0 : kSerialHardware;
  }
  int setRts(bool on) override {
    return sp_set_rts(port_, on ? SP_RTS_ON : SP_RTS_OFF) == SP_OK ? 0 : kSerialHardware;
  }
  int write(std::span<const std::uint8_t> bytes) override {
    const int n = sp_nonblocking_write(port_, bytes.data(), bytes.size());
    return n < 0 ? kSerialHardware : n;
  }
  int read(std::span<std::uint8_t> buffer) override {
    const int n = sp_nonblocking_read(port_, buffer.data(), buffer.size());
    return n < 0 ? kSerialHardware : n;
  }
  int clearReceive() override {
    return sp_flush(port_, SP_BUF_INPUT) == SP_OK ? 0 : kSerialHardware;
  }

 private:
  sp_port* port_;
};

class TermiosLine final : public LibSerialPort::Line {
 public:
  explicit TermiosLine(int fd) : fd_(fd) {}
  ~TermiosLine() override { ::close(fd_); }
  bool pseudoTerminal() const override { return true; }
  int setBaud(int baud) override {
    speed_t speed = 0;
    switch (baud) {
      case 300:
        speed = B300;
        break;
      case 1200:
        speed = B1200;
        break;
      case 2400:
        speed = B2400;
        break;
      case 4800:
        speed = B4800;
        break;
      case 9600:
        speed = B9600;
        break;
      case 19200:
        speed = B19200;
        break;
      default:
        return kSerialBaudRate;
    }
    termios t{};
    if (tcgetattr(fd_, &t) != 0 || cfsetspeed(&t, speed) != 0 || tcsetattr(fd_, TCSANOW, &t) != 0)
      return kSerialBaudRate;
    return 0;
  }
  int set8N1() override {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return kSerialByteSize;
    const speed_t speed = cfgetospeed(&t);
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetspeed(&t, speed);
    return tcsetattr(fd_, TCSANOW, &t) == 0 ? 0 : kSerialByteSize;
  }
  // A pseudo-terminal has no modem lines: raising them is taken as done.
  int setDtr(bool) override { return 0; }
  int setRts(bool) override { return 0; }
  int write(std::span<const std::uint8_t> bytes) override {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) return errno == EAGAIN ? 0 : kSerialHardware;
    return static_cast<int>(n);
  }
  int read(std::span<std::uint8_t> buffer) override {
    const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
    if (n < 0) return errno == EAGAIN ? 0 : kSerialHardware;
    return static_cast<int>(n);
  }
  int clearReceive() override { return tcflush(fd_, TCIFLUSH) == 0 ? 0 : kSerialHardware; }

 private:
  int fd_;
};

}  // namespace

bool isPseudoTerminal(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned major = ::major(st.st_rdev);
  return major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor;
}

LibSerialPort::LibSerialPort(std::function<std::string(int)> devicePath)
    : devicePath_(std::move(devicePath)) {}

LibSerialPort::LibSerialPort(const base::ComPortMap& map)
    : LibSerialPort([&map](int comIndex) { return map.device(comIndex + 1); }) {}

LibSerialPort::~LibSerialPort() = default;

bool LibSerialPort::onPseudoTerminal() const {
  return line_ && line_->pseudoTerminal();
}

int LibSerialPort::reset(int comIndex, int rxQueueBytes, int txQueueBytes) {
  line_.reset();
  if (rxQueueBytes <= 0 || txQueueBytes <= 0) return kSerialBadId;
  std::string path;
  try {
    path = devicePath_(comIndex);
  } catch (const std::out_of_range&) {
    return kSerialBadId;
  }
  rxQueueBytes_ = static_cast<std::size_t>(rxQueueBytes);
  txQueueBytes_ = static_cast<std::size_t>(txQueueBytes);

  sp_port* port = nullptr;
  int code = kSerialBadId;
  if (sp_get_port_by_name(path.c_str(), &port) == SP_OK) {
    if (sp_open(port, SP_MODE_READ_WRITE) == SP_OK) {
      line_ = std::make_unique<SpLine>(port);
      return 0;
    }
    sp_free_port(port);
    code = kSerialOpenFailed;
  }
  if (!isPseudoTerminal(path)) return code;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kSerialOpenFailed;
  line_ = std::make_unique<TermiosLine>(fd);
  return 0;
}

int LibSerialPort::setBaud(int baud) {
  return line_ ? line_->setBaud(baud) : kSerialNotOpen;
}
int LibSerialPort::set8N1() {
  return line_ ? line_->set8N1() : kSerialNotOpen;
}
int LibSerialPort::setDtr(bool on) {
  return line_ ? line_->setDtr(on) : kSerialNotOpen;
}
int LibSerialPort::setRts(bool on) {
  return line_ ? line_->setRts(on) : kSerialNotOpen;
}

int LibSerialPort::putByte(std::uint8_t byte) {
  return putBytes({&byte, 1});
}

int LibSerialPort::putBytes(std::span<const std::uint8_t> bytes) {
  if (!line_) return kSerialNotOpen;
  return line_->write(bytes.first(std::min(bytes.size(), txQueueBytes_)));
}

int LibSerialPort::getBytes(std::span<std::uint8_t> buffer) {
  if (!line_) return kSerialNotOpen;
  return line_->read(buffer.first(std::min(buffer.size(), rxQueueBytes_)));
}

int LibSerialPort::clearReceive() {
  return line_ ? line_->clearReceive() : kSerialNotOpen;
}

int LibSerialPort::done() {
  if (!line_) return kSerialNotOpen;
  line_.reset();
  return 0;
}

}  // namespace nvk::platform
