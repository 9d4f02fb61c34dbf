// GCC notes that vector arguments change the calling convention; every such function here is
// inlined.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "colour/anti_alias.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstring>

#include "base/messages.h"
#include "base/parallel_rows.h"
#include "base/simd.h"
#include "colour/median_network.h"

namespace nvk::colour {
namespace {

constexpr int kBandRows = 16;
// The medians cover rows and columns 3 .. size - 4.
constexpr int kMedianBorder = 3;

// The median of the windows centred on row y, columns [xBegin, xEnd), from the five sorted
// column buffers: sorted[r][k] is the (r + 1)-th smallest of rows y - 2 .. y + 2 in column k.
void medianFromSortedColumns(const std::uint16_t* const sorted[5], std::uint16_t* out, int xBegin,
                             int xEnd) {
  for (int x = xBegin; x < xEnd; ++x) {
    std::uint16_t w[25];
    for (int c = 0; c < 5; ++c)
      for (int r = 0; r < 5; ++r)
        w[c * 5 + r] = sorted[r][x + c - 2];
#define NVK_COMPARE(a, b)                           \
  {                                                 \
    const std::uint16_t low = std::min(w[a], w[b]); \
    w[b] = std::max(w[a], w[b]);                    \
    w[a] = low;                                     \
  }
    NVK_MEDIAN25_NETWORK(NVK_COMPARE)
#undef NVK_COMPARE
    out[x] = w[kMedian25Wire];
  }
}

// Sorts the five samples of rows y - 2 .. y + 2 in each column [kBegin, kEnd) into `sorted`.
void sortColumns(const std::uint16_t* centreRow, std::ptrdiff_t width,
                 std::uint16_t* const sorted[5], int kBegin, int kEnd) {
  for (int k = kBegin; k < kEnd; ++k) {
    std::uint16_t v[5];
    for (int r = 0; r < 5; ++r)
      v[r] = centreRow[(r - 2) * width + k];
#define NVK_COMPARE(a, b)                           \
  {                                                 \
    const std::uint16_t low = std::min(v[a], v[b]); \
    v[b] = std::max(v[a], v[b]);                    \
    v[a] = low;                                     \
  }
    NVK_SORT5_NETWORK(NVK_COMPARE)
#undef NVK_COMPARE
    for (int r = 0; r < 5; ++r)
      sorted[r][k] = v[r];
  }
}

#if NVK_SIMD_X86

// The vector versions work on sixteen columns at once (AVX2) or on thirty-two (AVX-512BW), one
// per lane, written once with GCC's vector types.
using Lanes16 = std::uint16_t __attribute__((vector_size(32)));
using Lanes32 = std::uint16_t __attribute__((vector_size(64)));

using base::loadLanes;
using base::storeLanes;

#define NVK_COMPARE(a, b)                    \
  {                                          \
    const V low = w[a] < w[b] ? w[a] : w[b]; \
    w[b] = w[a] < w[b] ? w[b] : w[a];        \
    w[a] = low;                              \
  }

// Columns [kBegin, kBegin + n lanes) sorted by vectors; returns where the plain loop goes on.
template <typename V>
[[gnu::always_inline]] inline int sortColumnsVector(const std::uint16_t* centreRow,
                                                    std::ptrdiff_t width,
                                                    std::uint16_t* const sorted[5], int kBegin,
                                                    int kEnd) {
  constexpr int kLanes = sizeof(V) / 2;
  if (kEnd - kBegin < kLanes) return kBegin;
  // The last block ends at the last column (it may sort some columns twice).
  for (int k = kBegin;; k = std::min(k + kLanes, kEnd - kLanes)) {
    V w[5];
    for (int r = 0; r < 5; ++r)
      w[r] = loadLanes<V>(centreRow + (r - 2) * width + k);
    // The row the next row of windows brings in, asked for a row early.
    __builtin_prefetch(centreRow + 3 * width + k);
    NVK_SORT5_NETWORK(NVK_COMPARE)
    for (int r = 0; r < 5; ++r)
      storeLanes(sorted[r] + k, w[r]);
    if (k == kEnd - kLanes) return kEnd;
  }
}

template <typename V>
[[gnu::always_inline]] inline int medianFromSortedColumnsVector(
    const std::uint16_t* const sorted[5], std::uint16_t* out, int xBegin, int xEnd) {
  constexpr int kLanes = sizeof(V) / 2;
  if (xEnd - xBegin < kLanes) return xBegin;
  // The last block ends at the last window (it may compute some medians twice).
  for (int x = xBegin;; x = std::min(x + kLanes, xEnd - kLanes)) {
    V w[25];
    for (int c = 0; c < 5; ++c)
      for (int r = 0; r < 5; ++r)
        w[c * 5 + r] = loadLanes<V>(sorted[r] + x + c - 2);
    // The output line written some blocks from now, fetched for writing.
    __builtin_prefetch(out + x + 512, 1);
    NVK_MEDIAN25_NETWORK(NVK_COMPARE)
    storeLanes(out + x, w[kMedian25Wire]);
    if (x == xEnd - kLanes) return xEnd;
  }
}

#undef NVK_COMPARE

NVK_SIMD_BEGIN_AVX2

inline __m256i load16(const std::uint16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store16(std::uint16_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

int sortColumnsAvx2(const std::uint16_t* centreRow, std::ptrdiff_t width,
                    std::uint16_t* const sorted[5], int kBegin, int kEnd) {
  return sortColumnsVector<Lanes16>(centreRow, width, sorted, kBegin, kEnd);
}

int medianFromSortedColumnsAvx2(const std::uint16_t* const sorted[5], std::uint16_t* out,
                                int xBegin, int xEnd) {
  return medianFromSortedColumnsVector<Lanes16>(sorted, out, xBegin, xEnd);
}

std::size_t addMeanLowBitsAvx2(const MeanStepPlanes& p, std::size_t begin, std::size_t end) {
  // m = sum / 3 in single floats with a bias of 1/6: exact for every sum up to 196605.
  const __m256 third = _mm256_set1_ps(1.0f / 3.0f);
  const __m256 bias = _mm256_set1_ps(1.0f / 6.0f);
  const __m256i lowByte = _mm256_set1_epi32(255);
  const auto lowBitsOfMean = [&](__m128i r, __m128i b, __m128i g) {
    const __m256i sum =
        _mm256_add_epi32(_mm256_add_epi32(_mm256_cvtepu16_epi32(r), _mm256_cvtepu16_epi32(b)),
                         _mm256_cvtepu16_epi32(g));
    const __m256i mean = _mm256_cvttps_epi32(_mm256_fmadd_ps(_mm256_cvtepi32_ps(sum), third, bias));
    return _mm256_and_si256(mean, lowByte);
  };
  std::size_t i = begin;
  for (; i + 16 <= end; i += 16) {
    const __m256i r = load16(p.medianRed + i);
    const __m256i b = load16(p.medianBlue + i);
    const __m256i g = load16(p.medianGreen + i);
    const __m256i low = lowBitsOfMean(_mm256_castsi256_si128(r), _mm256_castsi256_si128(b),
                                      _mm256_castsi256_si128(g));
    const __m256i high =
        lowBitsOfMean(_mm256_extracti128_si256(r, 1), _mm256_extracti128_si256(b, 1),
                      _mm256_extracti128_si256(g, 1));
    const __m256i d = _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xD8);
    // A saturating add is "the sum, or 65535 if the sum is 65535 or more".
    store16(p.red + i, _mm256_adds_epu16(r, d));
    store16(p.blue + i, _mm256_adds_epu16(b, d));
    store16(p.green + i, _mm256_adds_epu16(g, d));
  }
  return i;
}

NVK_SIMD_END

NVK_SIMD_BEGIN_AVX512VL

int sortColumnsAvx512(const std::uint16_t* centreRow, std::ptrdiff_t width,
                      std::uint16_t* const sorted[5], int kBegin, int kEnd) {
  return sortColumnsVector<Lanes32>(centreRow, width, sorted, kBegin, kEnd);
}

int medianFromSortedColumnsAvx512(const std::uint16_t* const sorted[5], std::uint16_t* out,
                                  int xBegin, int xEnd) {
  return medianFromSortedColumnsVector<Lanes32>(sorted, out, xBegin, xEnd);
}

NVK_SIMD_END

#endif  // NVK_SIMD_X86

}  // namespace

void medianRows(const std::uint16_t* source, std::uint16_t* target, int width, int height,
                int rowBegin, int rowEnd, bool allowVector) {
  const bool vector = allowVector && base::hasAvx2();
  const int first = std::max(rowBegin, kMedianBorder);
  const int last = std::min(rowEnd, height - kMedianBorder);
  assert(width <= image::kFullWidth);
  if (width < 2 * kMedianBorder + 1) return;
  // The five sorted columns of one row of windows: columns 1 .. width - 2 are read. The vector
  // sort starts at column 0, so that its stores split no cache line.
  alignas(64) std::uint16_t sortedStore[5][image::kFullWidth];
  std::uint16_t* const sorted[5] = {sortedStore[0], sortedStore[1], sortedStore[2], sortedStore[3],
                                    sortedStore[4]};
  const std::ptrdiff_t w = width;
  for (int y = first; y < last; ++y) {
    const std::uint16_t* centreRow = source + y * w;
    std::uint16_t* out = target + y * w;
    const int columnBegin = kMedianBorder - 2;
    const int columnEnd = width - kMedianBorder + 2;
    int k = columnBegin;
    int x = kMedianBorder;
#if NVK_SIMD_X86
    if (vector) {
      k = base::hasAvx512Vl() ? sortColumnsAvx512(centreRow, w, sorted, 0, columnEnd)
                              : sortColumnsAvx2(centreRow, w, sorted, 0, columnEnd);
      sortColumns(centreRow, w, sorted, k, columnEnd);
      x = base::hasAvx512Vl()
              ? medianFromSortedColumnsAvx512(sorted, out, kMedianBorder, width - kMedianBorder)
              : medianFromSortedColumnsAvx2(sorted, out, kMedianBorder, width - kMedianBorder);
      medianFromSortedColumns(sorted, out, x, width - kMedianBorder);
      continue;
    }
#endif
    sortColumns(centreRow, w, sorted, k, columnEnd);
    medianFromSortedColumns(sorted, out, x, width - kMedianBorder);
  }
  (void)vector;
}

void addMeanLowBits(const MeanStepPlanes& p, std::size_t begin, std::size_t end, bool allowVector) {
  std::size_t i = begin;
#if NVK_SIMD_X86
  if (allowVector && base::hasAvx2()) i = addMeanLowBitsAvx2(p, begin, end);
#endif
  (void)allowVector;
  for (; i < end; ++i) {
    const unsigned d = (unsigned{p.medianRed[i]} + p.medianBlue[i] + p.medianGreen[i]) / 3 & 255u;
    p.red[i] = static_cast<std::uint16_t>(std::min(unsigned{p.medianRed[i]} + d, 65535u));
    p.blue[i] = static_cast<std::uint16_t>(std::min(unsigned{p.medianBlue[i]} + d, 65535u));
    p.green[i] = static_cast<std::uint16_t>(std::min(unsigned{p.medianGreen[i]} + d, 65535u));
  }
}

void AntiAlias(Program& program, bool redraw) {
  port::Ui& ui = program.ui();
  if (!program.state.colourConverted) {
    base::ShowMessage(ui, base::Message::NotColourConverted);
    return;
  }
  const image::ImageGeometry& g = program.geometry;
  const image::ColourPlanes& colour = program.planes.ColourImage;
  const image::ColourPlanes& median = program.planes.RgbOutputImage;
  ui.setBusyCursor(true);
  ui.openProgress("ANTI-ALIAS PROGRESS");
  const image::ColourPlanes& undo = program.planes.ColourUndoImage;
  const std::size_t rowSamples = static_cast<std::size_t>(g.width);

  // The medians only read the colour planes, so each band's rows are copied for the undo while
  // the medians have them in the cache, on whichever core takes the band.
  const int progressDivisor = program.state.binned ? 8 : 16;
  base::forEachRowBand(
      0, g.height, kBandRows,
      [&](int rowBegin, int rowEnd) {
        for (int plane = 0; plane < 3; ++plane) {
          medianRows(colour[plane].data(), median[plane].data(), g.width, g.height, rowBegin,
                     rowEnd);
          std::copy_n(colour[plane].begin() + static_cast<std::ptrdiff_t>(rowBegin * rowSamples),
                      static_cast<std::size_t>(rowEnd - rowBegin) * rowSamples,
                      undo[plane].begin() + static_cast<std::ptrdiff_t>(rowBegin * rowSamples));
        }
      },
      [&](int row) {
        ui.setProgress(row / progressDivisor);
        ui.pump();
      });

  const MeanStepPlanes step{median.red().data(), median.blue().data(), median.green().data(),
                            colour.red().data(), colour.blue().data(), colour.green().data()};
  base::forEachRowBand(
      0, g.height, 64,
      [&](int rowBegin, int rowEnd) {
        addMeanLowBits(step, rowBegin * rowSamples, rowEnd * rowSamples);
      },
      [](int) {});

  ui.closeProgress();
  ui.setBusyCursor(false);
  if (redraw) ui.requestRedraw();
}

void UndoLastColourFilter(Program& program) {
  if (!program.state.colourConverted) {
    base::ShowMessage(program.ui(), base::Message::NotColourConverted);
    return;
  }
  for (int plane = 0; plane < 3; ++plane)
    std::copy_n(program.planes.ColourUndoImage[plane].begin(), program.geometry.pixelCount,
                program.planes.ColourImage[plane].begin());
  program.ui().requestRedraw();
}

}  // namespace nvk::colour
