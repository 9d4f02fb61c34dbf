#include "camera/readout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "base/simd.h"

namespace nvk::camera {

static_assert(std::endian::native == std::endian::little,
              "camera samples arrive little-endian and are used in place");

namespace {

// One row pair of cells: `in` holds 2 x width samples in cell order.
inline void scatterCellRow(const std::uint16_t* in, int width, std::uint16_t* top,
                           std::uint16_t* bottom) {
  const int cells = width / 2;
  for (int c = 0; c < cells; ++c) {
    std::uint64_t cell;
    std::memcpy(&cell, in + 4 * c, 8);
    // Samples 0 and 3 are the top row's pair, 1 and 2 the bottom row's.
    const auto topPair =
        static_cast<std::uint32_t>((cell & 0xFFFFu) | ((cell >> 32) & 0xFFFF0000u));
    const auto bottomPair = static_cast<std::uint32_t>(cell >> 16);
    std::memcpy(top + 2 * c, &topPair, 4);
    std::memcpy(bottom + 2 * c, &bottomPair, 4);
  }
}

constexpr int kBinnedWidth = 1520;
constexpr int kBinnedHeight = 1012;

}  // namespace

void copyLines(const std::uint16_t* lines, std::size_t lineSamples, std::size_t lineCount,
               std::uint16_t* image, std::size_t imageStride) {
  if (imageStride == lineSamples) {
    std::memmove(image, lines, lineSamples * lineCount * 2);
    return;
  }
  for (std::size_t k = 0; k < lineCount; ++k) {
    std::memmove(image + k * imageStride, lines + k * lineSamples, lineSamples * 2);
  }
}

void unscrambleCells(const std::uint16_t* in, int width, int height, std::uint16_t* out,
                     std::size_t outStride) {
  for (int p = 0; p < height / 2; ++p) {
    std::uint16_t* top = out + static_cast<std::size_t>(2 * p) * outStride;
    scatterCellRow(in + static_cast<std::size_t>(p) * 2 * width, width, top, top + outStride);
  }
}

void unscrambleCellsInPlace(std::uint16_t* image, int width, int height) {
  std::array<std::uint16_t, 2 * 3040> pair;
  const auto pairSamples = static_cast<std::size_t>(2 * width);
  for (int p = 0; p < height / 2; ++p) {
    std::uint16_t* top = image + static_cast<std::size_t>(p) * pairSamples;
    std::uint16_t* source = top;
    std::vector<std::uint16_t> wide;
    if (pairSamples > pair.size()) {
      wide.assign(top, top + pairSamples);
      source = wide.data();
    } else {
      std::memcpy(pair.data(), top, pairSamples * 2);
      source = pair.data();
    }
    scatterCellRow(source, width, top, top + width);
  }
}

void decodeHighResolution(const std::uint16_t* lines, std::uint16_t* image) {
  constexpr int kWidth = kHighResLineStride / 2;                   // 3040
  constexpr int kTailSamples = kHighResLineStride - kLineSamples;  // 16 samples no line reaches
  for (int p = 0; p < kFrameLines; ++p) {
    std::uint16_t* top = image + static_cast<std::size_t>(p) * kHighResLineStride;
    std::uint16_t* bottom = top + kWidth;
    std::array<std::uint16_t, kTailSamples> tail;
    std::memcpy(tail.data(), top + kLineSamples, sizeof tail);
    scatterCellRow(lines + static_cast<std::size_t>(p) * kLineSamples, kLineSamples / 2, top,
                   bottom);
    scatterCellRow(tail.data(), kTailSamples / 2, top + kLineSamples / 2,
                   bottom + kLineSamples / 2);
  }
  // The row pairs below the last line unscramble what the image held.
  unscrambleCellsInPlace(image + static_cast<std::size_t>(kFrameLines) * kHighResLineStride, kWidth,
                         2024 - 2 * kFrameLines);
}

void interpolateBinned4x4(std::uint16_t* image) {
  constexpr int kLines = 504;
  constexpr int kLineLength = 758;
  for (int line = 0; line < kLines; ++line) {
    std::uint16_t* row = image + static_cast<std::size_t>(2 * line) * kBinnedWidth;
    for (int k = kLineLength - 1; k >= 1; --k) {
      const std::uint16_t here = row[k];
      const std::uint16_t before = row[k - 1];
      row[2 * k] = here;
      row[2 * k - 1] = static_cast<std::uint16_t>(here / 2 + before / 2);
    }
  }
  for (int r = 1; r < kBinnedHeight - 1; r += 2) {
    const std::uint16_t* above = image + static_cast<std::size_t>(r - 1) * kBinnedWidth;
    const std::uint16_t* below = above + 2 * kBinnedWidth;
    std::uint16_t* row = image + static_cast<std::size_t>(r) * kBinnedWidth;
    for (int c = 0; c < kBinnedWidth; ++c) {
      row[c] = static_cast<std::uint16_t>(above[c] / 2 + below[c] / 2);
    }
  }
  std::memcpy(image + static_cast<std::size_t>(kBinnedHeight - 1) * kBinnedWidth,
              image + static_cast<std::size_t>(kBinnedHeight - 2) * kBinnedWidth, kBinnedWidth * 2);
}

namespace {

// The floats of resampleBinned4x8Rows()'s scratch: the two horizontally interpolated input rows
// an output row blends, the input row widened to floats and the two column weights.
constexpr std::size_t kResampleRowFloats = kBinnedWidth;
constexpr std::size_t kWidenedRowFloats = kBinned4x8Width + 2;

// Loops compiled once for AVX2 processors and once for any x86-64, the processor's version
// picked at start. AVX2 here brings no fused multiply-add, so every product and sum is rounded
// as in the plain formula.
#define NVK_RESAMPLE_LOOP NVK_VECTORISED

// One input row interpolated across: dst[c] = w0[c] x row[x0(c)] + w1[c] x row[x1(c)].
NVK_RESAMPLE_LOOP void interpolateAcross(const std::uint16_t* src, float* widened,
                                         const int* column0, const int* column1,
                                         const float* weight0, const float* weight1, float* dst) {
  for (int k = 0; k < kBinned4x8Width; ++k)
    widened[k] = static_cast<float>(src[k]);
  for (int c = 0; c < kBinnedWidth; ++c)
    dst[c] = weight0[c] * widened[column0[c]] + weight1[c] * widened[column1[c]];
}

// One output row from its two interpolated input rows.
NVK_RESAMPLE_LOOP void blendDown(const float* h0, const float* h1, float wy0, float wy1,
                                 std::uint16_t* dst) {
  for (int c = 0; c < kBinnedWidth; ++c) {
    const float v = wy0 * h0[c] + wy1 * h1[c];
    const std::int32_t whole = static_cast<std::int32_t>(v);
    dst[c] = static_cast<std::uint16_t>(whole > 65535 ? 65535 : whole);
  }
}

}  // namespace

std::size_t resampleScratchFloats() {
  return 2 * kResampleRowFloats + kWidenedRowFloats + 2 * kBinnedWidth;
}

void resampleBinned4x8(const std::uint16_t* in, std::uint16_t* out, std::span<float> scratch) {
  resampleBinned4x8Rows(in, out, scratch, 0, kBinnedHeight);
}

void resampleBinned4x8Rows(const std::uint16_t* in, std::uint16_t* out, std::span<float> scratch,
                           int rowBegin, int rowEnd) {
  float* upper = scratch.data();
  float* lower = upper + kResampleRowFloats;
  float* widened = lower + kResampleRowFloats;
  float* columnWeight0 = widened + kWidenedRowFloats;
  float* columnWeight1 = columnWeight0 + kBinnedWidth;
  std::array<int, kBinnedWidth> column0;
  std::array<int, kBinnedWidth> column1;
  for (int c = 0; c < kBinnedWidth; ++c) {
    const float x = static_cast<float>(c) / kBinned4x8ColumnDivisor;
    const int x0 = static_cast<int>(x);
    const float fx = x - static_cast<float>(x0);
    column0[c] = x0;
    column1[c] = std::min(x0 + 1, kBinned4x8Width - 1);
    columnWeight0[c] = 1.0f - fx;
    columnWeight1[c] = fx;
  }
  const auto across = [&](int y, float* dst) {
    interpolateAcross(in + static_cast<std::size_t>(y) * kBinned4x8Width, widened, column0.data(),
                      column1.data(), columnWeight0, columnWeight1, dst);
  };
  // About four output rows blend the same two input rows: each input row is interpolated
  // across once, when the first output row that needs it comes.
  int upperRow = -1;
  int lowerRow = -1;
  for (int r = std::max(rowBegin, 0); r < std::min(rowEnd, kBinnedHeight); ++r) {
    const float y = static_cast<float>(r) / kBinned4x8RowDivisor;
    const int y0 = static_cast<int>(y);
    const float fy = y - static_cast<float>(y0);
    const int y1 = std::min(y0 + 1, kBinned4x8Height - 1);
    if (y0 != upperRow) {
      if (y0 == lowerRow) {
        std::swap(upper, lower);
      } else {
        across(y0, upper);
      }
      upperRow = y0;
      lowerRow = -1;
    }
    if (y1 != lowerRow) {
      across(y1, lower);
      lowerRow = y1;
    }
    blendDown(upper, lower, 1.0f - fy, fy, out + static_cast<std::size_t>(r) * kBinnedWidth);
  }
}

void fillOddRows(std::uint16_t* image, int width, int height) {
  const auto w = static_cast<std::size_t>(width);
  for (int r = 1; r < height - 1; r += 2) {
    const std::uint16_t* above = image + static_cast<std::size_t>(r - 1) * w;
    const std::uint16_t* below = above + 2 * w;
    std::uint16_t* row = image + static_cast<std::size_t>(r) * w;
    for (std::size_t c = 0; c < w; ++c) {
      row[c] = static_cast<std::uint16_t>(above[c] / 2 + below[c] / 2);
    }
  }
  std::memcpy(image + static_cast<std::size_t>(height - 1) * w,
              image + static_cast<std::size_t>(height - 2) * w, w * 2);
}

void blankAround(std::uint16_t* frame, int frameWidth, int frameHeight, int left, int top,
                 int blockWidth, int blockHeight) {
  const auto w = static_cast<std::size_t>(frameWidth);
  for (int r = 0; r < frameHeight; ++r) {
    std::uint16_t* row = frame + static_cast<std::size_t>(r) * w;
    if (r < top || r >= top + blockHeight) {
      std::fill(row, row + w, std::uint16_t{0});
      continue;
    }
    std::fill(row, row + left, std::uint16_t{0});
    std::fill(row + left + blockWidth, row + w, std::uint16_t{0});
  }
}

}  // namespace nvk::camera
