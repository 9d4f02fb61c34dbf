#pragma once

// Plain versions of the colour operations, written straight from their descriptions, that the
// tests hold the production loops to.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "colour/synthesis.h"
#include "process/random_frames.h"

namespace nvk::test {

using Samples = std::vector<std::uint16_t>;

struct ReferenceColour {
  Samples red, green, blue, luminance;
};

// Synthesis window by window: the phases flip after every window and every row, the window
// starts at (a, i) and is centred on (a + 2, i + 2); the last window row is height - 5 and a
// window that would read beyond the last sample of the frame is skipped.
inline void referenceSynthesis(const Samples& raw, int width, int height,
                               const colour::ColourFactors& factors, bool pixelOffset,
                               bool lineOffset, ReferenceColour& out) {
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t frameSamples = w * static_cast<std::size_t>(height);
  const int first = raw[4] + raw[5] == 34 ? 12 : 2;
  int columnPhase = pixelOffset ? 1 : 0;
  int rowPhase = lineOffset ? 1 : 0;
  const auto factor = [](unsigned v, colour::ColourFactor f) {
    const unsigned scaled =
        v * static_cast<unsigned>(f.numerator) / static_cast<unsigned>(f.denominator);
    return static_cast<std::uint16_t>(scaled > 65535 ? 65535 : scaled);
  };
  for (int a = first; a < height - 4; ++a) {
    for (int i = 2; i < width - 2; ++i) {
      const auto index = [&](int r, int c) {
        return static_cast<std::size_t>(a + r) * w + static_cast<std::size_t>(i + c);
      };
      if (index(4, 4) < frameSamples) {
        const auto p = [&](int r, int c) -> unsigned { return raw[index(r, c)]; };
        const unsigned d2 = p(0, 2) + p(2, 0) + p(2, 4) + p(4, 2);
        const unsigned o4 = p(1, 2) + p(2, 1) + p(2, 3) + p(3, 2);
        const unsigned x4 = p(1, 1) + p(1, 3) + p(3, 1) + p(3, 3);
        const unsigned h6 = p(0, 1) + p(0, 3) + p(2, 1) + p(2, 3) + p(4, 1) + p(4, 3);
        const unsigned v6 = p(1, 0) + p(1, 2) + p(1, 4) + p(3, 0) + p(3, 2) + p(3, 4);
        const unsigned centre = p(2, 2);
        unsigned red = 0, green = 0, blue = 0, lum = 0;
        if (rowPhase == 0 && columnPhase == 1) {
          red = d2 / 8 + centre / 2;
          green = o4 / 4;
          blue = x4 / 4;
          lum = ((o4 + x4) / 4 + centre) / 3;
        } else if (rowPhase == 1 && columnPhase == 0) {
          red = x4 / 4;
          green = o4 / 4;
          blue = d2 / 8 + centre / 2;
          lum = ((o4 + x4) / 4 + centre) / 3;
        } else if (rowPhase == 0 && columnPhase == 0) {
          red = h6 / 6;
          green = x4 / 8 + centre / 2;
          blue = v6 / 6;
          lum = (o4 / 2 + centre) / 3;
        } else {
          red = v6 / 6;
          green = x4 / 8 + centre / 2;
          blue = h6 / 6;
          lum = (o4 / 2 + centre) / 3;
        }
        const std::size_t at = index(2, 2);
        out.red[at] = factor(red, factors.red);
        out.green[at] = factor(green, factors.green);
        out.blue[at] = factor(blue, factors.blue);
        const double scaled = lum * 1.2;
        out.luminance[at] =
            scaled > 65535.0 ? 65535 : static_cast<std::uint16_t>(static_cast<long>(scaled));
      }
      columnPhase ^= 1;
    }
    rowPhase ^= 1;
  }
}

// The anti-alias median: 13 rounds of taking the largest remaining sample of the 25 and
// removing it; the 13th taken is stored.
inline void referenceMedian(const Samples& source, Samples& target, int width, int height) {
  const std::size_t w = static_cast<std::size_t>(width);
  for (int y = 3; y <= height - 4; ++y) {
    for (int x = 3; x <= width - 4; ++x) {
      std::uint16_t window[25];
      int remaining = 0;
      for (int r = -2; r <= 2; ++r)
        for (int c = -2; c <= 2; ++c)
          window[remaining++] =
              source[static_cast<std::size_t>(y + r) * w + static_cast<std::size_t>(x + c)];
      std::uint16_t taken = 0;
      for (int round = 0; round < 13; ++round) {
        std::uint16_t* largest = std::max_element(window, window + remaining);
        taken = *largest;
        *largest = window[--remaining];
      }
      target[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = taken;
    }
  }
}

inline Samples randomSamples(std::size_t count, int width, std::uint32_t seed) {
  Samples frame(count);
  fillRandomFrame(frame, width, seed);
  return frame;
}

}  // namespace nvk::test
