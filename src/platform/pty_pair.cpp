#include "platform/pty_pair.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace nvk::platform {

std::unique_ptr<PtyPair> PtyPair::open() {
  int master = -1;
  int slave = -1;
  std::array<char, 256> name{};
  if (::openpty(&master, &slave, name.data(), nullptr, nullptr) != 0) return nullptr;
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  ::fcntl(master, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave, F_SETFD, FD_CLOEXEC);
  return std::unique_ptr<PtyPair>(new PtyPair(master, slave, name.data()));
}

PtyPair::~PtyPair() {
  ::close(master_);
  ::close(slave_);
}

std::vector<std::uint8_t> PtyPair::readFromProgram() {
  std::vector<std::uint8_t> bytes;
  std::array<std::uint8_t, 256> chunk{};
  for (;;) {
    // A read on an empty master first flushes what the slave side has written, so everything
    // written before this call is seen.
    const ssize_t n = ::read(master_, chunk.data(), chunk.size());
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + n);
  }
  return bytes;
}

bool PtyPair::writeToProgram(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int PtyPair::programBaud() const {
  termios t{};
  if (tcgetattr(slave_, &t) != 0) return 0;
  switch (cfgetospeed(&t)) {
    case B300:
      return 300;
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    default:
      return 0;
  }
}

void PtyDeviceServer::service() {
  const auto incoming = pty_.readFromProgram();
  if (!incoming.empty()) receive_(incoming);
  const auto outgoing = transmit_(4096);
  if (!outgoing.empty()) pty_.writeToProgram(outgoing);
}

int ServicedSerialPort::putByte(std::uint8_t byte) {
  const int result = inner_.putByte(byte);
  service_();
  return result;
}

int ServicedSerialPort::putBytes(std::span<const std::uint8_t> bytes) {
  const int result = inner_.putBytes(bytes);
  service_();
  return result;
}

int ServicedSerialPort::getBytes(std::span<std::uint8_t> buffer) {
  service_();
  return inner_.getBytes(buffer);
}

}  // namespace nvk::platform
