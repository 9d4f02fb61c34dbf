#include "colour/single_filter.h"

#include <algorithm>
#include <cstddef>

#include "base/messages.h"
#include "base/simd.h"
#include "process/undo.h"

namespace nvk::colour {
namespace {

constexpr std::string_view kRefusal = "Sorry, Can only be applied to raw full frame images";
constexpr std::string_view kHistoryLine = "Image Converted to Single Colour";

std::uint16_t halves(std::uint16_t a, std::uint16_t b) {
  return static_cast<std::uint16_t>(a / 2 + b / 2);
}

#if NVK_SIMD_X86

NVK_SIMD_BEGIN_AVX2

inline __m256i halvesOf(__m256i a, __m256i b) {
  return _mm256_add_epi16(_mm256_srli_epi16(a, 1), _mm256_srli_epi16(b, 1));
}

// A site row in blocks of 16 samples x .. x + 15 with x - firstColumn even: the odd lanes lie
// between two sites and take their halves, the even lanes are sites and keep their values. A
// block reads the samples x - 1 .. x + 16, so the first pair is done before the blocks start.
// Lanes written between sites are never read as sites by a later block. Returns where the
// plain loop goes on.
int fillSiteRowAvx2(std::uint16_t* row, int firstColumn, int width) {
  int x = firstColumn;
  if (x + 2 >= width) return x;
  row[x + 1] = halves(row[x], row[x + 2]);
  for (x += 2; x + 17 <= width; x += 16) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x - 1));
    const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x + 1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x),
                        _mm256_blend_epi16(here, halvesOf(left, right), 0xAA));
  }
  return x;
}

int fillBetweenRowAvx2(const std::uint16_t* above, std::uint16_t* row, const std::uint16_t* below,
                       int firstColumn, int width) {
  int x = firstColumn;
  for (; x + 16 <= width; x += 16) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + x));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + x));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), halvesOf(a, b));
  }
  return x;
}

NVK_SIMD_END

#endif  // NVK_SIMD_X86

}  // namespace

const std::array<MatrixSite, 4>& matrixSites() {
  static const std::array<MatrixSite, 4> sites{{
      {1, 3101, "R", 1, 1},
      {2, 3102, "G", 0, 1},
      {3, 3103, "G", 1, 0},
      {4, 3104, "B", 0, 0},
  }};
  return sites;
}

const MatrixSite& matrixSite(int choice) {
  const auto& sites = matrixSites();
  return choice >= 1 && choice <= 4 ? sites[static_cast<std::size_t>(choice - 1)] : sites[0];
}

void buildSingleFilterRows(std::uint16_t* frame, int width, int rowBegin, int rowEnd,
                           const MatrixSite& site) {
  const bool vector = base::hasAvx2();
  const int first = std::max(rowBegin, site.firstRow);
  int y = first + ((first - site.firstRow) & 1);
  for (; y < rowEnd; y += 2) {
    std::uint16_t* row = frame + static_cast<std::ptrdiff_t>(y) * width;
    int x = site.firstColumn;
#if NVK_SIMD_X86
    if (vector) x = fillSiteRowAvx2(row, site.firstColumn, width);
#endif
    for (; x < width - 1; x += 2) {
      // The last column with no site to its right copies its left neighbour.
      row[x + 1] = x + 2 < width ? halves(row[x], row[x + 2]) : row[x];
    }
  }
  (void)vector;
}

void buildSingleFilterBetweenRows(std::uint16_t* frame, int width, int rowBegin, int rowEnd,
                                  const MatrixSite& site) {
  const bool vector = base::hasAvx2();
  const int first = std::max(rowBegin, site.firstRow + 1);
  int y = first + ((first - site.firstRow - 1) & 1);
  for (; y < rowEnd; y += 2) {
    std::uint16_t* row = frame + static_cast<std::ptrdiff_t>(y) * width;
    const std::uint16_t* above = row - width;
    const std::uint16_t* below = row + width;
    int x = site.firstColumn;
#if NVK_SIMD_X86
    if (vector) x = fillBetweenRowAvx2(above, row, below, site.firstColumn, width);
#endif
    for (; x < width; ++x)
      row[x] = halves(above[x], below[x]);
  }
  (void)vector;
}

void SingleFilterDialog::select(int controlId) {
  for (const MatrixSite& site : matrixSites()) {
    if (site.controlId == controlId) choice_ = site.choice;
  }
}

void SingleFilterDialog::help() const {
  ui_.showMessage(base::kMessageTitle, kHelpText);
}

void buildSingleFilterImage(Program& program, int choice) {
  port::Ui& ui = program.ui();
  if (program.state.colourConverted || program.state.binned) {
    base::ShowMessage(ui, base::Message::CallerText, kRefusal);
    return;
  }
  const MatrixSite& site = matrixSite(choice);
  const int width = program.geometry.width;
  const int height = program.geometry.height;
  std::uint16_t* frame = program.planes.RawImage.data();

  ui.openProgress("BUILDING SINGLE FILTER IMAGE");
  process::takeUndoCopy(program);
  ui.setProgress(20);
  buildSingleFilterRows(frame, width, site.firstRow, height, site);
  ui.setProgress(100);
  // The rows between are filled after all the site rows are complete.
  buildSingleFilterBetweenRows(frame, width, site.firstRow + 1, height - 1, site);
  ui.closeProgress();
  program.history.add(kHistoryLine);
  ui.requestRedraw();
}

void CreateMonoImageFromRaw(Program& program) {
  port::Ui& ui = program.ui();
  if (program.state.colourConverted || program.state.binned) {
    base::ShowMessage(ui, base::Message::CallerText, kRefusal);
    return;
  }
  SingleFilterDialog dialog(program.colour.singleFilterSite, ui);
  if (ui.runDialog(dialog) != port::DialogResult::Ok) return;
  buildSingleFilterImage(program, program.colour.singleFilterSite);
}

}  // namespace nvk::colour
