#include "colour/synthesis.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>

#include "base/messages.h"
#include "colour/anti_alias.h"
#include "colour/colour_dialog.h"
#include "colour/colour_display.h"
#include "colour/row_bands.h"
#include "colour/vector_support.h"
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

#if NVK_COLOUR_X86

NVK_COLOUR_BEGIN_AVX2

// Exact truncating division of whole numbers below 2^24 by a small constant d, in single
// floats: n x (1/d) + 1/(2d), truncated. The rounding errors stay far below the 1/(2d) the bias
// leaves on either side of every whole quotient (the tests check every numerator).
struct FloatDivisor {
  __m256 scale;
  __m256 bias;
};
inline FloatDivisor floatDivisor(double numerator, double denominator) {
  return {_mm256_set1_ps(static_cast<float>(numerator / denominator)),
          _mm256_set1_ps(static_cast<float>(0.5 / denominator))};
}
inline __m256i divide(__m256i n, const FloatDivisor& d) {
  return _mm256_cvttps_epi32(_mm256_fmadd_ps(_mm256_cvtepi32_ps(n), d.scale, d.bias));
}
inline __m256i widen8(const std::uint16_t* p) {
  return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
inline __m256i load8(const std::uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

struct VectorFactors {
  FloatDivisor red, green, blue, third, sixFifths, sixth;
};

struct EightResults {
  __m256i red, green, blue, lum;
};

// The centres x .. x + 7 of one row. `near` holds p(y - 1, k) + p(y + 1, k) and `far`
// p(y - 2, k) + p(y + 2, k) for every column k of the row.
[[gnu::always_inline]] inline EightResults synthesizeEight(const CentreRow& row,
                                                           const std::uint32_t* near,
                                                           const std::uint32_t* far, int x,
                                                           const VectorFactors& f,
                                                           __m256i greenLanes) {
  const __m256i pm2 = widen8(row.raw + x - 2);
  const __m256i pm1 = widen8(row.raw + x - 1);
  const __m256i p = widen8(row.raw + x);
  const __m256i pp1 = widen8(row.raw + x + 1);
  const __m256i pp2 = widen8(row.raw + x + 2);
  const __m256i nearM1 = load8(near + x - 1);
  const __m256i near0 = load8(near + x);
  const __m256i nearP1 = load8(near + x + 1);

  const __m256i d2 = _mm256_add_epi32(load8(far + x), _mm256_add_epi32(pm2, pp2));
  const __m256i sideSum = _mm256_add_epi32(pm1, pp1);
  const __m256i o4 = _mm256_add_epi32(near0, sideSum);
  const __m256i x4 = _mm256_add_epi32(nearM1, nearP1);
  const __m256i h6 =
      _mm256_add_epi32(_mm256_add_epi32(load8(far + x - 1), load8(far + x + 1)), sideSum);
  const __m256i v6 =
      _mm256_add_epi32(_mm256_add_epi32(load8(near + x - 2), load8(near + x + 2)), near0);
  const __m256i halfP = _mm256_srli_epi32(p, 1);

  const __m256i own = _mm256_add_epi32(_mm256_srli_epi32(d2, 3), halfP);
  const __m256i diagonal = _mm256_srli_epi32(x4, 2);
  const __m256i horizontal = divide(h6, f.sixth);
  const __m256i vertical = divide(v6, f.sixth);
  const __m256i greenOfGreen = _mm256_add_epi32(_mm256_srli_epi32(x4, 3), halfP);
  const __m256i greenOfOther = _mm256_srli_epi32(o4, 2);
  // The luminance's numerators are chosen per lane first, so that one division serves both.
  const __m256i lumOther = _mm256_add_epi32(_mm256_srli_epi32(_mm256_add_epi32(o4, x4), 2), p);
  const __m256i lumGreen = _mm256_add_epi32(_mm256_srli_epi32(o4, 1), p);

  __m256i red, blue;
  if (row.rowPhase == 0) {
    red = _mm256_blendv_epi8(own, horizontal, greenLanes);
    blue = _mm256_blendv_epi8(diagonal, vertical, greenLanes);
  } else {
    red = _mm256_blendv_epi8(diagonal, vertical, greenLanes);
    blue = _mm256_blendv_epi8(own, horizontal, greenLanes);
  }
  const __m256i green = _mm256_blendv_epi8(greenOfOther, greenOfGreen, greenLanes);
  const __m256i lum = divide(_mm256_blendv_epi8(lumOther, lumGreen, greenLanes), f.third);
  // l + l / 5 is l x 6 / 5 truncated. Values above 65535 (only the luminance can get there)
  // saturate when packed to 16 bits.
  return {divide(red, f.red), divide(green, f.green), divide(blue, f.blue),
          divide(lum, f.sixFifths)};
}

inline void store16(std::uint16_t* out, __m256i low, __m256i high) {
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xD8);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
}
inline void store8(std::uint16_t* out, __m256i v) {
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(v, v), 0xD8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
}

[[gnu::always_inline]] inline void synthesizeRowVector(const CentreRow& row,
                                                       const ColourFactors& factors) {
  const VectorFactors f{floatDivisor(factors.red.numerator, factors.red.denominator),
                        floatDivisor(factors.green.numerator, factors.green.denominator),
                        floatDivisor(factors.blue.numerator, factors.blue.denominator),
                        floatDivisor(1, 3),
                        floatDivisor(6, 5),
                        floatDivisor(1, 6)};
  const std::ptrdiff_t w = row.width;
  const std::uint16_t* above1 = row.raw - w;
  const std::uint16_t* below1 = row.raw + w;
  const std::uint16_t* above2 = row.raw - 2 * w;
  const std::uint16_t* below2 = row.raw + 2 * w;

  // The vertical pair sums of columns 2 .. xEnd + 1, the columns the centres read.
  alignas(32) std::uint32_t near[image::kFullWidth + 16];
  alignas(32) std::uint32_t far[image::kFullWidth + 16];
  const int columnEnd = row.xEnd + 2;
  int k = 2;
  for (; k + 8 <= columnEnd; k += 8) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(near + k),
                        _mm256_add_epi32(widen8(above1 + k), widen8(below1 + k)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(far + k),
                        _mm256_add_epi32(widen8(above2 + k), widen8(below2 + k)));
  }
  for (; k < columnEnd; ++k) {
    near[k] = std::uint32_t{above1[k]} + below1[k];
    far[k] = std::uint32_t{above2[k]} + below2[k];
  }

  // Lane j holds column x + j with x - 4 even: its column phase is that of column 4, flipped
  // on odd lanes. It is a green site when the column phase equals the row phase.
  const int greenParity = (row.columnPhase ^ row.rowPhase) & 1;
  alignas(32) std::int32_t laneMask[8];
  for (int j = 0; j < 8; ++j)
    laneMask[j] = (j & 1) == greenParity ? -1 : 0;
  const __m256i greenLanes = _mm256_load_si256(reinterpret_cast<const __m256i*>(laneMask));

  int x = 4;
  for (; x + 16 <= row.xEnd; x += 16) {
    const EightResults a = synthesizeEight(row, near, far, x, f, greenLanes);
    const EightResults b = synthesizeEight(row, near, far, x + 8, f, greenLanes);
    store16(row.red + x, a.red, b.red);
    store16(row.green + x, a.green, b.green);
    store16(row.blue + x, a.blue, b.blue);
    store16(row.luminance + x, a.lum, b.lum);
  }
  if (x + 8 <= row.xEnd) {
    const EightResults a = synthesizeEight(row, near, far, x, f, greenLanes);
    store8(row.red + x, a.red);
    store8(row.green + x, a.green);
    store8(row.blue + x, a.blue);
    store8(row.luminance + x, a.lum);
    x += 8;
  }
  synthesizeRowScalar(row, factors, x);
}

void synthesizeRowAvx2(const CentreRow& row, const ColourFactors& factors) {
  synthesizeRowVector(row, factors);
}

NVK_COLOUR_END_AVX2

// The same steps where the processor has AVX-512VL: with 32 vector registers the sixteen centres
// of a step keep their sums in registers.
NVK_COLOUR_BEGIN_AVX512VL

void synthesizeRowAvx512(const CentreRow& row, const ColourFactors& factors) {
  synthesizeRowVector(row, factors);
}

NVK_COLOUR_END_AVX2

#endif  // NVK_COLOUR_X86

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
  const bool vector = allowVector && hasAvx2();
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
#if NVK_COLOUR_X86
    if (vector) {
      if (hasAvx512Vl()) {
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
  forEachRowBand(
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
