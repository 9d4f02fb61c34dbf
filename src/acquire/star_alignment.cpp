#include "acquire/star_alignment.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "scope/centroid.h"

namespace nvk::acquire {
namespace {

constexpr int kSearchPasses = 3;
constexpr int kRegionFirstColumn = 200;
constexpr int kRegionFirstRow = 100;
constexpr int kBrightnessPerBin = 400;  // the region must reach background bin x 400
constexpr int kCompared = 80;           // profile entries compared at each shift
constexpr std::int64_t kFlatColumnSums = 5000;

std::uint16_t saturatingSum(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t sum = a + b;
  return sum > 65534u ? std::uint16_t{65535} : static_cast<std::uint16_t>(sum);
}

void copyFrame(const FrameView& from, const FrameView& to) {
  const auto n = static_cast<std::size_t>(from.width) * static_cast<std::size_t>(from.height);
  std::copy_n(from.samples.begin(), n, to.samples.begin());
}

// `to` = `from` with each sample divided by `divisor`.
void copyDivided(const FrameView& from, const FrameView& to, int divisor) {
  const auto n = static_cast<std::size_t>(from.width) * static_cast<std::size_t>(from.height);
  const auto d = static_cast<unsigned>(divisor);
  for (std::size_t i = 0; i < n; ++i)
    to.samples[i] = static_cast<std::uint16_t>(from.samples[i] / d);
}

// Sum of absolute differences of `reference` and `moved` displaced by `shift`, over the 80
// entries that every shift of up to 10 keeps inside the region.
std::int64_t profileDifference(const StarAlignedSum::Profile& reference,
                               const StarAlignedSum::Profile& moved, int shift) {
  std::int64_t sum = 0;
  for (int i = StarAlignedSum::kMaxShift; i < StarAlignedSum::kMaxShift + kCompared; ++i) {
    sum += std::llabs(reference[static_cast<std::size_t>(i)] -
                      moved[static_cast<std::size_t>(i + shift)]);
  }
  return sum;
}

}  // namespace

int backgroundBin(const FrameView& frame) {
  std::array<std::uint32_t, 256> histogram{};
  const auto n = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
  for (std::size_t i = 0; i < n; ++i)
    ++histogram[frame.samples[i] >> 8];
  return static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

std::array<int, 2> brightestStar(const FrameView& frame, int margin) {
  margin = std::max(margin, 1);
  std::array<int, 2> best{frame.height / 2, frame.width / 2};
  int bestScore = -1;
  for (int r = margin; r < frame.height - margin; ++r) {
    for (int c = margin; c < frame.width - margin; ++c) {
      // A star is wider than one sample; a hot pixel is not. (Rows are compared only within
      // themselves: the binned readouts may leave every other row dark.)
      const int v = frame.at(r, c);
      const int score = std::min<int>(v, std::max(frame.at(r, c - 1), frame.at(r, c + 1)));
      if (score > bestScore || (score == bestScore && v > frame.at(best[0], best[1]))) {
        bestScore = score;
        best = {r, c};
      }
    }
  }
  return best;
}

std::array<int, 2> summationStart(const FrameView& frame, std::optional<std::array<int, 2>> picked,
                                  int margin) {
  if (picked) {
    const auto [row, column] = *picked;
    if (row >= margin && row < frame.height - margin && column >= margin &&
        column < frame.width - margin) {
      return *picked;
    }
  }
  return brightestStar(frame, margin);
}

AlignStatus StarAlignedSum::addOnStar(FrameView frame, int startRow, int startColumn, int radius,
                                      int divisor) {
  const FrameView sum = accumulator(frame);
  const std::span<const std::uint16_t> image(frame.samples.data(), frame.samples.size());
  const bool first = !started_;
  int row = first ? startRow : referenceRow_;
  int column = first ? startColumn : referenceColumn_;
  for (int pass = 0; pass < kSearchPasses; ++pass) {
    const auto found =
        scope::findCentroidQuiet(image, frame.width, frame.height, column, row, radius, false);
    if (found.status != scope::CentroidStatus::Found) {
      if (!first) copyFrame(sum, frame);
      return AlignStatus::StarLost;
    }
    row = found.position.y;
    column = found.position.x;
  }
  const int value = frame.at(row, column);

  if (first) {
    copyDivided(frame, sum, divisor);
    referenceRow_ = row;
    referenceColumn_ = column;
    peak_ = value;
    started_ = true;
    return AlignStatus::Added;
  }
  if (value > 3.0 * peak_ || value < 0.3 * peak_) {
    copyFrame(sum, frame);
    return AlignStatus::StarLost;
  }
  const int dy = referenceRow_ - row;
  const int dx = referenceColumn_ - column;
  const auto d = static_cast<unsigned>(divisor);
  for (int r = 0; r < frame.height; ++r) {
    const int sr = r + dy;
    const bool rowInside = sr > 0 && sr < frame.height;
    for (int c = 0; c < frame.width; ++c) {
      std::uint16_t& f = frame.at(r, c);
      const int sc = c + dx;
      const std::uint32_t own = f / d;
      f = rowInside && sc > 0 && sc < frame.width ? saturatingSum(own, sum.at(sr, sc))
                                                  : static_cast<std::uint16_t>(own);
    }
  }
  referenceRow_ = row;
  referenceColumn_ = column;
  copyFrame(frame, sum);
  return AlignStatus::Added;
}

void StarAlignedSum::buildProfiles(const FrameView& frame, int bin, Profile& rows,
                                   Profile& columns) const {
  const std::int64_t level = static_cast<std::int64_t>(bin) * 256 + 1024;
  rows.fill(0);
  columns.fill(0);
  for (int i = 0; i < kRegionSize; ++i) {
    for (int j = 0; j < kRegionSize; ++j) {
      const std::int64_t v = (frame.at(regionRow_ + i, kRegionFirstColumn + j) - level) * 16;
      if (v > 15) {
        rows[static_cast<std::size_t>(i)] += v;
        columns[static_cast<std::size_t>(j)] += v;
      }
    }
  }
}

AlignStatus StarAlignedSum::addOnProfiles(FrameView frame, int divisor) {
  const FrameView sum = accumulator(frame);
  const int bin = backgroundBin(frame);
  if (!started_) {
    copyDivided(frame, sum, divisor);
    const std::uint32_t threshold = static_cast<std::uint32_t>(bin) * kBrightnessPerBin;
    std::uint32_t runningMax = 0;
    int chosen = -1;
    for (int m : {0, 10, 20}) {
      for (int r = m + kRegionFirstRow; r < m + kRegionFirstRow + kRegionSize; ++r) {
        for (int c = kRegionFirstColumn; c < kRegionFirstColumn + kRegionSize; ++c)
          runningMax = std::max<std::uint32_t>(runningMax, frame.at(r, c));
      }
      if (runningMax >= threshold) {
        chosen = m;
        break;
      }
    }
    if (chosen < 0) return AlignStatus::NoRegion;
    regionRow_ = kRegionFirstRow + chosen;
    buildProfiles(frame, bin, rowProfile_, columnProfile_);
    rowOffset_ = 0;
    columnOffset_ = 0;
    started_ = true;
    return AlignStatus::Added;
  }

  Profile rows;
  Profile columns;
  buildProfiles(frame, bin, rows, columns);
  std::array<std::int64_t, 2 * kMaxShift + 1> columnSums{};
  int rowShift = 0;
  int columnShift = 0;
  std::int64_t bestRows = std::numeric_limits<std::int64_t>::max();
  std::int64_t bestColumns = bestRows;
  for (int s = -kMaxShift; s <= kMaxShift; ++s) {
    const std::int64_t r = profileDifference(rowProfile_, rows, s);
    const std::int64_t c = profileDifference(columnProfile_, columns, s);
    columnSums[static_cast<std::size_t>(s + kMaxShift)] = c;
    if (r < bestRows) {
      bestRows = r;
      rowShift = s;
    }
    if (c < bestColumns) {
      bestColumns = c;
      columnShift = s;
    }
  }
  if (columnSums[kMaxShift - 1] + columnSums[kMaxShift] + columnSums[kMaxShift + 1] <
      kFlatColumnSums) {
    copyFrame(sum, frame);
    return AlignStatus::StarLost;
  }
  rowProfile_ = rows;
  columnProfile_ = columns;
  const int dy = rowShift + rowOffset_;
  const int dx = columnShift + columnOffset_;
  const auto d = static_cast<unsigned>(divisor);
  for (int r = 0; r < frame.height; ++r) {
    const int sr = r + dy;
    if (sr <= 0 || sr >= frame.height) continue;
    for (int c = 0; c < frame.width; ++c) {
      const int sc = c + dx;
      if (sc <= 0 || sc >= frame.width) continue;
      std::uint16_t& a = sum.at(r, c);
      a = saturatingSum(a, frame.at(sr, sc) / d);
    }
  }
  rowOffset_ += rowShift;
  columnOffset_ += columnShift;
  copyFrame(sum, frame);
  return AlignStatus::Added;
}

}  // namespace nvk::acquire
