#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace nvk::base {

// How much room the disk has for one save. Unlimited in the program; a test sets a limit to
// play a full disk, so that a write fails part-way exactly as it would on a real one.
struct DiskSpace {
  std::uint64_t bytes = std::numeric_limits<std::uint64_t>::max();
};

// The name a replacement of `target` is written under before it is renamed into place: a dot-name
// in the same folder, so the rename never crosses file systems.
std::filesystem::path temporaryPathFor(const std::filesystem::path& target);

// A file written beside its target under a temporary name and renamed into place only when
// every byte has been written and flushed. Until commit() the target keeps its old contents;
// a save that fails (or is abandoned) removes the temporary file and leaves no partial file.
// The step that fails records the system's reason ("Permission denied", "No space left on
// device", ...), in failure() and for the message that reports it (takeWriteFailure()).
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file in the target's folder. False when it cannot be created.
  bool open(const std::filesystem::path& target, DiskSpace space = {});
  // Writes all of `bytes`; false (and the file is spoilt) when fewer were written.
  bool write(std::span<const std::uint8_t> bytes);
  bool write(const void* data, std::size_t size) {
    return write(std::span(static_cast<const std::uint8_t*>(data), size));
  }
  bool write(std::string_view text) { return write(text.data(), text.size()); }
  // Flushes, closes and renames the temporary file onto the target. False on any failure, and
  // then the target is untouched.
  bool commit();
  // Closes and removes the temporary file.
  void discard();

  const std::filesystem::path& temporaryPath() const { return temporary_; }
  // The system's reason for the failed step; empty while nothing has failed.
  const std::string& failure() const { return failure_; }

 private:
  void fail(int error);
  void fail(const std::string& reason);

  std::FILE* file_ = nullptr;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::uint64_t written_ = 0;
  std::uint64_t room_ = 0;
  bool failed_ = false;
  std::string failure_;
};

// The reason the last failed AtomicFile save of this thread recorded, which the message reporting
// that failure shows; taking it clears it, and so do the next open and a successful commit.
std::string takeWriteFailure();

// Writes `bytes` to `target` through an AtomicFile: the whole new contents or, on failure, the old
// file untouched and no temporary file left behind.
bool replaceFile(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);
bool replaceFile(const std::filesystem::path& target, std::string_view text);

// The length of a file, or nullopt-like -1 when it cannot be examined.
std::int64_t fileSize(const std::filesystem::path& path);

// An open file for reading with all-or-nothing reads.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool open(const std::filesystem::path& path);
  bool isOpen() const { return file_ != nullptr; }
  // Reads exactly `bytes.size()` bytes; false on a short read.
  bool read(std::span<std::uint8_t> bytes);
  bool read(void* data, std::size_t size) {
    return read(std::span(static_cast<std::uint8_t*>(data), size));
  }
  bool seek(std::int64_t offset);
  void close();

 private:
  std::FILE* file_ = nullptr;
};

// A text file that grows a line at a time (a log): each line is handed to the system before
// appendLine() returns, so that a crash loses at most the line being written.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens `path` for appending, creating it when it does not exist. False when it cannot be
  // opened; failure() says why.
  bool open(const std::filesystem::path& path);
  bool isOpen() const { return file_ != nullptr; }
  const std::filesystem::path& path() const { return path_; }
  // Writes `line` and a line end and flushes them. False when the line did not reach the
  // system; failure() says why.
  bool appendLine(std::string_view line);
  void close();
  const std::string& failure() const { return failure_; }

 private:
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  std::string failure_;
};

}  // namespace nvk::base
