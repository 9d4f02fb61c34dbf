#include "base/simd.h"

namespace nvk::base {

bool hasAvx2() {
#if NVK_SIMD_X86
  static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return available;
#else
  return false;
#endif
}

bool hasAvx512Vl() {
#if NVK_SIMD_X86
  static const bool available = hasAvx2() && __builtin_cpu_supports("avx512f") &&
                                __builtin_cpu_supports("avx512vl") &&
                                __builtin_cpu_supports("avx512bw");
  return available;
#else
  return false;
#endif
}

}  // namespace nvk::base
