#pragma once

#include <cstdint>
#include <cstring>

// Vector support of the pixel loops. Every loop that uses it keeps a plain version that gives the
// same samples, and the tests compare the two.
//
// Two ways to vectorise are offered, both only where GCC compiles for x86-64; any other compiler
// or processor gets the plain code (NVK_SIMD_X86 is 0 and the attributes below are empty):
// - NVK_VECTORISED marks a plain loop that the compiler vectorises: it is compiled at -O3 once
//   for processors with AVX2 and once for any x86-64, and the processor's version is chosen when
//   the program starts. Such loops must give the same result either way (integer arithmetic, or
//   floating point without reassociation). NVK_VECTORISED_FLOAT is the same for floating-point
//   loops whose selections must become vector blends: no operation there can trap, and saying
//   so changes no result.
// - Loops written with intrinsics stand between NVK_SIMD_BEGIN_AVX2 (or
//   NVK_SIMD_BEGIN_AVX512VL, the AVX2 code again with 32 vector registers and the AVX-512BW/VL
//   instructions) and NVK_SIMD_END, and run only when hasAvx2() (hasAvx512Vl()) says the
//   processor has them; the program therefore runs on any x86-64 processor.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define NVK_SIMD_X86 1
#include <immintrin.h>
#define NVK_VECTORISED __attribute__((target_clones("avx2", "default"), optimize("O3")))
#define NVK_VECTORISED_FLOAT \
  __attribute__((target_clones("avx2", "default"), optimize("O3", "no-trapping-math")))
#define NVK_SIMD_BEGIN_AVX2 _Pragma("GCC push_options") _Pragma("GCC target(\"avx2,fma,bmi,bmi2\")")
// clang-format off
#define NVK_SIMD_BEGIN_AVX512VL \
  _Pragma("GCC push_options") \
  _Pragma("GCC target(\"avx2,fma,bmi,bmi2,avx512f,avx512vl,avx512bw\")")
// clang-format on
#define NVK_SIMD_END _Pragma("GCC pop_options")
#else
#define NVK_SIMD_X86 0
#define NVK_VECTORISED
#define NVK_VECTORISED_FLOAT
#endif

namespace nvk::base {

// The vector versions a loop may take, narrowest first.
enum class SimdLevel { Plain, Avx2, Avx512 };

// The widest level this processor runs (checked once), lowered to the ceiling below.
SimdLevel simdLevel();
// Whether this processor runs the AVX2 versions (false where NVK_SIMD_X86 is 0).
bool hasAvx2();
// Whether it also runs the AVX-512 versions: AVX-512F, VL and BW.
bool hasAvx512Vl();

// Keeps the loops at or below `ceiling` (Avx512 by default) until the ceiling is set again: the
// tests run every version on one processor with it.
void setSimdCeiling(SimdLevel ceiling);

// Loads and stores of a whole vector of 16-bit samples (GCC's vector types, any width) at any
// address.
template <typename V>
[[gnu::always_inline]] inline V loadLanes(const std::uint16_t* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename V>
[[gnu::always_inline]] inline void storeLanes(std::uint16_t* p, V v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace nvk::base
