// Sine and cosine in plain IEEE double arithmetic, with no C library calls,
// so every build (glibc, MinGW x86_64, MinGW i686 with SSE2) computes the same
// bits and wave pixels match across platforms. Error is below 1 ulp for every
// finite argument; NaN and infinities give NaN.
#pragma once

double portableSin(double x);
double portableCos(double x);
