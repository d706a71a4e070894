// Sine and cosine in plain IEEE double arithmetic, with no C library calls,
// so every build (glibc, MinGW x86_64, MinGW i686 with SSE2) computes the same
// bits and wave pixels match across platforms. Error is below 1 ulp for every
// finite argument; NaN and infinities give NaN.
#pragma once

double portableSin(double x);
double portableCos(double x);

#if defined(__SSE2__)
#include <emmintrin.h>

// Largest magnitude approximateSinCos4 accepts.
constexpr double kApproximateTrigLimit = 0x1p19;

// Sine (quadrantOffset 0) or cosine (quadrantOffset 1) of four arguments,
// two in each vector, each of magnitude below kApproximateTrigLimit, in
// single precision: within 1e-6 of the exact value (under 1e-7 measured).
// Fast, but not the bits portableSin and portableCos give; for callers that
// can tell when the difference could matter.
__m128 approximateSinCos4(__m128d x01, __m128d x23, int quadrantOffset);
#endif
