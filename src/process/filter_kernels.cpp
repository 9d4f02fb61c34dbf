// The pixel loops of the spatial filters. Each is written so that the compiler vectorises it
// (a clone for AVX2 processors is picked at run time where the processor has it); the tests compare
// every one with a plain per-sample version on random frames.
#pragma GCC diagnostic ignored "-Wpsabi"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "base/simd.h"
#include "process/filters.h"
#include "process/frame.h"

#define NVK_HOT NVK_VECTORISED

namespace nvk::process {
namespace {

// clang-format off
constexpr std::array<FilterKernel, 6> kKernels{{
    {KernelId::LowPass, 1, 16,
     {1, 2, 1,
      2, 4, 2,
      1, 2, 1}, "Lowpass Smoother Filter"},
    {KernelId::HighPassLowPower, 1, 1,
     { 0, -1,  0,
      -1,  5, -1,
       0, -1,  0}, "High Pass Low Power Filter"},
    {KernelId::Gaussian, 2, 80,
     {0, 1,  2, 1, 0,
      1, 4,  8, 4, 1,
      2, 8, 16, 8, 2,
      1, 4,  8, 4, 1,
      0, 1,  2, 1, 0}, "Gaussian Filter"},
    {KernelId::HighPassHighPower, 2, 1,
     {-1, -1, -1, -1, -1,
      -1, -1, -1, -1, -1,
      -1, -1, 25, -1, -1,
      -1, -1, -1, -1, -1,
      -1, -1, -1, -1, -1}, "High Pass High Power Filter"},
    {KernelId::SmootherSharper, 2, 1,
     { 0, -1, -1, -1,  0,
      -1,  1,  1,  1, -1,
      -1,  1,  5,  1, -1,
      -1,  1,  1,  1, -1,
       0, -1, -1, -1,  0}, "Smoother/Sharper Filter"},
    {KernelId::BasRelief, 2, 1,
     { 0,  0, -1,  0,  0,
       0, -1, -1, -1,  0,
      -1, -1,  1,  1,  1,
       0,  1,  1,  1,  0,
       0,  0,  1,  0,  0}, "Bas Relief Filter"},
}};
// clang-format on

constexpr bool weightsAddUpToDivisors() {
  for (const FilterKernel& k : kKernels) {
    int sum = 0;
    for (int i = 0; i < k.size() * k.size(); ++i)
      sum += k.weights[i];
    if (sum != k.divisor) return false;
  }
  return true;
}
static_assert(weightsAddUpToDivisors());

// --- kernel filter ---

template <int Index>
[[gnu::always_inline]] inline void convolveRow(const std::uint16_t* __restrict row,
                                               std::uint16_t* __restrict out, int width) {
  static constexpr FilterKernel k = kKernels[Index];
  constexpr int r = k.radius;
  constexpr int n = 2 * r + 1;
  for (int x = r; x < width - r; ++x) {
    int e = 0;
#pragma GCC unroll 5
    for (int j = 0; j < n; ++j) {
#pragma GCC unroll 5
      for (int i = 0; i < n; ++i) {
        e += k.weights[j * n + i] * row[(j - r) * width + x + i - r];
      }
    }
    e /= k.divisor;
    out[x] = e > 65280 ? 65535 : e < 0 ? 0 : static_cast<std::uint16_t>(e);
  }
}

template <int Index>
[[gnu::always_inline]] inline void convolveBand(const FilterFrames& f, int rowBegin, int rowEnd) {
  for (int y = rowBegin; y < rowEnd; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * f.width;
    convolveRow<Index>(f.source + at, f.target + at, f.width);
  }
}

NVK_HOT void convolve0(const FilterFrames& f, int b, int e) {
  convolveBand<0>(f, b, e);
}
NVK_HOT void convolve1(const FilterFrames& f, int b, int e) {
  convolveBand<1>(f, b, e);
}
NVK_HOT void convolve2(const FilterFrames& f, int b, int e) {
  convolveBand<2>(f, b, e);
}
NVK_HOT void convolve3(const FilterFrames& f, int b, int e) {
  convolveBand<3>(f, b, e);
}
NVK_HOT void convolve4(const FilterFrames& f, int b, int e) {
  convolveBand<4>(f, b, e);
}
NVK_HOT void convolve5(const FilterFrames& f, int b, int e) {
  convolveBand<5>(f, b, e);
}

// Any other kernel: the same sum, one weight at a time.
void convolveGeneric(const FilterKernel& k, const FilterFrames& f, int rowBegin, int rowEnd) {
  const int r = k.radius;
  const int n = k.size();
  for (int y = rowBegin; y < rowEnd; ++y) {
    for (int x = r; x < f.width - r; ++x) {
      int e = 0;
      for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
          e += k.weight(j, i) * f.source[static_cast<std::size_t>(y + j - r) * f.width + x + i - r];
        }
      }
      f.target[static_cast<std::size_t>(y) * f.width + x] = clampFiltered(e / k.divisor);
    }
  }
}

// --- unsharp mask ---

// The window sum is split into column sums over the 2c + 1 rows (carried from row to row: add
// the row entering, subtract the row leaving) and a sum of 2c + 1 neighbouring column sums.
template <int C>
[[gnu::always_inline]] inline void unsharpBand(const FilterFrames& f, int rowBegin, int rowEnd,
                                               int power) {
  constexpr int n = 2 * C + 1;
  constexpr int area = n * n;
  const int w = f.width;
  std::vector<std::int32_t> columnSums(static_cast<std::size_t>(w));
  std::int32_t* __restrict cs = columnSums.data();
  const std::uint16_t* __restrict src = f.source;
  std::uint16_t* __restrict dst = f.target;
  for (int x = 0; x < w; ++x)
    cs[x] = 0;
  for (int dy = -C; dy <= C; ++dy) {
    const std::uint16_t* __restrict row = src + static_cast<std::size_t>(rowBegin + dy) * w;
    for (int x = 0; x < w; ++x)
      cs[x] += row[x];
  }
  for (int y = rowBegin; y < rowEnd; ++y) {
    if (y > rowBegin) {
      const std::uint16_t* __restrict in = src + static_cast<std::size_t>(y + C) * w;
      const std::uint16_t* __restrict outRow = src + static_cast<std::size_t>(y - C - 1) * w;
      for (int x = 0; x < w; ++x)
        cs[x] += in[x] - outRow[x];
    }
    const std::uint16_t* __restrict centre = src + static_cast<std::size_t>(y) * w;
    std::uint16_t* __restrict out = dst + static_cast<std::size_t>(y) * w;
    for (int x = C; x < w - C - 1; ++x) {
      std::int32_t s = 0;
#pragma GCC unroll 15
      for (int d = -C; d <= C; ++d)
        s += cs[x + d];
      const std::int32_t v = centre[x];
      const std::int32_t e = v + (v - s / area) * power;
      out[x] = e > 65280 ? 65535 : e < 0 ? 0 : static_cast<std::uint16_t>(e);
    }
  }
}

NVK_HOT void unsharpAny(const FilterFrames& f, int b, int e, int radius, int power) {
  switch (radius) {
    case 1:
      return unsharpBand<1>(f, b, e, power);
    case 2:
      return unsharpBand<2>(f, b, e, power);
    case 3:
      return unsharpBand<3>(f, b, e, power);
    case 4:
      return unsharpBand<4>(f, b, e, power);
    case 5:
      return unsharpBand<5>(f, b, e, power);
    case 6:
      return unsharpBand<6>(f, b, e, power);
    default:
      return unsharpBand<7>(f, b, e, power);
  }
}

// --- median filter ---
//
// Sixteen neighbouring output samples are computed at once, one per lane. Each column of the
// window is sorted once per row (its sorted values serve 2r + 1 outputs); the sorted columns are
// then merged by Batcher's odd-even merge network, of which only the comparisons that lead to
// the middle rank are kept. The network is built at compile time.

using Lanes = std::uint16_t __attribute__((vector_size(32)));
constexpr int kLanes = 16;
// Thirty-two samples at once, for processors with 512-bit vectors (AVX-512BW).
using WideLanes = std::uint16_t __attribute__((vector_size(64)));

using base::loadLanes;
using base::storeLanes;

#define NVK_VMIN(a, b) ((a) < (b) ? (a) : (b))
#define NVK_VMAX(a, b) ((a) < (b) ? (b) : (a))

enum class Keep : std::uint8_t { Both, Min, Max };
struct Exchange {
  std::uint8_t low;   // receives the smaller value
  std::uint8_t high;  // receives the larger value
  Keep keep;
};

template <std::size_t MaxOps>
struct Network {
  std::array<Exchange, MaxOps> ops{};
  int count = 0;
  int output = 0;  // the variable holding the wanted rank (selection networks)
};

constexpr int ceilPow2(int v) {
  int p = 1;
  while (p < v)
    p *= 2;
  return p;
}

// Runs Batcher's odd-even merge sort on `lines` lines from the merge stage `firstStage` on
// (blocks of `firstStage` lines are already sorted). content[line] is the variable on the line
// or -1 for a +infinity pad; comparisons with a pad become moves and are not emitted.
template <std::size_t MaxOps>
constexpr void batcher(Network<MaxOps>& net, std::array<int, 64>& content, int lines,
                       int firstStage) {
  for (int p = firstStage; p < lines; p *= 2) {
    for (int k = p; k >= 1; k /= 2) {
      for (int j = k % p; j + k < lines; j += 2 * k) {
        for (int i = 0; i < k && i + j + k < lines; ++i) {
          const int a = i + j;
          const int b = i + j + k;
          if (a / (2 * p) != b / (2 * p)) continue;
          if (content[a] < 0) {
            std::swap(content[a], content[b]);  // +infinity moves up
          } else if (content[b] >= 0) {
            net.ops[net.count++] = {static_cast<std::uint8_t>(content[a]),
                                    static_cast<std::uint8_t>(content[b]), Keep::Both};
          }
        }
      }
    }
  }
}

// Sorts the 2r + 1 values of one column (variables 0..n-1) in place, ascending.
template <int R>
constexpr Network<64> columnSortNetwork() {
  constexpr int n = 2 * R + 1;
  Network<64> net;
  std::array<int, 64> content{};
  const int lines = ceilPow2(n);
  for (int i = 0; i < 64; ++i)
    content[i] = i < n ? i : -1;
  batcher(net, content, lines, 1);
  // The sorted order ends on the variables in line order only if every move kept it so; the
  // pads start above the values and only move further up, so line i holds variable i.
  return net;
}

// Selects the middle value of (2r + 1) sorted columns; variable c * n + k is the k-th smallest
// of column c.
template <int R>
constexpr Network<512> medianNetwork() {
  constexpr int n = 2 * R + 1;
  const int block = ceilPow2(n);
  const int lines = block * ceilPow2(n);
  Network<512> full;
  std::array<int, 64> content{};
  for (int line = 0; line < 64; ++line) {
    const int c = line / block;
    const int k = line % block;
    content[line] = (line < lines && c < n && k < n) ? c * n + k : -1;
  }
  batcher(full, content, lines, block);
  // Keep only what reaches the middle rank.
  std::array<bool, 64> needed{};
  const int output = content[(n * n - 1) / 2];
  needed[output] = true;
  Network<512> pruned;
  std::array<Exchange, 512> kept{};
  int keptCount = 0;
  for (int i = full.count - 1; i >= 0; --i) {
    Exchange op = full.ops[i];
    const bool low = needed[op.low];
    const bool high = needed[op.high];
    if (!low && !high) continue;
    op.keep = low && high ? Keep::Both : low ? Keep::Min : Keep::Max;
    needed[op.low] = needed[op.high] = true;
    kept[keptCount++] = op;
  }
  for (int i = 0; i < keptCount; ++i)
    pruned.ops[i] = kept[keptCount - 1 - i];
  pruned.count = keptCount;
  pruned.output = output;
  return pruned;
}

template <std::size_t MaxOps, int Count, const Network<MaxOps>& Net, int Vars, typename V>
[[gnu::always_inline]] inline void runNetwork(V (&v)[Vars]) {
#pragma GCC unroll 512
  for (int i = 0; i < Count; ++i) {
    const Exchange op = Net.ops[i];
    const V a = v[op.low];
    const V b = v[op.high];
    if (op.keep != Keep::Max) v[op.low] = NVK_VMIN(a, b);
    if (op.keep != Keep::Min) v[op.high] = NVK_VMAX(a, b);
  }
}

template <typename V>
[[gnu::always_inline]] inline V median3(V a, V b, V c) {
  return NVK_VMAX(NVK_VMIN(a, b), NVK_VMIN(NVK_VMAX(a, b), c));
}

template <int R>
struct MedianNetworks {
  static constexpr Network<64> column = columnSortNetwork<R>();
  static constexpr Network<512> select = medianNetwork<R>();
};

template <int R, typename Lanes = process::Lanes>
[[gnu::always_inline]] inline void medianBand(const FilterFrames& f, int rowBegin, int rowEnd,
                                              int powerTenths) {
  constexpr int n = 2 * R + 1;
  constexpr int kLanes = static_cast<int>(sizeof(Lanes) / 2);
  using Nets = MedianNetworks<R>;
  const int w = f.width;
  // sorted[k * w + x]: the k-th smallest sample of column x over the rows of the window.
  std::vector<std::uint16_t> sortedStore(static_cast<std::size_t>(n) * w);
  std::uint16_t* sorted = sortedStore.data();
  const Lanes power = Lanes{} + static_cast<std::uint16_t>(powerTenths);
  const Lanes ceiling = Lanes{} + 65000;

  for (int y = rowBegin; y < rowEnd; ++y) {
    for (int x0 = 0; x0 < w; x0 += kLanes) {
      const int x = std::min(x0, w - kLanes);
      Lanes col[n];
      for (int k = 0; k < n; ++k) {
        col[k] = loadLanes<Lanes>(f.source + static_cast<std::size_t>(y + k - R) * w + x);
      }
      runNetwork<64, Nets::column.count, Nets::column, n>(col);
      for (int k = 0; k < n; ++k)
        storeLanes(sorted + k * w + x, col[k]);
    }
    const std::uint16_t* centreRow = f.source + static_cast<std::size_t>(y) * w;
    std::uint16_t* outRow = f.target + static_cast<std::size_t>(y) * w;
    for (int x0 = R; x0 < w - R; x0 += kLanes) {
      const int x = std::min(x0, w - R - kLanes);
      Lanes v[n * n];
      for (int c = 0; c < n; ++c) {
        for (int k = 0; k < n; ++k) {
          v[c * n + k] = loadLanes<Lanes>(sorted + k * w + x + c - R);
        }
      }
      Lanes most = v[n - 1];
      Lanes least = v[0];
      for (int c = 1; c < n; ++c) {
        most = NVK_VMAX(most, v[c * n + n - 1]);
        least = NVK_VMIN(least, v[c * n]);
      }
      least = NVK_VMIN(least, ceiling);
      Lanes median;
      if constexpr (R == 1) {
        // Of three sorted columns, the middle of nine is the middle of three: the largest of
        // the columns' smallest, the middle of their middles and the smallest of their largest.
        median = median3(NVK_VMAX(NVK_VMAX(v[0], v[3]), v[6]), median3(v[1], v[4], v[7]),
                         NVK_VMIN(NVK_VMIN(v[2], v[5]), v[8]));
      } else {
        runNetwork<512, Nets::select.count, Nets::select, n * n>(v);
        median = v[Nets::select.output];
      }
      const Lanes centre = loadLanes<Lanes>(centreRow + x);
      // |median - centre| > trunc((max - min) * q / 10), in 16 bits: with S = max - min,
      // trunc(S q / 10) = (S / 10) q + trunc((S mod 10) q / 10), never above S.
      const Lanes distance = NVK_VMAX(median, centre) - NVK_VMIN(median, centre);
      const Lanes spread = most - least;
      const Lanes tenth = spread / 10;
      const Lanes limit = tenth * power + (spread - tenth * 10) * power / 10;
      const auto replace = distance > limit;
      const Lanes out = replace ? median : centre;
      storeLanes(outRow + x, out);
    }
  }
}

NVK_HOT void medianAny(const FilterFrames& f, int b, int e, int radius, int powerTenths) {
  switch (radius) {
    case 1:
      return medianBand<1>(f, b, e, powerTenths);
    case 2:
      return medianBand<2>(f, b, e, powerTenths);
    default:
      return medianBand<3>(f, b, e, powerTenths);
  }
}

// The radius-1 median on thirty-two samples at once where the processor has AVX-512BW (the
// same samples as sixteen at once: every lane is computed alone).
#if NVK_SIMD_X86
#define NVK_MEDIAN_WIDE 1
__attribute__((target("avx512bw,avx512vl,avx2,bmi2"), optimize("O3"))) void medianWideRadius1(
    const FilterFrames& f, int b, int e, int powerTenths) {
  medianBand<1, WideLanes>(f, b, e, powerTenths);
}
#else
#define NVK_MEDIAN_WIDE 0
#endif

#if NVK_SIMD_X86
NVK_SIMD_BEGIN_AVX2

// The radius-1 median on sixteen samples at once for processors with AVX2 but not AVX-512: the
// same samples as medianBand<1>, worked out in registers. Two rows of windows are filtered
// together: they share the middle two rows of their columns, which are ordered once. The
// columns one to the left and one to the right of a block are sorted again from the rows
// (which measured as fast as shifting the block's sorted columns across the lanes, and needs
// no sorted row kept). The replacement test d > trunc(S q / 10), for whole numbers the same as
// 10 d > q S, is worked out in 32 bits.
namespace avx2 {

inline __m256i load(const std::uint16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store(std::uint16_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Sixteen sorted columns of three samples: lo <= mid <= hi.
struct Column {
  __m256i lo, mid, hi;
};
// Those of two rows of windows.
struct ColumnPair {
  Column top, bottom;
};

[[gnu::always_inline]] inline Column sortedFrom(__m256i outer, __m256i small, __m256i large) {
  return {_mm256_min_epu16(outer, small), _mm256_max_epu16(small, _mm256_min_epu16(outer, large)),
          _mm256_max_epu16(outer, large)};
}

// The columns from x of rows y - 1 .. y + 1 (top) and y .. y + 2 (bottom).
[[gnu::always_inline]] inline ColumnPair sortColumns(const std::uint16_t* row, std::ptrdiff_t w,
                                                     std::ptrdiff_t x) {
  const __m256i upper = load(row + x);
  const __m256i lower = load(row + w + x);
  const __m256i small = _mm256_min_epu16(upper, lower);
  const __m256i large = _mm256_max_epu16(upper, lower);
  return {sortedFrom(load(row - w + x), small, large),
          sortedFrom(load(row + 2 * w + x), small, large)};
}

[[gnu::always_inline]] inline __m256i median3(__m256i a, __m256i b, __m256i c) {
  return _mm256_max_epu16(_mm256_min_epu16(a, b), _mm256_min_epu16(_mm256_max_epu16(a, b), c));
}

// The replacement test's constants for the power q (in tenths).
struct Threshold {
  __m256i factors;  // the 16-bit pair (10, -q) in each 32-bit lane
  __m256i bound;    // 1 - 32768 (10 - q)
};

// The sixteen filtered samples of the windows centred on the columns of `b`, with `a` the
// columns one to the left and `c` one to the right.
[[gnu::always_inline]] inline __m256i filtered(const Column& a, const Column& b, const Column& c,
                                               __m256i centre, const Threshold& t) {
  const __m256i median =
      median3(_mm256_max_epu16(_mm256_max_epu16(a.lo, b.lo), c.lo), median3(a.mid, b.mid, c.mid),
              _mm256_min_epu16(_mm256_min_epu16(a.hi, b.hi), c.hi));
  const __m256i most = _mm256_max_epu16(_mm256_max_epu16(a.hi, b.hi), c.hi);
  const __m256i least = _mm256_min_epu16(_mm256_min_epu16(_mm256_min_epu16(a.lo, b.lo), c.lo),
                                         _mm256_set1_epi16(static_cast<short>(65000)));
  // With d' = d - 32768 and S' = S - 32768, which fit signed 16-bit lanes,
  // 10 d - q S = 10 d' - q S' + 32768 (10 - q); vpmaddwd sums 10 d' - q S' exactly in 32 bits
  // over the interleaved pairs (d', S'), and the centre stays while that is below the bound.
  const __m256i sign = _mm256_set1_epi16(static_cast<short>(0x8000));
  const __m256i distance = _mm256_sub_epi16(
      _mm256_max_epu16(median, centre), _mm256_xor_si256(_mm256_min_epu16(median, centre), sign));
  const __m256i spread = _mm256_sub_epi16(most, _mm256_xor_si256(least, sign));
  const __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi16(distance, spread), t.factors);
  const __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi16(distance, spread), t.factors);
  const __m256i keep =
      _mm256_packs_epi32(_mm256_cmpgt_epi32(t.bound, low), _mm256_cmpgt_epi32(t.bound, high));
  return _mm256_blendv_epi8(median, centre, keep);
}

// The block of windows centred on x .. x + 15 of rows y (and y + 1 with `pair`).
[[gnu::always_inline]] inline void filterBlock(const std::uint16_t* row, std::uint16_t* out,
                                               std::ptrdiff_t w, std::ptrdiff_t x, bool pair,
                                               const Threshold& t) {
  const ColumnPair left = sortColumns(row, w, x - 1);
  const ColumnPair centre = sortColumns(row, w, x);
  const ColumnPair right = sortColumns(row, w, x + 1);
  store(out + x, filtered(left.top, centre.top, right.top, load(row + x), t));
  if (pair)
    store(out + w + x, filtered(left.bottom, centre.bottom, right.bottom, load(row + w + x), t));
}

}  // namespace avx2

// Rows y and y + 1 (`pair`) or row y alone: the lone last row of an odd count still reads row
// y + 2 for the row below it, which is worked out and dropped; where the frame ends there, the
// row is left to the auto-vectorised loop.
void medianRadius1Avx2(const FilterFrames& f, int rowBegin, int rowEnd, int powerTenths) {
  using namespace avx2;
  const std::ptrdiff_t w = f.width;
  const Threshold t{_mm256_set1_epi32(static_cast<int>((-powerTenths * 65536) | 10)),
                    _mm256_set1_epi32(1 - 32768 * (10 - powerTenths))};
  for (int y = rowBegin; y < rowEnd; y += 2) {
    const std::uint16_t* row = f.source + y * w;
    std::uint16_t* out = f.target + y * w;
    const bool pair = y + 1 < rowEnd;
    if (!pair && y + 2 >= f.height) {
      medianAny(f, y, y + 1, 1, powerTenths);
      break;
    }
    filterBlock(row, out, w, 1, pair, t);
    // The next blocks start where the stores of the top row write whole 32-byte pieces of
    // cache line (a store split over two lines costs twice); the last one ends at the row's end.
    const auto misalignment = reinterpret_cast<std::uintptr_t>(out + 1) % 32 / 2;
    for (std::ptrdiff_t x = 17 - static_cast<std::ptrdiff_t>(misalignment); x < w - 1; x += 16) {
      // The two rows the next pair brings in, and its output lines for writing.
      __builtin_prefetch(row + 3 * w + x);
      __builtin_prefetch(row + 4 * w + x);
      __builtin_prefetch(out + 2 * w + x, 1);
      __builtin_prefetch(out + 3 * w + x, 1);
      filterBlock(row, out, w, std::min(x, w - 17), pair, t);
    }
  }
}

NVK_SIMD_END
#endif

// Frames too narrow for sixteen lanes: the window is sorted sample by sample.
void medianNarrow(const FilterFrames& f, int rowBegin, int rowEnd, int radius, int powerTenths) {
  const int n = 2 * radius + 1;
  std::array<std::uint16_t, 49> window{};
  for (int y = rowBegin; y < rowEnd; ++y) {
    for (int x = radius; x < f.width - radius; ++x) {
      int count = 0;
      for (int j = -radius; j <= radius; ++j) {
        for (int i = -radius; i <= radius; ++i) {
          window[count++] = f.source[static_cast<std::size_t>(y + j) * f.width + x + i];
        }
      }
      std::sort(window.begin(), window.begin() + count);
      const int most = window[count - 1];
      const int least = std::min<int>(window[0], 65000);
      const int median = window[(n * n - 1) / 2];
      const std::size_t at = static_cast<std::size_t>(y) * f.width + x;
      const int centre = f.source[at];
      const int distance = median > centre ? median - centre : centre - median;
      f.target[at] = (most - least) * powerTenths < 10 * distance ? median : centre;
    }
  }
}

}  // namespace

const FilterKernel& kernel(KernelId id) {
  return kKernels[static_cast<std::size_t>(id)];
}

void convolveRows(const FilterKernel& k, const FilterFrames& frames, int rowBegin, int rowEnd) {
  if (rowBegin >= rowEnd) return;
  if (&k == &kKernels[static_cast<std::size_t>(k.id)]) {
    switch (k.id) {
      case KernelId::LowPass:
        return convolve0(frames, rowBegin, rowEnd);
      case KernelId::HighPassLowPower:
        return convolve1(frames, rowBegin, rowEnd);
      case KernelId::Gaussian:
        return convolve2(frames, rowBegin, rowEnd);
      case KernelId::HighPassHighPower:
        return convolve3(frames, rowBegin, rowEnd);
      case KernelId::SmootherSharper:
        return convolve4(frames, rowBegin, rowEnd);
      case KernelId::BasRelief:
        return convolve5(frames, rowBegin, rowEnd);
    }
  }
  convolveGeneric(k, frames, rowBegin, rowEnd);
}

void unsharpRows(const FilterFrames& frames, int rowBegin, int rowEnd, int radius, int power) {
  if (rowBegin >= rowEnd) return;
  unsharpAny(frames, rowBegin, rowEnd, std::clamp(radius, 1, 7), power);
}

void medianRows(const FilterFrames& frames, int rowBegin, int rowEnd, int radius, int powerTenths) {
  if (rowBegin >= rowEnd) return;
  radius = std::clamp(radius, 1, 3);
#if NVK_MEDIAN_WIDE
  if (radius == 1 && base::hasAvx512Vl() && frames.width - 2 * radius >= 2 * kLanes)
    return medianWideRadius1(frames, rowBegin, rowEnd, powerTenths);
#endif
#if NVK_SIMD_X86
  if (radius == 1 && base::hasAvx2() && !base::hasAvx512Vl() && frames.width - 2 * radius >= kLanes)
    return medianRadius1Avx2(frames, rowBegin, rowEnd, powerTenths);
#endif
  if (frames.width - 2 * radius < kLanes) {
    medianNarrow(frames, rowBegin, rowEnd, radius, powerTenths);
  } else {
    medianAny(frames, rowBegin, rowEnd, radius, powerTenths);
  }
}

}  // namespace nvk::process
