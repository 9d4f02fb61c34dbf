#include "base/atomic_file.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace nvk::base {
namespace {

// Per thread, like errno: a failed save and the message that reports it run on one thread.
thread_local std::string lastWriteFailure;

}  // namespace

std::string takeWriteFailure() {
  return std::exchange(lastWriteFailure, {});
}

void AtomicFile::fail(int error) {
  fail(std::generic_category().message(error != 0 ? error : EIO));
}

void AtomicFile::fail(const std::string& reason) {
  failed_ = true;
  if (failure_.empty()) failure_ = reason;  // the first failing step is the cause
  lastWriteFailure = failure_;
}

std::filesystem::path temporaryPathFor(const std::filesystem::path& target) {
  return target.parent_path() / ("." + target.filename().string() + ".part");
}

AtomicFile::~AtomicFile() {
  discard();
}

bool AtomicFile::open(const std::filesystem::path& target, DiskSpace space) {
  discard();
  target_ = target;
  temporary_ = temporaryPathFor(target);
  failure_.clear();
  lastWriteFailure.clear();
  errno = 0;
  file_ = std::fopen(temporary_.c_str(), "wb");
  written_ = 0;
  room_ = space.bytes;
  failed_ = false;
  if (file_ == nullptr) fail(errno);
  return !failed_;
}

bool AtomicFile::write(std::span<const std::uint8_t> bytes) {
  if (file_ == nullptr || failed_) return false;
  std::size_t allowed = bytes.size();
  const bool full = room_ - written_ < allowed;
  if (full) allowed = static_cast<std::size_t>(room_ - written_);
  errno = 0;
  const std::size_t done = allowed == 0 ? 0 : std::fwrite(bytes.data(), 1, allowed, file_);
  written_ += done;
  if (done != allowed) fail(errno);
  if (full) fail(ENOSPC);  // the disk's room ran out, as a full disk reports it
  return !failed_;
}

bool AtomicFile::commit() {
  if (file_ == nullptr) return false;
  errno = 0;
  const bool flushed = !failed_ && std::fflush(file_) == 0;
  if (!failed_ && !flushed) fail(errno);
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  if (!closed) fail(errno);
  file_ = nullptr;
  if (!flushed || !closed) {
    discard();
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary_, target_, ec);
  if (ec) {
    fail(ec.message());
    discard();
    return false;
  }
  temporary_.clear();
  lastWriteFailure.clear();
  return true;
}

void AtomicFile::discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
    temporary_.clear();
  }
}

bool replaceFile(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
  AtomicFile file;
  return file.open(target) && file.write(bytes) && file.commit();
}

bool replaceFile(const std::filesystem::path& target, std::string_view text) {
  AtomicFile file;
  return file.open(target) && file.write(text) && file.commit();
}

std::int64_t fileSize(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return -1;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

InputFile::~InputFile() {
  close();
}

bool InputFile::open(const std::filesystem::path& path) {
  close();
  file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

bool InputFile::read(std::span<std::uint8_t> bytes) {
  if (file_ == nullptr) return false;
  return std::fread(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool InputFile::seek(std::int64_t offset) {
  return file_ != nullptr && std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0;
}

void InputFile::close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

AppendFile::~AppendFile() {
  close();
}

bool AppendFile::open(const std::filesystem::path& path) {
  close();
  path_ = path;
  failure_.clear();
  errno = 0;
  file_ = std::fopen(path.c_str(), "ab");
  if (file_ == nullptr) failure_ = std::generic_category().message(errno != 0 ? errno : EIO);
  return file_ != nullptr;
}

bool AppendFile::appendLine(std::string_view line) {
  if (file_ == nullptr) return false;
  errno = 0;
  const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                       std::fputc('\n', file_) != EOF && std::fflush(file_) == 0;
  if (!written) failure_ = std::generic_category().message(errno != 0 ? errno : EIO);
  return written;
}

void AppendFile::close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

}  // namespace nvk::base
