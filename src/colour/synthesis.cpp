// GCC notes that vector arguments change the calling convention; every such function here is
// inlined.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "colour/synthesis.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>

#include "base/messages.h"
#include "base/parallel_rows.h"
#include "base/simd.h"
#include "colour/anti_alias.h"
#include "colour/colour_dialog.h"
#include "colour/colour_display.h"
#include "process/stretch.h"
#include "process/undo.h"

namespace nvk::colour {
namespace {

constexpr int kLabelledFirstRow = 12;
constexpr int kFirstRow = 2;
constexpr int kBandRows = 16;

// One row of window centres: the centre row y and the centres x = 4 .. xEnd - 1.
struct CentreRow {
  const std::uint16_t* raw;  // sample (y, 0)
  std::uint16_t* red;
  std::uint16_t* green;
  std::uint16_t* blue;
  std::uint16_t* luminance;
  int width;
  int xEnd;
  int rowPhase;
  int columnPhase;  // of the centre at column 4
};

std::uint16_t applyFactor(std::uint32_t value, ColourFactor factor) {
  const std::uint32_t scaled = value * static_cast<std::uint32_t>(factor.numerator) /
                               static_cast<std::uint32_t>(factor.denominator);
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(scaled, 65535));
}

// The luminance times 1.2, truncated: for whole numbers up to 65535 the floating product and
// l + l / 5 never differ (the tests go through every value).
std::uint16_t scaleLuminance(std::uint32_t l) {
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(l + l / 5, 65535));
}

void synthesizeCentre(const CentreRow& row, const ColourFactors& factors, int x) {
  const std::uint16_t* centre = row.raw + x;
  const std::ptrdiff_t w = row.width;
  const auto p = [centre, w](int r, int c) -> std::uint32_t {
    return centre[(r - 2) * w + (c - 2)];
  };
  const std::uint32_t centreValue = p(2, 2);
  const std::uint32_t d2 = p(0, 2) + p(2, 0) + p(2, 4) + p(4, 2);
  const std::uint32_t o4 = p(1, 2) + p(2, 1) + p(2, 3) + p(3, 2);
  const std::uint32_t x4 = p(1, 1) + p(1, 3) + p(3, 1) + p(3, 3);
  const std::uint32_t h6 = p(0, 1) + p(0, 3) + p(2, 1) + p(2, 3) + p(4, 1) + p(4, 3);
  const std::uint32_t v6 = p(1, 0) + p(1, 2) + p(1, 4) + p(3, 0) + p(3, 2) + p(3, 4);
  const int columnPhase = row.columnPhase ^ ((x - 4) & 1);

  const image::MatrixSite site = image::matrixSite({row.rowPhase, columnPhase});
  std::uint32_t red, green, blue, lum;
  if (site != image::MatrixSite::Green) {
    const std::uint32_t own = d2 / 8 + centreValue / 2;
    const std::uint32_t diagonal = x4 / 4;
    red = site == image::MatrixSite::Red ? own : diagonal;
    blue = site == image::MatrixSite::Red ? diagonal : own;
    green = o4 / 4;
    lum = ((o4 + x4) / 4 + centreValue) / 3;
  } else {  // a green site: on a red row (row phase 0) or a blue row
    red = row.rowPhase == 0 ? h6 / 6 : v6 / 6;
    blue = row.rowPhase == 0 ? v6 / 6 : h6 / 6;
    green = x4 / 8 + centreValue / 2;
    lum = (o4 / 2 + centreValue) / 3;
  }
  row.red[x] = applyFactor(red, factors.red);
  row.green[x] = applyFactor(green, factors.green);
  row.blue[x] = applyFactor(blue, factors.blue);
  row.luminance[x] = scaleLuminance(lum);
}

void synthesizeRowScalar(const CentreRow& row, const ColourFactors& factors, int xBegin) {
  for (int x = xBegin; x < row.xEnd; ++x)
    synthesizeCentre(row, factors, x);
}

// --- the vector rows ---
//
// The vector rows work on pairs of columns: lane j of a vector holds columns 2j and 2j + 1, read
// as one 32-bit word of two samples and split into an even and an odd lane. In a row every
// green site has the same column parity, so one half of the lanes computes only the green
// sites' formulas and the other half only the red or blue sites', and no lane computes a result
// it then throws away. The results are woven back into pairs of samples for the stores. The
// code is written once for GCC's vector types and compiled for eight lanes (AVX2) and for
// sixteen (AVX-512) where the processor has them.

#if NVK_SIMD_X86

struct Lanes8 {
  using U = std::uint32_t __attribute__((vector_size(32)));
  using I = std::int32_t __attribute__((vector_size(32)));
  using F = float __attribute__((vector_size(32)));
  static constexpr int kCount = 8;
};
struct Lanes16 {
  using U = std::uint32_t __attribute__((vector_size(64)));
  using I = std::int32_t __attribute__((vector_size(64)));
  using F = float __attribute__((vector_size(64)));
  static constexpr int kCount = 16;
};

// Exact truncating division of whole numbers by a small constant: n x (a/d) + 1/(2d) in single
// floats, truncated. The rounding errors stay far below the 1/(2d) the bias leaves on either
// side of every whole quotient, fused multiply-add or not, for 1/3 and 1/6 up to 2^20 and for
// every a/d with a <= d <= 64 up to 65535 (checked numerator by numerator; the tests compare
// the rows with the plain loop on every sample value).
template <typename L>
struct Divisor {
  typename L::F scale;
  typename L::F bias;
};
template <typename L>
[[gnu::always_inline]] inline Divisor<L> divisor(int numerator, int denominator) {
  return {typename L::F{} + static_cast<float>(static_cast<double>(numerator) / denominator),
          typename L::F{} + static_cast<float>(0.5 / denominator)};
}

template <typename L>
[[gnu::always_inline]] inline typename L::U divide(typename L::U n, const Divisor<L>& d) {
  using I = typename L::I;
  const typename L::F f = __builtin_convertvector(reinterpret_cast<I>(n), typename L::F);
  return reinterpret_cast<typename L::U>(__builtin_convertvector(f * d.scale + d.bias, I));
}

// The same, the quotient limited to 65535 (in floats, before truncating: the same result).
template <typename L>
[[gnu::always_inline]] inline typename L::U divideAtMost65535(typename L::U n,
                                                              const Divisor<L>& d) {
  using I = typename L::I;
  using F = typename L::F;
  const F f = __builtin_convertvector(reinterpret_cast<I>(n), F);
  const F q = f * d.scale + d.bias;
  const F kMax = F{} + 65535.0f;
  return reinterpret_cast<typename L::U>(__builtin_convertvector(q < kMax ? q : kMax, I));
}

template <typename L>
[[gnu::always_inline]] inline typename L::U load(const void* p) {
  typename L::U v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename V>
[[gnu::always_inline]] inline void store(void* p, V v) {
  std::memcpy(p, &v, sizeof v);
}

// How far ahead of the stores (in samples) the lines of the output planes are fetched.
constexpr int kWriteAhead = 512;

// The sums the centres of one row read, split by column parity: pair j of [0] belongs to
// column 2j, of [1] to column 2j + 1. Pair j is held at element kPairOffset + j, so that the
// vector stores of splitPairs(), which start at pair 1, write whole cache lines.
constexpr int kPairOffset = 15;
constexpr int kPairs = image::kFullWidth / 2 + 48;
struct SplitRow {
  alignas(64) std::uint32_t raw[2][kPairs];   // p(y, k)
  alignas(64) std::uint32_t near[2][kPairs];  // p(y - 1, k) + p(y + 1, k)
  alignas(64) std::uint32_t far[2][kPairs];   // p(y - 2, k) + p(y + 2, k)
};

// Fills `s` for the columns 2 pair .. columnEnd - 1 one by one; returns the pair past them.
inline int fillSplitTail(const CentreRow& row, int columnEnd, SplitRow& s, int pair) {
  const std::ptrdiff_t w = row.width;
  for (int k = 2 * pair; k < columnEnd; ++k) {
    const int parity = k & 1;
    const int j = k >> 1;
    s.raw[parity][kPairOffset + j] = row.raw[k];
    s.near[parity][kPairOffset + j] = std::uint32_t{row.raw[k - w]} + row.raw[k + w];
    s.far[parity][kPairOffset + j] = std::uint32_t{row.raw[k - 2 * w]} + row.raw[k + 2 * w];
  }
  return kPairs;
}

// Fills `s` from `pair` on, a vector of pairs at a time, until pair `until` is filled; at the
// end of the row the last columns up to columnEnd - 1 are filled one by one. Returns the first
// pair not filled (past `until`, or past the row).
template <typename L>
[[gnu::always_inline]] inline int splitPairs(const CentreRow& row, int columnEnd, SplitRow& s,
                                             int pair, int until) {
  using U = typename L::U;
  const std::ptrdiff_t w = row.width;
  constexpr std::uint32_t kLow = 0xFFFF;
  for (; pair <= until; pair += L::kCount) {
    if (2 * (pair + L::kCount) > columnEnd) break;
    const std::uint16_t* at = row.raw + 2 * pair;
    const U centre = load<L>(at);
    const U above1 = load<L>(at - w);
    const U below1 = load<L>(at + w);
    const U above2 = load<L>(at - 2 * w);
    const U below2 = load<L>(at + 2 * w);
    // The row that comes in fresh two rows from now, asked for early.
    __builtin_prefetch(at + 4 * w);
    store(s.raw[0] + kPairOffset + pair, centre & kLow);
    store(s.raw[1] + kPairOffset + pair, centre >> 16);
    store(s.near[0] + kPairOffset + pair, (above1 & kLow) + (below1 & kLow));
    store(s.near[1] + kPairOffset + pair, (above1 >> 16) + (below1 >> 16));
    store(s.far[0] + kPairOffset + pair, (above2 & kLow) + (below2 & kLow));
    store(s.far[1] + kPairOffset + pair, (above2 >> 16) + (below2 >> 16));
  }
  if (pair <= until) return fillSplitTail(row, columnEnd, s, pair);
  return pair;
}

// The first pair after pair 2 whose samples start a vector-aligned stretch of all four output
// rows, or pair 2 + the lane count when the rows lie differently.
template <typename L>
int alignedPair(const CentreRow& row) {
  constexpr std::uintptr_t kBytes = sizeof(typename L::U);
  const auto misalignment = [](const std::uint16_t* p) {
    return reinterpret_cast<std::uintptr_t>(p) % kBytes;
  };
  const std::uintptr_t m = misalignment(row.red);
  if (m % 4 != 0 || misalignment(row.green) != m || misalignment(row.blue) != m ||
      misalignment(row.luminance) != m)
    return 2 + L::kCount;
  // Pair j starts 4 j bytes into the row.
  for (int j = 3;; ++j)
    if ((m + 4 * static_cast<std::uintptr_t>(j)) % kBytes == 0) return j;
}

// The divisors of one row. "First" is the colour of the row's red or blue sites (red on a row
// of phase 0, blue on the other rows), "second" the other one of the two.
template <typename L>
struct RowDivisors {
  Divisor<L> first, second, green, third, sixFifths, sixth;
};

// The row whose green sites have column parity G (the other sites 1 - G).
template <typename L, int G>
[[gnu::always_inline]] inline void synthesizeRowPairs(const CentreRow& row,
                                                      const ColourFactors& factors) {
  using U = typename L::U;
  const bool redRow = row.rowPhase == 0;
  const ColourFactor first = redRow ? factors.red : factors.blue;
  const ColourFactor second = redRow ? factors.blue : factors.red;
  const RowDivisors<L> d{divisor<L>(first.numerator, first.denominator),
                         divisor<L>(second.numerator, second.denominator),
                         divisor<L>(factors.green.numerator, factors.green.denominator),
                         divisor<L>(1, 3),
                         divisor<L>(6, 5),
                         divisor<L>(1, 6)};
  std::uint16_t* const firstOut = redRow ? row.red : row.blue;
  std::uint16_t* const secondOut = redRow ? row.blue : row.red;

  SplitRow s;
  const int columnEnd = row.xEnd + 2;
  const std::uint32_t* const raw[2] = {s.raw[0] + kPairOffset, s.raw[1] + kPairOffset};
  const std::uint32_t* const near[2] = {s.near[0] + kPairOffset, s.near[1] + kPairOffset};
  const std::uint32_t* const far[2] = {s.far[0] + kPairOffset, s.far[1] + kPairOffset};

  // The green sites have column parity g, the others t; a neighbour one column to the left of a
  // centre of parity p lies in pair j - 1 + p, one to the right in pair j + p.
  constexpr int g = G;
  constexpr int t = 1 - g;
  constexpr int greenShift = 16 * g;
  constexpr int otherShift = 16 * t;

  // The blocks after the first start where the stores write whole vectors' worth of cache
  // line, when the rows of the four planes lie alike (as in one pool of planes); a block that
  // overlaps the first computes the same samples again.
  const int jAligned = alignedPair<L>(row);
  // The last block ends at the last whole pair of the row (it may compute some centres twice);
  // only a last even centre whose odd neighbour lies past the end is left to the plain loop.
  const int jLast = row.xEnd / 2 - L::kCount;
  // The sums are made two vectors of pairs ahead of the block that reads them, so that making
  // them overlaps the arithmetic and their stores are done before they are read.
  int split = 1;
  for (int j = 2; j <= jLast; j = std::min(j == 2 ? jAligned : j + L::kCount, jLast)) {
    if (split <= j + 2 * L::kCount)
      split = splitPairs<L>(row, columnEnd, s, split, j + 2 * L::kCount);
    // The lines the four planes are written to next, asked for ahead (for writing): waiting
    // for each line only when it is first written costs more than all the arithmetic here.
    for (std::uint16_t* plane : {firstOut, secondOut, row.green, row.luminance})
      __builtin_prefetch(plane + 2 * j + kWriteAhead, 1);
    // The green sites.
    const U cG = load<L>(raw[g] + j);
    const U sideG = load<L>(raw[t] + j - 1 + g) + load<L>(raw[t] + j + g);
    const U nearG = load<L>(near[g] + j);
    const U o4G = nearG + sideG;
    const U x4G = load<L>(near[t] + j - 1 + g) + load<L>(near[t] + j + g);
    const U h6G = load<L>(far[t] + j - 1 + g) + load<L>(far[t] + j + g) + sideG;
    const U v6G = load<L>(near[g] + j - 1) + nearG + load<L>(near[g] + j + 1);
    const U greenG = (x4G >> 3) + (cG >> 1);
    const U lumG = divideAtMost65535<L>(divide<L>((o4G >> 1) + cG, d.third), d.sixFifths);
    // The red and blue sites.
    const U cT = load<L>(raw[t] + j);
    const U d2T = load<L>(far[t] + j) + load<L>(raw[t] + j - 1) + load<L>(raw[t] + j + 1);
    const U sideT = load<L>(raw[g] + j - 1 + t) + load<L>(raw[g] + j + t);
    const U o4T = load<L>(near[t] + j) + sideT;
    const U x4T = load<L>(near[g] + j - 1 + t) + load<L>(near[g] + j + t);
    const U ownT = (d2T >> 3) + (cT >> 1);
    const U lumT = divideAtMost65535<L>(divide<L>(((o4T + x4T) >> 2) + cT, d.third), d.sixFifths);

    const U firstG = divide<L>(divide<L>(h6G, d.sixth), d.first);
    const U secondG = divide<L>(divide<L>(v6G, d.sixth), d.second);
    store(firstOut + 2 * j, (firstG << greenShift) | (divide<L>(ownT, d.first) << otherShift));
    store(secondOut + 2 * j,
          (secondG << greenShift) | (divide<L>(x4T >> 2, d.second) << otherShift));
    store(row.green + 2 * j, (divide<L>(greenG, d.green) << greenShift) |
                                 (divide<L>(o4T >> 2, d.green) << otherShift));
    store(row.luminance + 2 * j, (lumG << greenShift) | (lumT << otherShift));
    if (j == jLast) break;
  }
  synthesizeRowScalar(row, factors, jLast >= 2 ? 2 * (jLast + L::kCount) : 4);
}

// The row through the version for the column parity of its green sites.
template <typename L>
[[gnu::always_inline]] inline void synthesizeRowVector(const CentreRow& row,
                                                       const ColourFactors& factors) {
  if (((row.columnPhase ^ row.rowPhase) & 1) == 0) {
    synthesizeRowPairs<L, 0>(row, factors);
  } else {
    synthesizeRowPairs<L, 1>(row, factors);
  }
}

NVK_SIMD_BEGIN_AVX2
void synthesizeRowAvx2(const CentreRow& row, const ColourFactors& factors) {
  synthesizeRowVector<Lanes8>(row, factors);
}
NVK_SIMD_END

NVK_SIMD_BEGIN_AVX512VL
void synthesizeRowAvx512(const CentreRow& row, const ColourFactors& factors) {
  synthesizeRowVector<Lanes16>(row, factors);
}
NVK_SIMD_END

#endif  // NVK_SIMD_X86

// The vector rows divide in single floats, exact for factors a/d with a <= d <= 64.
bool vectorFactors(const ColourFactors& factors) {
  for (const ColourFactor& f : {factors.red, factors.green, factors.blue})
    if (f.numerator < 0 || f.numerator > f.denominator || f.denominator > 64) return false;
  return true;
}

}  // namespace

ColourFactors colourFactors(bool irFilterUsed, bool daylightImage) {
  ColourFactors f{{20, 40}, {20, 44}, {20, 33}};
  if (daylightImage) f.red.denominator = irFilterUsed ? 42 : 44;
  return f;
}

int firstWindowRow(const std::uint16_t* raw) {
  return raw[4] + raw[5] == 34 ? kLabelledFirstRow : kFirstRow;
}

void synthesizeWindowRows(const SynthesisFrames& frames, const ColourFactors& factors,
                          MatrixPhase phase, int firstRow, int rowBegin, int rowEnd,
                          bool allowVector) {
  assert(frames.width <= image::kFullWidth);
  const std::ptrdiff_t w = frames.width;
  const std::ptrdiff_t frameSamples = w * frames.height;
  const bool vector = allowVector && base::hasAvx2() && vectorFactors(factors);
  for (int a = rowBegin; a < rowEnd; ++a) {
    const int y = a + 2;
    const std::ptrdiff_t rowStart = y * w;
    // The last sample the centre (y, x) reads is (y + 2, x + 2), counted row-major.
    const std::ptrdiff_t lastX = frameSamples - 1 - (rowStart + 2 * w) - 2;
    // The row phase flips after every row; the column phase flips after every one of the
    // width - 4 windows of a row and carries on into the next row.
    const long long rowsBefore = a - firstRow;
    const CentreRow row{frames.raw + rowStart,
                        frames.red + rowStart,
                        frames.green + rowStart,
                        frames.blue + rowStart,
                        frames.luminance + rowStart,
                        frames.width,
                        static_cast<int>(std::min<std::ptrdiff_t>(w, lastX + 1)),
                        phase.row ^ static_cast<int>(rowsBefore & 1),
                        phase.column ^ static_cast<int>((rowsBefore * (w - 4)) & 1)};
#if NVK_SIMD_X86
    if (vector) {
      if (base::hasAvx512Vl()) {
        synthesizeRowAvx512(row, factors);
      } else {
        synthesizeRowAvx2(row, factors);
      }
      continue;
    }
#endif
    synthesizeRowScalar(row, factors, 4);
  }
  (void)vector;
}

void synthesizeColour(Program& program) {
  port::Ui& ui = program.ui();
  auto& planes = program.planes;
  const settings::Settings& settings = program.settings;

  process::takeUndoCopy(program);
  ui.setBusyCursor(true);
  const ColourFactors factors = colourFactors(settings.irFilterUsed, program.colour.daylightImage);
  ui.openProgress("COLOUR CALCULATION IN PROGRESS");
  const SynthesisFrames frames{planes.RawImage.data(),
                               planes.ColourImage.red().data(),
                               planes.ColourImage.green().data(),
                               planes.ColourImage.blue().data(),
                               planes.RawImage2.data(),
                               program.geometry.width,
                               program.geometry.height};
  const MatrixPhase phase = startPhase(settings.pixelOffset, settings.lineOffset);
  const int first = firstWindowRow(frames.raw);
  base::forEachRowBand(
      first, windowRowEnd(frames.height), kBandRows,
      [&](int rowBegin, int rowEnd) {
        synthesizeWindowRows(frames, factors, phase, first, rowBegin, rowEnd);
      },
      [&ui](int row) {
        ui.setProgress(row / 8);
        ui.pump();
      });
  ui.setBusyCursor(false);
  ui.closeProgress();

  program.state.colourConverted = true;
  program.colour.balanceStart.fill(0);
  std::copy_n(planes.RawImage2.begin(), program.geometry.pixelCount, planes.RawImage.begin());

  process::autoProcessQuiet(program);
  if (settings.antiAliasAfterSynthesis) AntiAlias(program, false);
  // A new colour image is shown through the automatic stretch until a balance is set.
  startAutoColourStretch(program);
  ui.requestRedraw();
}

void SynthesizeColourImage(Program& program) {
  port::Ui& ui = program.ui();
  if (program.state.colourConverted) {
    base::ShowMessage(ui, base::Message::AlreadyColourConverted);
    return;
  }
  if (program.loadSettingsFile() != settings::SettingsStatus::Ok)
    base::ShowMessage(ui, base::Message::UnableToLoadIni);
  TColourDialog dialog(program.settings, program.colour, ui);
  if (ui.runDialog(dialog) != port::DialogResult::Ok) return;
  if (program.saveSettingsFile() != settings::SettingsStatus::Ok)
    base::ShowWriteFailure(ui, base::Message::UnableToSaveIni);
  synthesizeColour(program);
}

}  // namespace nvk::colour
