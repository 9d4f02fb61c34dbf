#include "base/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace nvk::base {

void forEachRowBand(int begin, int end, int bandRows, const std::function<void(int, int)>& work,
                    const std::function<void(int)>& afterBand) {
  if (end <= begin) return;
  bandRows = std::max(bandRows, 1);
  const int bands = (end - begin + bandRows - 1) / bandRows;
  std::atomic<int> nextBand{0};
  const auto bandRange = [&](int band) {
    const int rowBegin = begin + band * bandRows;
    return std::pair{rowBegin, std::min(end, rowBegin + bandRows)};
  };
  const auto workerLoop = [&] {
    for (int band = nextBand++; band < bands; band = nextBand++) {
      const auto [rowBegin, rowEnd] = bandRange(band);
      work(rowBegin, rowEnd);
    }
  };

  std::thread worker;
  if (bands > 1 && std::thread::hardware_concurrency() > 1) {
    try {
      worker = std::thread(workerLoop);
    } catch (const std::system_error&) {
      // No second thread to be had: this thread does every band.
    }
  }
  int lastReported = begin;
  for (int band = nextBand++; band < bands; band = nextBand++) {
    const auto [rowBegin, rowEnd] = bandRange(band);
    work(rowBegin, rowEnd);
    afterBand(rowEnd);
    lastReported = rowEnd;
  }
  if (worker.joinable()) worker.join();
  // The worker may have done the last bands: the operation ends with the bar at its end.
  if (lastReported != end) afterBand(end);
}

}  // namespace nvk::base
