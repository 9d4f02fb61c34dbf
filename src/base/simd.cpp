#include "base/simd.h"

#include <algorithm>
#include <atomic>

namespace nvk::base {
namespace {

std::atomic<SimdLevel> ceilingLevel{SimdLevel::Avx512};

SimdLevel processorLevel() {
#if NVK_SIMD_X86
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return SimdLevel::Plain;
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512bw"))
    return SimdLevel::Avx512;
  return SimdLevel::Avx2;
#else
  return SimdLevel::Plain;
#endif
}

}  // namespace

SimdLevel simdLevel() {
  static const SimdLevel processor = processorLevel();
  return std::min(processor, ceilingLevel.load(std::memory_order_relaxed));
}

bool hasAvx2() {
  return simdLevel() >= SimdLevel::Avx2;
}

bool hasAvx512Vl() {
  return simdLevel() == SimdLevel::Avx512;
}

void setSimdCeiling(SimdLevel ceiling) {
  ceilingLevel.store(ceiling, std::memory_order_relaxed);
}

}  // namespace nvk::base
