#include "files/sample_codec.h"

#include <bit>
#include <cstring>

namespace nvk::files {
namespace {

static_assert(std::endian::native == std::endian::little, "FITS words are swapped on the way");

constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
constexpr std::uint64_t kHighBytes = 0xFF00FF00FF00FF00ull;
constexpr std::uint64_t kSignBits = 0x8000800080008000ull;

constexpr std::uint16_t swapBytes(std::uint16_t v) {
  return static_cast<std::uint16_t>((v >> 8) | (v << 8));
}

// Four 16-bit lanes at a time: the byte swap of each lane, and lane-wise addition without a
// carry from one lane into the next.
constexpr std::uint64_t swapLanes(std::uint64_t x) {
  return ((x >> 8) & kLowBytes) | ((x << 8) & kHighBytes);
}
constexpr std::uint64_t addLanes(std::uint64_t x, std::uint64_t y) {
  return ((x & ~kSignBits) + (y & ~kSignBits)) ^ ((x ^ y) & kSignBits);
}

}  // namespace

// A frame is 6 million samples, so both conversions work on four samples per 64-bit word (the
// compiler does not vectorise the lane-by-lane loop at -O2); the tests compare them with a
// byte-by-byte reference on random frames.
void encodeFitsSamples(const std::uint16_t* samples, std::size_t count, std::uint16_t* words) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    std::uint64_t x;
    std::memcpy(&x, samples + i, sizeof x);
    x = swapLanes(x ^ kSignBits);  // sample - 32768, big-endian
    std::memcpy(words + i, &x, sizeof x);
  }
  for (; i < count; ++i)
    words[i] = swapBytes(static_cast<std::uint16_t>(samples[i] ^ 0x8000u));
}

void decodeFitsSamples(const std::uint16_t* words, std::size_t count, std::uint16_t offset,
                       std::uint16_t* samples) {
  const std::uint64_t offsets = offset * 0x0001000100010001ull;
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    std::uint64_t x;
    std::memcpy(&x, words + i, sizeof x);
    x = addLanes(swapLanes(x), offsets);
    std::memcpy(samples + i, &x, sizeof x);
  }
  for (; i < count; ++i) {
    samples[i] = static_cast<std::uint16_t>(swapBytes(words[i]) + offset);
  }
}

}  // namespace nvk::files
