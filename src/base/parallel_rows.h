#pragma once

#include <functional>
#include <system_error>
#include <thread>

// The two ways the pixel operations share their rows between the calling thread and one helper
// thread. Every caller's work writes each output from unchanged input only, so either way the
// result is the same as one pass over the rows. Without a helper thread the calling thread does
// everything itself.

namespace nvk::base {

// Runs `work(b, e)` over [begin, end) on both cores: a helper thread takes the upper half in
// one call, this thread the lower half in `slices` slices, calling `beforeSlice(i)` before
// slice i (progress and event pumping stay on this thread).
template <typename Work, typename BeforeSlice>
void runOnTwoCores(long begin, long end, int slices, Work work, BeforeSlice beforeSlice) {
  const long middle = begin + (end - begin) / 2;
  std::thread helper;
  long lowerEnd = middle;
  try {
    if (middle < end && middle > begin)
      helper = std::thread([&work, middle, end] { work(middle, end); });
  } catch (const std::system_error&) {
    lowerEnd = end;
  }
  if (!helper.joinable()) lowerEnd = end;
  const long span = lowerEnd - begin;
  for (int i = 0; i < slices; ++i) {
    beforeSlice(i);
    const long b = begin + span * i / slices;
    const long e = begin + span * (i + 1) / slices;
    if (b < e) work(b, e);
  }
  if (helper.joinable()) helper.join();
}

// Runs `work(0, begin, middle)` here and `work(1, middle, end)` on a helper thread (here too
// when no thread can be had), and waits for both; the half's number lets each keep its own
// partial result (a histogram, a maximum) to be joined after.
template <typename Work>
void onBothHalves(long begin, long end, Work work) {
  const long middle = begin + (end - begin) / 2;
  std::thread helper;
  try {
    helper = std::thread([&work, middle, end] { work(1, middle, end); });
  } catch (const std::system_error&) {
    work(1, middle, end);
  }
  work(0, begin, middle);
  if (helper.joinable()) helper.join();
}

// Runs `work(rowBegin, rowEnd)` over the rows [begin, end) in bands of `bandRows` rows, which
// the calling thread and one worker thread take in turn as each finishes its last band. After
// every band the calling thread finishes it calls `afterBand(rowEnd)` on the calling thread:
// that is where operations move their progress bar and pump the window's events. The last call
// is always `afterBand(end)`.
void forEachRowBand(int begin, int end, int bandRows, const std::function<void(int, int)>& work,
                    const std::function<void(int)>& afterBand);

}  // namespace nvk::base
