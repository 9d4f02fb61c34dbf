#pragma once

#include <algorithm>
#include <system_error>
#include <thread>

namespace nvk::process {

// Runs `work(b, e)` over [begin, end) on both cores: a helper thread takes the upper half in
// one call, this thread the lower half in `slices` slices, calling `beforeSlice(i)` before
// slice i (progress and event pumping stay on this thread). Every caller's work writes each
// output from unchanged input only, so the result is the same as one pass over the range.
// Without a helper thread the whole range runs here, slice by slice.
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

}  // namespace nvk::process
