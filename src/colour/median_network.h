#pragma once

// Comparator networks of the anti-alias median. X(a, b) puts the smaller of wires a and b on
// wire a and the larger on wire b.

// Sorts five wires 0..4 into ascending order.
#define NVK_SORT5_NETWORK(X) X(0, 1) X(3, 4) X(2, 4) X(2, 3) X(1, 4) X(0, 3) X(0, 2) X(1, 3) X(1, 2)

// The median of 25 wires given as five sorted columns: wire c * 5 + r holds the (r + 1)-th
// smallest sample of column c. After the network wire kMedian25Wire holds the 13th smallest
// (and so the 13th largest) of the 25. The network was found by pruning a full sorting network
// comparator by comparator while it still selected the median of every input of zeros and ones
// with sorted columns (6^5 of them), which by the 0-1 principle covers every input; the tests
// compare it with the plain median on random frames.
// clang-format off
#define NVK_MEDIAN25_NETWORK(X)                                                                    \
  X(0, 5)                                                                                          \
  X(15, 20)                                                                                        \
  X(10, 20) X(5, 20) X(1, 6) X(16, 21) X(11, 21) X(11, 16) X(6, 21) X(1, 16) X(6, 16) X(2, 7)      \
      X(17, 22) X(12, 17) X(7, 22) X(2, 17) X(2, 12) X(7, 17) X(7, 12) X(3, 8) X(13, 18) X(3, 18)  \
          X(3, 13) X(4, 9) X(14, 19) X(9, 24) X(4, 14) X(9, 14) X(15, 3) X(4, 12) X(21, 8)         \
              X(11, 0) X(23, 7) X(13, 20) X(18, 10) X(22, 21) X(23, 0) X(3, 5) X(13, 16) X(0, 5)   \
                  X(7, 9) X(13, 6) X(16, 4) X(20, 12) X(18, 22) X(7, 3) X(20, 6) X(3, 5) X(13, 16) \
                      X(20, 2) X(6, 4) X(19, 22) X(3, 6) X(5, 16) X(9, 20) X(16, 2) X(20, 6)       \
                          X(3, 5) X(20, 2) X(17, 10) X(20, 19) X(5, 16) X(2, 18) X(6, 17) X(16, 2) \
                              X(20, 6) X(20, 2)
// clang-format on

namespace nvk::colour {
inline constexpr int kMedian25Wire = 2;
}  // namespace nvk::colour
