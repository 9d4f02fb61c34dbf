#include "fuzz_support.h"

#include <unistd.h>

#include <array>
#include <fstream>
#include <string>

#include "files/raw_file.h"

namespace nvk::fuzz {
namespace {

constexpr std::size_t kLengthByte = 1;
constexpr std::size_t kTrailerBytes = files::kTrailerBytes;

std::filesystem::path runFolder() {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("nvk-fuzz-" + std::to_string(static_cast<long>(::getpid())));
  std::filesystem::create_directories(folder);
  return folder;
}

constexpr std::array<std::int64_t, 4> kRawSizes{files::kBinnedRawSize, files::kFullFrameSize,
                                                files::kFullRawSize, files::kFullColourRawSize};
// The FITS sizes the program writes (see files::isFitsSize).
constexpr std::array<std::int64_t, 5> kFitsSizes{3'082'240, 3'084'480, 12'311'680, 12'312'000,
                                                 49'229'440};
constexpr std::array<std::int64_t, 9> kAllSizes{kRawSizes[0],  kRawSizes[1],  kRawSizes[2],
                                                kRawSizes[3],  kFitsSizes[0], kFitsSizes[1],
                                                kFitsSizes[2], kFitsSizes[3], kFitsSizes[4]};

}  // namespace

FuzzProgram::FuzzProgram() : root(runFolder()), program(clock, ui, base::ProgramPaths(root)) {}

FuzzProgram::~FuzzProgram() {
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

FuzzProgram& fuzzProgram() {
  static FuzzProgram instance;
  instance.ui.clearRecord();
  return instance;
}

std::filesystem::path writeInput(std::span<const std::uint8_t> bytes, const char* name) {
  const auto path = fuzzProgram().root / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::filesystem::path writeSizedInput(std::span<const std::uint8_t> input,
                                      std::span<const std::int64_t> sizes) {
  if (input.size() < kLengthByte + kTrailerBytes || input[0] == 0) {
    return writeInput(input.size() < kLengthByte + kTrailerBytes ? input : input.subspan(1));
  }
  const auto size = static_cast<std::size_t>(sizes[(input[0] - 1u) % sizes.size()]);
  const auto trailer = input.subspan(kLengthByte, kTrailerBytes);
  auto head = input.subspan(kLengthByte + kTrailerBytes);
  head = head.first(std::min(head.size(), size - kTrailerBytes));
  const auto path = writeInput(head);
  std::filesystem::resize_file(path, size - kTrailerBytes);
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(reinterpret_cast<const char*>(trailer.data()), kTrailerBytes);
  return path;
}

std::span<const std::int64_t> rawSizes() {
  return kRawSizes;
}
std::span<const std::int64_t> fitsSizes() {
  return kFitsSizes;
}
std::span<const std::int64_t> allImageSizes() {
  return kAllSizes;
}

}  // namespace nvk::fuzz
