// The optimised decoders against plain reference versions, bit for bit on random frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "camera/readout.h"
#include "camera/reference_resample.h"

namespace nvk::camera {
namespace {

std::vector<std::uint16_t> randomSamples(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> any(0, 65535);
  std::vector<std::uint16_t> v(n);
  // A share of 16-bit boundary values among the random ones.
  const std::uint16_t edges[] = {0, 1, 65534, 65535};
  for (auto& s : v) {
    const int r = any(random);
    s = (r % 16 == 0) ? edges[(r >> 4) % 4] : static_cast<std::uint16_t>(any(random));
  }
  return v;
}

// Reference unscrambling: cell by cell, 4 input samples each.
void referenceUnscramble(const std::uint16_t* in, int width, int height, std::uint16_t* out) {
  std::size_t k = 0;
  for (int p = 0; p < height / 2; ++p) {
    for (int c = 0; c < width / 2; ++c) {
      const std::size_t top = static_cast<std::size_t>(2 * p) * width + 2 * c;
      const std::size_t bottom = top + static_cast<std::size_t>(width);
      out[top] = in[k++];
      out[bottom] = in[k++];
      out[bottom + 1] = in[k++];
      out[top + 1] = in[k++];
    }
  }
}

TEST(Decode, HighResolutionInOnePassEqualsLineCopiesThenUnscrambling) {
  for (std::uint32_t seed : {1u, 2u}) {
    const auto lines = randomSamples(6064u * 1008u, seed);
    const auto before = randomSamples(3040u * 2024u, seed + 100);
    // Reference: the lines at the 6080-sample stride into the old image, then cells.
    std::vector<std::uint16_t> staged = before;
    for (int k = 0; k < 1008; ++k) {
      std::copy_n(lines.begin() + static_cast<std::ptrdiff_t>(k) * 6064, 6064,
                  staged.begin() + static_cast<std::ptrdiff_t>(k) * 6080);
    }
    std::vector<std::uint16_t> expected(staged.size());
    referenceUnscramble(staged.data(), 3040, 2024, expected.data());

    std::vector<std::uint16_t> image = before;
    decodeHighResolution(lines.data(), image.data());
    ASSERT_TRUE(image == expected) << "seed " << seed;
  }
}

TEST(Decode, UnscramblingInPlaceAndWithAStrideMatchTheReference) {
  struct Size {
    int width, height;
  };
  for (const Size s : {Size{1520, 1012}, Size{128, 128}, Size{3040, 8}, Size{4, 2}}) {
    const auto input = randomSamples(static_cast<std::size_t>(s.width) * s.height, 7);
    std::vector<std::uint16_t> expected(input.size());
    referenceUnscramble(input.data(), s.width, s.height, expected.data());

    std::vector<std::uint16_t> inPlace = input;
    unscrambleCellsInPlace(inPlace.data(), s.width, s.height);
    EXPECT_TRUE(inPlace == expected) << s.width << "x" << s.height;

    // Into a wider frame: the block lands row by row, the margins are untouched.
    const std::size_t stride = static_cast<std::size_t>(s.width) + 6;
    std::vector<std::uint16_t> framed(stride * s.height, 0x5555);
    unscrambleCells(input.data(), s.width, s.height, framed.data(), stride);
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width + 6; ++x) {
        const std::uint16_t want =
            x < s.width ? expected[static_cast<std::size_t>(y) * s.width + x] : 0x5555;
        ASSERT_EQ(framed[y * stride + x], want) << x << "," << y;
      }
    }
  }
}

TEST(Decode, Binned4x8ResamplingMatchesThePlainFormula) {
  std::vector<float> scratch(resampleScratchFloats());
  for (std::uint32_t seed : {3u, 4u, 5u}) {
    const auto in = randomSamples(758u * 252u, seed);
    std::vector<std::uint16_t> out(1520u * 1012u);
    resampleBinned4x8(in.data(), out.data(), scratch);
    auto sample = [&](int y, int x) { return in[static_cast<std::size_t>(y) * 758 + x]; };
    for (int r = 0; r < 1012; ++r) {
      for (int c = 0; c < 1520; ++c) {
        ASSERT_EQ(out[static_cast<std::size_t>(r) * 1520 + c],
                  test::referenceBilinear4x8(sample, r, c))
            << "seed " << seed << " at " << c << "," << r;
      }
    }
  }
}

// The readout may share the output rows between threads: any split into row bands, each with
// its own scratch, gives the whole frame's samples, a band starting or ending between two
// output rows that blend the same input rows included.
TEST(Decode, Binned4x8ResamplingInRowBandsMatchesTheWholeFrame) {
  const auto in = randomSamples(758u * 252u, 6);
  std::vector<float> scratch(resampleScratchFloats());
  std::vector<std::uint16_t> whole(1520u * 1012u);
  resampleBinned4x8(in.data(), whole.data(), scratch);
  const std::vector<std::vector<int>> splits = {
      {0, 506, 1012}, {0, 1, 2, 1011, 1012}, {0, 333, 334, 1009, 1012}};
  for (const auto& split : splits) {
    std::vector<std::uint16_t> banded(whole.size(), 0x5555);
    for (std::size_t k = 0; k + 1 < split.size(); ++k) {
      std::vector<float> own(resampleScratchFloats(), -1.0f);
      resampleBinned4x8Rows(in.data(), banded.data(), own, split[k], split[k + 1]);
    }
    ASSERT_EQ(banded, whole) << "split at " << split[1];
  }
}

TEST(Decode, Binned4x4InterpolationMatchesThePlainSteps) {
  auto image = randomSamples(1520u * 1012u, 9);
  std::vector<std::uint16_t> expected = image;
  // Plain steps: widen each of the 504 read rows from the right, then rows between, last row.
  for (int k = 0; k < 504; ++k) {
    std::uint16_t* row = expected.data() + static_cast<std::size_t>(2 * k) * 1520;
    const std::vector<std::uint16_t> line(row, row + 758);
    row[0] = line[0];
    for (int i = 1; i < 758; ++i) {
      row[2 * i] = line[static_cast<std::size_t>(i)];
      row[2 * i - 1] = static_cast<std::uint16_t>(line[static_cast<std::size_t>(i)] / 2 +
                                                  line[static_cast<std::size_t>(i) - 1] / 2);
    }
  }
  for (int r = 1; r <= 1009; r += 2) {
    for (int c = 0; c < 1520; ++c) {
      expected[static_cast<std::size_t>(r) * 1520 + c] =
          static_cast<std::uint16_t>(expected[static_cast<std::size_t>(r - 1) * 1520 + c] / 2 +
                                     expected[static_cast<std::size_t>(r + 1) * 1520 + c] / 2);
    }
  }
  std::copy_n(expected.begin() + 1010 * 1520, 1520, expected.begin() + 1011 * 1520);
  interpolateBinned4x4(image.data());
  EXPECT_TRUE(image == expected);
}

}  // namespace
}  // namespace nvk::camera
