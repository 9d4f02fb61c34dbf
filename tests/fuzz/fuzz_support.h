#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "app/program.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"

namespace nvk::fuzz {

// One program for the whole run, on a virtual clock and a scripted Ui, with its data root in a
// folder of its own. Building it allocates every image plane, so the targets share it; each
// input starts from the state the previous one left, as a user opening one file after another.
struct FuzzProgram {
  FuzzProgram();
  ~FuzzProgram();  // removes the run's folder
  FuzzProgram(const FuzzProgram&) = delete;
  FuzzProgram& operator=(const FuzzProgram&) = delete;
  std::filesystem::path root;
  port::VirtualClock clock;
  port::ScriptedUi ui{&clock};
  app::Program program;
};
FuzzProgram& fuzzProgram();

// A file in the run's folder holding exactly `bytes`.
std::filesystem::path writeInput(std::span<const std::uint8_t> bytes, const char* name = "input");

// The inputs of the size-driven readers, whose files are megabytes long:
//   byte 0       chooses the file's length: 0 keeps the rest of the input as the whole file,
//                n picks sizes[(n - 1) % sizes.size()];
//   bytes 1..10  the file's last ten bytes (the raw trailer);
//   the rest     the start of the file; what lies between is zeros (a sparse file).
// Inputs shorter than 11 bytes are written as they are.
std::filesystem::path writeSizedInput(std::span<const std::uint8_t> input,
                                      std::span<const std::int64_t> sizes);

// Every file length the readers tell apart: the four raw sizes and the FITS sizes.
std::span<const std::int64_t> rawSizes();
std::span<const std::int64_t> fitsSizes();
std::span<const std::int64_t> allImageSizes();

// Reads the next bytes of a fuzz input, zero once it is used up.
class InputBytes {
 public:
  explicit InputBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint8_t next() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
  std::span<const std::uint8_t> rest() const { return bytes_.subspan(pos_); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace nvk::fuzz
