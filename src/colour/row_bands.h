#pragma once

#include <functional>

namespace nvk::colour {

// Runs `work(rowBegin, rowEnd)` over the rows [begin, end) in bands of `bandRows` rows, shared
// between the calling thread and one worker thread. Each band's rows are written by one thread
// only, so the result is the same as one pass from top to bottom. After every band the calling
// thread finishes it calls `afterBand(rowEnd)` on the calling thread: that is where operations
// move their progress bar and pump the window's events. The last call is always
// `afterBand(end)`.
void forEachRowBand(int begin, int end, int bandRows, const std::function<void(int, int)>& work,
                    const std::function<void(int)>& afterBand);

}  // namespace nvk::colour
