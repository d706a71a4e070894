#include "radial_kernels.h"

void fillRadial(const PixelTarget& target, const GradientColors& colors, bool halvedSum) {
  const int64_t cx = target.width >> 1;
  const int64_t cy = target.height >> 1;
  const float radius = float(cx > cy ? cx : cy);
  // R is 0 only for a 1 x 1 image, whose one pixel is not inside the radius,
  // so these scaled differences are never used then.
  const double q = 65536.0 / double(radius);
  float scaledDifference[3];
  uint8_t endRgb[3];
  for (int channel = 0; channel < 3; ++channel) {
    scaledDifference[channel] = float(q * double(colors.difference(channel)));
    endRgb[channel] = uint8_t(colors.end[channel]);
  }

  auto colourAt = [&](double sumOfSquares, uint8_t* pixel) {
    const double distance = radialDistance(sumOfSquares, halvedSum);
    if (distance < double(radius)) {
      for (int channel = 0; channel < 3; ++channel)
        pixel[channel] = fixedPointBlend(scaledDifference[channel], distance, colors.start[channel]);
    } else {
      pixel[0] = endRgb[0];
      pixel[1] = endRgb[1];
      pixel[2] = endRgb[2];
    }
  };
  fillCentreSymmetric(target, [&](uint64_t bSquared, uint32_t aFirst, uint32_t count, uint8_t* pixel) {
    if (uint64_t{aFirst} * aFirst + bSquared < kExactSumOfSquares) {
      const double rowSquare = double(bSquared);
      double column = double(aFirst);
      for (; count > 0; --count, column -= 1.0, pixel += 3) colourAt(column * column + rowSquare, pixel);
      return;
    }
    // 64-bit: the sum overflows 32 bits for very wide or tall images.
    for (uint32_t a = aFirst; count > 0; --count, --a, pixel += 3)
      colourAt(double(int64_t(uint64_t{a} * a + bSquared)), pixel);
  });
}
