#pragma once

// Marks a pixel loop for vectorising: it is compiled at -O3 once for processors with AVX2 and
// once for any x86-64, and the processor's version is chosen when the program starts. Loops
// written with it must give the same result either way (integer arithmetic, or floating point
// without reassociation), and the tests compare them with plain versions.
#define NVK_VECTORISED __attribute__((target_clones("avx2", "default"), optimize("O3")))

// The same for loops in floating point whose selections must become vector blends: no
// operation here can trap, and saying so changes no result.
#define NVK_VECTORISED_FLOAT \
  __attribute__((target_clones("avx2", "default"), optimize("O3", "no-trapping-math")))
