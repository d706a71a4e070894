// The arithmetic every renderer shares: the pixel target, the colours as
// channel bytes, the single-precision constants and toByte.
#pragma once

#include <cstddef>
#include <cstdint>

// Packed pixel rows, top row first, 3 bytes a pixel (red, green, blue).
struct PixelTarget {
  uint8_t* pixels;
  uint32_t width;
  uint32_t height;

  size_t rowBytes() const { return size_t{width} * 3; }
  uint8_t* row(uint32_t y) const { return pixels + y * rowBytes(); }
};

// Start and end value of each channel, index 0 red, 1 green, 2 blue.
struct GradientColors {
  int32_t start[3];
  int32_t end[3];

  int32_t difference(int channel) const { return end[channel] - start[channel]; }
};

// Colours stored as COLORREF: red in the lowest byte, then green, then blue.
inline GradientColors colorsFrom(uint32_t startColor, uint32_t endColor) {
  GradientColors colors;
  for (int channel = 0; channel < 3; ++channel) {
    colors.start[channel] = int32_t((startColor >> (8 * channel)) & 0xFF);
    colors.end[channel] = int32_t((endColor >> (8 * channel)) & 0xFF);
  }
  return colors;
}

// The constants enter the arithmetic as single-precision values.
constexpr double k65536 = double(65536.0f);
constexpr double kInverse65536 = double(1.0f / 65536.0f);
constexpr double kHalf = double(0.5f);
constexpr double kOne = double(1.0f);
constexpr double k360 = double(360.0f);
constexpr double kDegreesToRadians = double(0.0174532924f);

// Truncates toward zero and keeps the low 8 bits. A value that is NaN,
// infinite or outside the 32-bit range gives 0 (the integer-indefinite result
// of the x86 conversion, whose low byte is 0) instead of undefined behaviour.
inline uint8_t toByte(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return 0;
  return uint8_t(uint32_t(int32_t(value)));
}

// The 16.16 floating form: toByte((F x u + S x 65536) x 1/65536), in this order.
inline uint8_t fixedPointBlend(float scaledDifference, double factor, int32_t start) {
  return toByte((double(scaledDifference) * factor + double(start * 65536)) * kInverse65536);
}

// Writes one colour across a row of `width` pixels.
void fillRow(uint8_t* row, uint32_t width, const uint8_t rgb[3]);

// Copies row 0 over every other row of the target.
void copyFirstRowDown(const PixelTarget& target);
