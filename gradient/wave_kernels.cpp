#include "wave_kernels.h"

#include <cmath>

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
  fillCentreSymmetric(target, [&](int64_t sumOfSquares, uint8_t* pixel) {
    const double position =
        halvedSum ? std::sqrt(double(sumOfSquares) * kHalf) : std::sqrt(double(sumOfSquares));
    wave.colourAt(position, pixel);
  });
}
