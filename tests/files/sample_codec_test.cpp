#include "files/sample_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace nvk::files {
namespace {

// The plain reference: one sample at a time, byte by byte.
std::vector<std::uint8_t> referenceEncode(const std::vector<std::uint16_t>& samples) {
  std::vector<std::uint8_t> bytes;
  for (const std::uint16_t sample : samples) {
    const int stored = static_cast<int>(sample) - 32768;  // -32768..32767
    const auto twos = static_cast<std::uint16_t>(stored & 0xFFFF);
    bytes.push_back(static_cast<std::uint8_t>(twos >> 8));
    bytes.push_back(static_cast<std::uint8_t>(twos & 0xFF));
  }
  return bytes;
}

std::vector<std::uint16_t> referenceDecode(const std::vector<std::uint8_t>& bytes, int offset) {
  std::vector<std::uint16_t> samples;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    samples.push_back(static_cast<std::uint16_t>((bytes[i] * 256 + bytes[i + 1] + offset) % 65536));
  }
  return samples;
}

TEST(SampleCodec, MatchesTheReferenceBitForBitOnRandomFrames) {
  std::mt19937 rng(2026);
  std::uniform_int_distribution<int> sample(0, 65535);
  for (std::size_t count : {1u, 7u, 16u, 1001u, 304'096u}) {
    std::vector<std::uint16_t> samples(count);
    for (auto& s : samples)
      s = static_cast<std::uint16_t>(sample(rng));
    samples[0] = count > 1 ? 65535 : 0;
    std::vector<std::uint16_t> words(count);
    encodeFitsSamples(samples.data(), count, words.data());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(words.data());
    const std::vector<std::uint8_t> encoded(bytes, bytes + 2 * count);
    ASSERT_EQ(encoded, referenceEncode(samples)) << count;
    for (int offset : {32768, 0, 1, 65535, 12345}) {
      std::vector<std::uint16_t> decoded(count);
      decodeFitsSamples(words.data(), count, static_cast<std::uint16_t>(offset), decoded.data());
      ASSERT_EQ(decoded, referenceDecode(encoded, offset)) << count << " " << offset;
    }
    std::vector<std::uint16_t> back(count);
    decodeFitsSamples(words.data(), count, 32768, back.data());
    EXPECT_EQ(back, samples);
  }
}

}  // namespace
}  // namespace nvk::files
