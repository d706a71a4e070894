// fdlibm-style sine and cosine: reduce x to r = x - n*pi/2 with |r| <= ~pi/4,
// carried as a double-double (hi + lo), then evaluate a minimax polynomial
// for sin or cos on r chosen by n mod 4. Only +, -, * and exact integer work
// are used, so the result depends on IEEE double rounding alone.
#include "gradient/portable_trig.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

uint64_t bitsOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

double fromBits(uint64_t bits) {
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

int biasedExponent(double x) { return static_cast<int>((bitsOf(x) >> 52) & 0x7FF); }

// Minimax coefficients on [-pi/4, pi/4]: sin(x) ~ x + S1 x^3 + ... + S6 x^13,
// cos(x) ~ 1 - x^2/2 + C1 x^4 + ... + C6 x^14 (errors below 2^-58).
constexpr double S1 = -0x1.5555555555549p-3;
constexpr double S2 = 0x1.111111110f8a6p-7;
constexpr double S3 = -0x1.a01a019c161d5p-13;
constexpr double S4 = 0x1.71de357b1fe7dp-19;
constexpr double S5 = -0x1.ae5e68a2b9cebp-26;
constexpr double S6 = 0x1.5d93a5acfd57cp-33;
constexpr double C1 = 0x1.555555555554cp-5;
constexpr double C2 = -0x1.6c16c16c15177p-10;
constexpr double C3 = 0x1.a01a019cb1590p-16;
constexpr double C4 = -0x1.27e4f809c52adp-22;
constexpr double C5 = 0x1.1ee9ebdb4b1c4p-29;
constexpr double C6 = -0x1.8fae9be8838d4p-37;

// a * b exactly, as hi + lo (Dekker's split; no fused multiply-add may be
// used). Valid while the operands stay far from overflow and underflow.
struct Exact {
  double hi;
  double lo;
};

Exact exactProduct(double a, double b) {
  constexpr double splitter = 0x1p27 + 1.0;
  const double aBig = splitter * a;
  const double aHi = aBig - (aBig - a);
  const double aLo = a - aHi;
  const double bBig = splitter * b;
  const double bHi = bBig - (bBig - b);
  const double bLo = b - bHi;
  const double p = a * b;
  return {p, ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo};
}

// sin(x + y) for |x| <= ~pi/4, |y| tiny; y is the tail of the reduced
// argument. x + S1 x^3 is summed exactly: its rounding errors would
// otherwise outweigh the polynomial's own error.
double kernelSin(double x, double y) {
  const Exact z = exactProduct(x, x);
  const Exact v = exactProduct(z.hi, x);  // x^3 = v.hi + v.lo + z.lo * x
  const Exact leading = exactProduct(S1, v.hi);
  const double r = S2 + z.hi * (S3 + z.hi * (S4 + z.hi * (S5 + z.hi * S6)));
  const double sum = x + leading.hi;
  const double sumError = (x - sum) + leading.hi;  // exact, as |leading.hi| < |x| / 9
  // sin(x + y) ~ sin(x) + y (1 - x^2/2)
  const double rest = leading.lo + S1 * (v.lo + z.lo * x) + v.hi * z.hi * r + (y - 0.5 * z.hi * y);
  return sum + (sumError + rest);
}

// cos(x + y); 1 - x^2/2 is summed with the rounding errors of x^2 and of
// the subtraction recovered.
double kernelCos(double x, double y) {
  const Exact z = exactProduct(x, x);
  const double r = z.hi * (C1 + z.hi * (C2 + z.hi * (C3 + z.hi * (C4 + z.hi * (C5 + z.hi * C6)))));
  const double hz = 0.5 * z.hi;
  const double w = 1.0 - hz;
  return w + (((1.0 - w) - hz) + (z.hi * r - 0.5 * z.lo - x * y));
}

struct Reduced {
  int quadrant;  // n mod 4
  double hi;     // x - n*pi/2 = hi + lo
  double lo;
};

// Above this, n*pi/2 no longer fits the three-part constant exactly.
constexpr double kMediumLimit = 0x1.921fb54442d18p20;  // 2^20 * pi/2

constexpr double kInvPio2 = 0x1.45f306dc9c883p-1;
// pi/2 in three 33-bit pieces, so n * piece is exact for n <= 2^20; each
// "t" is the remainder of pi/2 after the pieces before it.
constexpr double kPio2_1 = 0x1.921fb54400000p+0;
constexpr double kPio2_1t = 0x1.0b4611a626331p-34;
constexpr double kPio2_2 = 0x1.0b4611a600000p-34;
constexpr double kPio2_2t = 0x1.3198a2e037073p-69;
constexpr double kPio2_3 = 0x1.3198a2e000000p-69;
constexpr double kPio2_3t = 0x1.b839a252049c1p-104;

// Cody-Waite reduction for |x| < kMediumLimit. Further pieces of pi/2 are
// subtracted only when cancellation has eaten the precision of the previous
// step (the remainder's exponent dropped by more than 16, then 49 bits).
Reduced reduceMedium(double x) {
  // Adding 1.5 * 2^52 rounds to an integer (ties to even, either sign).
  const double fn = (x * kInvPio2 + 0x1.8p52) - 0x1.8p52;
  const int n = static_cast<int>(fn);
  double r = x - fn * kPio2_1;  // exact: fn * kPio2_1 is exact and close to x
  double w = fn * kPio2_1t;
  double hi = r - w;
  const int xExponent = biasedExponent(x);
  if (xExponent - biasedExponent(hi) > 16) {
    double t = r;
    w = fn * kPio2_2;
    r = t - w;
    w = fn * kPio2_2t - ((t - r) - w);
    hi = r - w;
    if (xExponent - biasedExponent(hi) > 49) {
      t = r;
      w = fn * kPio2_3;
      r = t - w;
      w = fn * kPio2_3t - ((t - r) - w);
      hi = r - w;
    }
  }
  return {n & 3, hi, (r - hi) - w};
}

// Bits of 2/pi: 2/pi = sum of kTwoOverPi[j] * 2^(-32 (j + 1)). Enough words
// for the largest double exponent plus the reduction window below.
constexpr uint32_t kTwoOverPi[] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB,
    0xDEBBC561, 0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E,
    0xE88235F5, 0x2EBB4484, 0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B,
    0xBDF9283B, 0x1FF897FF, 0xDE05980F, 0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7,
    0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B, 0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1,
    0x1F8D5D08, 0x56033046};

// Words of 2/pi multiplied per reduction: 224 bits leave, after the 53-bit
// mantissa and the ~61 bits of worst-case cancellation among doubles, well
// over 64 correct bits of the remainder.
constexpr int kWindow = 7;
constexpr int kProductWords = kWindow + 2;

constexpr int kLargestExponent = 0x7FE - 1075;  // of the integer mantissa
static_assert(sizeof kTwoOverPi / sizeof kTwoOverPi[0] >= (kLargestExponent - 2) / 32 + kWindow,
              "2/pi table must reach the window of the largest exponent");

// `count` (<= 64) bits of the little-endian 32-bit-word number `p` starting at
// bit `position`; bits outside the number read as zero.
uint64_t readBits(const uint32_t* p, int position, int count) {
  uint64_t result = 0;
  for (int i = count - 1; i >= 0; --i) {
    const int bit = position + i;
    const uint64_t b = (bit >= 0 && bit < 32 * kProductWords) ? (p[bit / 32] >> (bit % 32)) & 1u : 0u;
    result = (result << 1) | b;
  }
  return result;
}

// 2^-k for 0 <= k < 1023, built exactly.
double powerOfTwoBelowOne(int k) { return fromBits(static_cast<uint64_t>(1023 - k) << 52); }

// Payne-Hanek reduction for large finite |x|: x = m * 2^e with integer m, so
// x * 2/pi mod 4 only needs the bits of 2/pi from about 2^-e on; earlier bits
// contribute multiples of 4. The product is formed exactly in integers.
Reduced reduceLarge(double x) {
  const uint64_t bits = bitsOf(x);
  const bool negative = (bits >> 63) != 0;
  const int e = static_cast<int>((bits >> 52) & 0x7FF) - 1075;  // x normal here
  const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);

  const int first = e >= 2 ? (e - 2) / 32 : 0;  // first word of 2/pi that matters
  uint32_t product[kProductWords] = {};
  const uint32_t mWords[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
  for (int i = 0; i < kWindow; ++i) {
    // Window word i has weight 2^(32 (kWindow - 1 - i)) in the product.
    const uint64_t w = kTwoOverPi[first + i];
    uint64_t carry = 0;
    for (int k = 0; k < 2; ++k) {
      const int slot = kWindow - 1 - i + k;
      const uint64_t sum = w * mWords[k] + product[slot] + carry;  // < 2^64
      product[slot] = static_cast<uint32_t>(sum);
      carry = sum >> 32;
    }
    for (int slot = kWindow + 1 - i; carry != 0 && slot < kProductWords; ++slot) {
      const uint64_t sum = uint64_t{product[slot]} + carry;
      product[slot] = static_cast<uint32_t>(sum);
      carry = sum >> 32;
    }
  }

  // |x| * 2/pi = product * 2^-point (mod 4).
  const int point = 32 * (first + kWindow) - e;
  int quadrant = static_cast<int>(readBits(product, point, 2));
  uint64_t fracHi = readBits(product, point - 64, 64);
  uint64_t fracLo = readBits(product, point - 128, 64);
  // Round to the nearest quadrant: a fraction >= 1/2 becomes fraction - 1.
  bool fracNegative = false;
  if (fracHi >> 63) {
    quadrant += 1;
    fracNegative = true;
    fracLo = ~fracLo + 1;
    fracHi = ~fracHi + (fracLo == 0 ? 1 : 0);
  }
  if (fracHi == 0 && fracLo == 0) return {negative ? -quadrant & 3 : quadrant & 3, 0.0, 0.0};

  // Normalise so bit 63 of fracHi is set; the fraction is then
  // (fracHi + fracLo 2^-64) * 2^-(64 + shift).
  int shift = 0;
  while ((fracHi >> 63) == 0) {
    fracHi = (fracHi << 1) | (fracLo >> 63);
    fracLo <<= 1;
    ++shift;
  }
  // fHi: the top 53 bits, built from bits; fLo: the next 42 from 32-bit
  // pieces. Both exact, and without the x87 64-bit integer conversion that
  // i686 would otherwise use.
  const double fHi = fromBits((uint64_t{1023 + 63} << 52) | ((fracHi >> 11) & ((uint64_t{1} << 52) - 1)));
  const double fLo = static_cast<double>(static_cast<int32_t>(fracHi & 0x7FF)) +
                     static_cast<double>(static_cast<int32_t>(fracLo >> 33)) * 0x1p-31;

  // (fHi + fLo) * pi/2 as a double-double.
  constexpr double pio2Hi = 0x1.921fb54442d18p+0;
  constexpr double pio2Lo = 0x1.1a62633145c07p-54;
  const Exact p = exactProduct(fHi, pio2Hi);
  const double tail = p.lo + (fHi * pio2Lo + fLo * pio2Hi);
  double hi = p.hi + tail;
  double lo = tail - (hi - p.hi);
  const double scale = powerOfTwoBelowOne(64 + shift);
  hi *= scale;
  lo *= scale;

  if (fracNegative != negative) {
    hi = -hi;
    lo = -lo;
  }
  if (negative) quadrant = -quadrant;
  return {quadrant & 3, hi, lo};
}

constexpr double kPio4 = 0x1.921fb54442d18p-1;

Reduced reduce(double x) {
  const double ax = x < 0 ? -x : x;
  if (ax <= kPio4) return {0, x, 0.0};
  if (ax < kMediumLimit) return reduceMedium(x);
  return reduceLarge(x);
}

bool isNanOrInf(double x) { return biasedExponent(x) == 0x7FF; }

// Below this, sin(x) rounds to x and cos(x) to 1.
constexpr double kTiny = 0x1p-27;

}  // namespace

double portableSin(double x) {
  if (isNanOrInf(x)) return x - x;
  if (x > -kTiny && x < kTiny) return x;  // keeps the sign of zero
  const Reduced r = reduce(x);
  switch (r.quadrant) {
    case 0: return kernelSin(r.hi, r.lo);
    case 1: return kernelCos(r.hi, r.lo);
    case 2: return -kernelSin(r.hi, r.lo);
    default: return -kernelCos(r.hi, r.lo);
  }
}

double portableCos(double x) {
  if (isNanOrInf(x)) return x - x;
  if (x > -kTiny && x < kTiny) return 1.0;
  const Reduced r = reduce(x);
  switch (r.quadrant) {
    case 0: return kernelCos(r.hi, r.lo);
    case 1: return -kernelSin(r.hi, r.lo);
    case 2: return -kernelCos(r.hi, r.lo);
    default: return kernelSin(r.hi, r.lo);
  }
}

#if defined(__SSE2__)
__m128 approximateSinCos4(__m128d x01, __m128d x23, int quadrantOffset) {
  // The medium reduction's first step in double precision: x - n pi/2 with
  // two pieces of pi/2, the first product exact, good to ~1e-16 here.
  const __m128d rounder = _mm_set1_pd(0x1.8p52);
  const auto nearestQuadrant = [&](__m128d x) {
    return _mm_sub_pd(_mm_add_pd(_mm_mul_pd(x, _mm_set1_pd(kInvPio2)), rounder), rounder);
  };
  const auto remainder = [](__m128d x, __m128d fn) {
    return _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(fn, _mm_set1_pd(kPio2_1))), _mm_mul_pd(fn, _mm_set1_pd(kPio2_1t)));
  };
  const __m128d fn01 = nearestQuadrant(x01);
  const __m128d fn23 = nearestQuadrant(x23);
  const __m128 r = _mm_movelh_ps(_mm_cvtpd_ps(remainder(x01, fn01)), _mm_cvtpd_ps(remainder(x23, fn23)));

  // Taylor polynomials in single precision on |r| <= pi/4: truncation below
  // 2e-9, rounding a few units of 2^-24.
  const __m128 z = _mm_mul_ps(r, r);
  const auto constant = [](float value) { return _mm_set1_ps(value); };
  __m128 sinTail = constant(1.0f / 362880);
  for (const float c : {-1.0f / 5040, 1.0f / 120, -1.0f / 6})
    sinTail = _mm_add_ps(constant(c), _mm_mul_ps(z, sinTail));
  const __m128 sine = _mm_add_ps(r, _mm_mul_ps(_mm_mul_ps(r, z), sinTail));
  __m128 cosTail = constant(-1.0f / 3628800);
  for (const float c : {1.0f / 40320, -1.0f / 720, 1.0f / 24, -0.5f})
    cosTail = _mm_add_ps(constant(c), _mm_mul_ps(z, cosTail));
  const __m128 cosine = _mm_add_ps(constant(1.0f), _mm_mul_ps(z, cosTail));

  // Quadrant n + offset (mod 4): odd ones take the cosine polynomial, 2 and 3
  // are negated.
  const __m128i quadrant = _mm_add_epi32(_mm_unpacklo_epi64(_mm_cvtpd_epi32(fn01), _mm_cvtpd_epi32(fn23)),
                                         _mm_set1_epi32(quadrantOffset));
  const auto quadrantHas = [&](int bit) {
    return _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(quadrant, _mm_set1_epi32(bit)), _mm_set1_epi32(bit)));
  };
  const __m128 useCosine = quadrantHas(1);
  const __m128 value = _mm_or_ps(_mm_and_ps(useCosine, cosine), _mm_andnot_ps(useCosine, sine));
  return _mm_xor_ps(value, _mm_and_ps(quadrantHas(2), constant(-0.0f)));
}
#endif
