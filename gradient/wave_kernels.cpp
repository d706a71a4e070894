#include "wave_kernels.h"

#include <cstring>

#include "portable_trig.h"

namespace {

struct Wave {
  WaveFunction function;
  double angleStep;  // radians a unit of position, held in single precision
  float scaledDifference[3];
  const GradientColors* colors;

  // The colour at a position: t = (1 - wave(p x a)) x 0.5 blends start to end.
  void colourAt(double position, uint8_t* rgb) const {
    const double angle = position * angleStep;
    const double wave = function == WaveFunction::Sine ? portableSin(angle) : portableCos(angle);
    const double blend = (kOne - wave) * kHalf;
    for (int channel = 0; channel < 3; ++channel)
      rgb[channel] = fixedPointBlend(scaledDifference[channel], blend, colors->start[channel]);
  }

  // A row span of a radial wave (see fillCentreSymmetric).
  void colourSpan(uint64_t bSquared, uint32_t aFirst, uint32_t count, uint8_t* pixel, bool halvedSum) const {
    uint32_t a = aFirst;
#if defined(__SSE2__)
    // Exact sums of squares in double arithmetic, several pixels at a time.
    if (uint64_t{aFirst} * aFirst + bSquared < kExactSumOfSquares) {
      for (; count >= 4; count -= 4, a -= 4, pixel += 12) colourFour(bSquared, a, pixel, halvedSum);
    }
#endif
    for (; count > 0; --count, --a, pixel += 3)
      colourAt(radialDistance(double(uint64_t{a} * a + bSquared), halvedSum), pixel);
  }

#if defined(__SSE2__)
  // Pixels a down to a - 3 of a row. Positions and angles are the exact
  // ones; the sine is approximateSinCos4's and the channel values are worked
  // out in single precision, which together stay within 2e-4 of the exact
  // values. A value farther than kMargin from every integer therefore
  // truncates to the byte the exact arithmetic gives. Any other pixel (a
  // value near an integer, an angle too large or not a number) takes the
  // exact path.
  void colourFour(uint64_t bSquared, uint32_t a, uint8_t* pixels, bool halvedSum) const {
    constexpr float kMargin = 1.0f / 1024;
    __m128d positions[2];
    __m128d angles[2];
    bool inRange = true;
    for (int half = 0; half < 2; ++half) {
      const __m128d columns = _mm_set_pd(double(a - 2 * half - 1), double(a - 2 * half));
      __m128d sum = _mm_add_pd(_mm_mul_pd(columns, columns), _mm_set1_pd(double(bSquared)));
      if (halvedSum) sum = _mm_mul_pd(sum, _mm_set1_pd(kHalf));
      positions[half] = _mm_sqrt_pd(sum);
      angles[half] = _mm_mul_pd(positions[half], _mm_set1_pd(angleStep));
      const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), angles[half]);
      inRange &= _mm_movemask_pd(_mm_cmplt_pd(magnitude, _mm_set1_pd(kApproximateTrigLimit))) == 3;
    }

    int safeLanes = 0;
    __m128i channelBytes[3] = {};
    if (inRange) {
      const __m128 wave = approximateSinCos4(angles[0], angles[1], function == WaveFunction::Sine ? 0 : 1);
      const __m128 blend = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(1.0f), wave), _mm_set1_ps(0.5f));
      __m128 safe = _mm_castsi128_ps(_mm_set1_epi32(-1));
      for (int channel = 0; channel < 3; ++channel) {
        if (colors->difference(channel) == 0) {  // exactly the start value: 0 x blend adds nothing
          channelBytes[channel] = _mm_set1_epi32(colors->start[channel]);
          continue;
        }
        const __m128 value = _mm_add_ps(_mm_set1_ps(float(colors->start[channel])),
                                        _mm_mul_ps(_mm_set1_ps(float(colors->difference(channel))), blend));
        channelBytes[channel] = _mm_cvttps_epi32(value);
        const __m128 fraction = _mm_sub_ps(value, _mm_cvtepi32_ps(channelBytes[channel]));
        safe = _mm_and_ps(safe, _mm_and_ps(_mm_cmpgt_ps(fraction, _mm_set1_ps(kMargin)),
                                           _mm_cmplt_ps(fraction, _mm_set1_ps(1.0f - kMargin))));
      }
      safeLanes = _mm_movemask_ps(safe);
    }
    if (safeLanes == 0xF) {
      storeFour(channelBytes, pixels);
      return;
    }
    alignas(16) int32_t bytes[3][4];
    for (int channel = 0; channel < 3; ++channel)
      _mm_store_si128(reinterpret_cast<__m128i*>(bytes[channel]), channelBytes[channel]);
    alignas(16) double exactPositions[4];
    _mm_store_pd(exactPositions, positions[0]);
    _mm_store_pd(exactPositions + 2, positions[1]);
    for (int lane = 0; lane < 4; ++lane) {
      uint8_t* pixel = pixels + 3 * lane;
      if (safeLanes & (1 << lane)) {
        for (int channel = 0; channel < 3; ++channel) pixel[channel] = uint8_t(bytes[channel][lane]);
      } else {
        colourAt(exactPositions[lane], pixel);
      }
    }
  }

  // Four pixels' red, green and blue (0 to 255, one a 32-bit lane) as twelve
  // packed bytes.
  static void storeFour(const __m128i channelBytes[3], uint8_t* pixels) {
    const __m128i redGreen = _mm_packs_epi32(channelBytes[0], channelBytes[1]);
    const __m128i blue = _mm_packs_epi32(channelBytes[2], channelBytes[2]);
    // Bytes r0..r3 g0..g3 b0..b3, then interleaved as r g b 0 per pixel.
    const __m128i planes = _mm_packus_epi16(redGreen, blue);
    const __m128i red = planes;
    const __m128i green = _mm_srli_si128(planes, 4);
    const __m128i blueBytes = _mm_srli_si128(planes, 8);
    const __m128i pixelsRgb0 = _mm_unpacklo_epi16(_mm_unpacklo_epi8(red, green),
                                                 _mm_unpacklo_epi8(blueBytes, _mm_setzero_si128()));
    uint32_t pixel[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixel), pixelsRgb0);
    const uint32_t words[3] = {pixel[0] | pixel[1] << 24, pixel[1] >> 8 | pixel[2] << 16, pixel[2] >> 16 | pixel[3] << 8};
    std::memcpy(pixels, words, sizeof words);
  }
#endif
};

// The number of positions one period spans at frequency 1.
uint32_t waveDivisor(const PixelTarget& target, WaveShape shape) {
  switch (shape) {
    case WaveShape::Vertical:
      return target.height;
    case WaveShape::Horizontal:
      return target.width;
    default: {
      const uint32_t cx = target.width >> 1;
      const uint32_t cy = target.height >> 1;
      const uint32_t nearer = cx < cy ? cx : cy;
      if (nearer > 0) return nearer;
      // One pixel wide or high: measure the period against the farther edge
      // instead of dividing by zero (which would paint every pixel black).
      const uint32_t farther = cx > cy ? cx : cy;
      return farther > 0 ? farther : 1;
    }
  }
}

}  // namespace

void fillWave(const PixelTarget& target, const GradientColors& colors, float frequency,
              WaveFunction function, WaveShape shape) {
  Wave wave;
  wave.function = function;
  wave.angleStep =
      float(((double(frequency) * k360) * kDegreesToRadians) / double(waveDivisor(target, shape)));
  for (int channel = 0; channel < 3; ++channel)
    wave.scaledDifference[channel] = float(double(colors.difference(channel)) * k65536);
  wave.colors = &colors;

  if (shape == WaveShape::Vertical) {
    for (uint32_t y = 0; y < target.height; ++y) {
      uint8_t rgb[3];
      wave.colourAt(double(y), rgb);
      fillRow(target.row(y), target.width, rgb);
    }
    return;
  }
  if (shape == WaveShape::Horizontal) {
    uint8_t* pixel = target.pixels;
    for (uint32_t x = 0; x < target.width; ++x, pixel += 3) wave.colourAt(double(x), pixel);
    copyFirstRowDown(target);
    return;
  }

  const bool halvedSum = shape == WaveShape::Radial2x;
  fillCentreSymmetric(target, [&](uint64_t bSquared, uint32_t aFirst, uint32_t count, uint8_t* pixels) {
    wave.colourSpan(bSquared, aFirst, count, pixels, halvedSum);
  });
}
