#pragma once

// The hot loops of the colour operations have an AVX2 version next to the plain one. The
// vector code is compiled for AVX2 inside NVK_COLOUR_BEGIN_AVX2 ... NVK_COLOUR_END_AVX2 only and
// runs only when the processor has it, so the program still runs on any x86-64 (or other)
// processor; both versions give the same samples.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define NVK_COLOUR_X86 1
#include <immintrin.h>
#define NVK_COLOUR_BEGIN_AVX2 \
  _Pragma("GCC push_options") _Pragma("GCC target(\"avx2,fma,bmi,bmi2\")")
#define NVK_COLOUR_END_AVX2 _Pragma("GCC pop_options")
// The AVX2 code again for processors that also have AVX-512VL (32 vector registers); closed by
// NVK_COLOUR_END_AVX2.
// clang-format off
#define NVK_COLOUR_BEGIN_AVX512VL \
  _Pragma("GCC push_options") \
  _Pragma("GCC target(\"avx2,fma,bmi,bmi2,avx512f,avx512vl,avx512bw\")")
// clang-format on
#else
#define NVK_COLOUR_X86 0
#endif

namespace nvk::colour {

// Whether this processor runs the AVX2 versions (checked once).
bool hasAvx2();
// Whether it also runs the AVX-512VL versions (checked once).
bool hasAvx512Vl();

}  // namespace nvk::colour
