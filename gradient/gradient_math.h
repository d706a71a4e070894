// The arithmetic every renderer shares: the pixel target, the colours as
// channel bytes, the single-precision constants and wrapToByte.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

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
inline uint8_t wrapToByte(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return 0;
  return uint8_t(uint32_t(int32_t(value)));
}

// The 16.16 floating form: wrapToByte((F x u + S x 65536) x 1/65536), in this order.
inline uint8_t fixedPointBlend(float scaledDifference, double factor, int32_t start) {
  return wrapToByte((double(scaledDifference) * factor + double(start * 65536)) * kInverse65536);
}

// The radial types' position of a pixel whose offsets from the centre give
// `sumOfSquares` = dx² + dy². halvedSum measures sqrt((dx² + dy²) x 0.5), so
// the end colour is reached sqrt(2) times farther out.
inline double radialDistance(double sumOfSquares, bool halvedSum) {
  return halvedSum ? std::sqrt(sumOfSquares * kHalf) : std::sqrt(sumOfSquares);
}

// Sums of squares below this are exact in double arithmetic, so they can be
// formed there: 32-bit x86 has no single instruction for a 64-bit integer
// product or its conversion to double.
constexpr uint64_t kExactSumOfSquares = uint64_t{1} << 53;

// Writes one colour across a row of `width` pixels.
void fillRow(uint8_t* row, uint32_t width, const uint8_t rgb[3]);

// Copies row 0 over every other row of the target.
void copyFirstRowDown(const PixelTarget& target);

// Fills the target from colourSpan(bSquared, aFirst, count, pixels), which
// writes `count` pixels whose offsets from the centre (width >> 1,
// height >> 1) are a = aFirst, aFirst - 1, ... across and b down, with
// bSquared = b² (count <= aFirst + 1: a never goes below 0). The colour
// depends on a² + b² alone, which is the same with
// a and b swapped, so only one eighth of the pixels is worked out; the rest
// are copies, exactly the bytes colourSpan would have written.
template <typename ColourSpan>
void fillCentreSymmetric(const PixelTarget& target, ColourSpan colourSpan) {
  if (target.width == 0 || target.height == 0) return;
  const uint32_t cx = target.width >> 1;
  const uint32_t cy = target.height >> 1;
  // Locals, not the target's fields: the byte stores below could alias them,
  // which would make the compiler reload them for every pixel.
  uint8_t* const pixels = target.pixels;
  const size_t rowBytes = target.rowBytes();
  const uint32_t width = target.width;
  auto rowAt = [=](uint32_t y) { return pixels + y * rowBytes; };
  // Works on the top left quarter: offset b = |dy| is row cy - b, offset
  // a = |dx| is column cx - a. Rows go in bands from the centre outward; the
  // pixels a < b of row b are pixel b of row a, an earlier row, when that
  // lies inside the image (b <= cx). A band is copied into column by column,
  // so each earlier row is read once per band, a few bytes in a row.
  constexpr uint32_t kBand = 64;
  for (uint32_t bandStart = 0; bandStart <= cy; bandStart += kBand) {
    const uint32_t bandEnd = bandStart + kBand < cy + 1 ? bandStart + kBand : cy + 1;
    const uint32_t copiedEnd = bandEnd < cx + 1 ? bandEnd : cx + 1;  // rows b < copiedEnd copy
    for (uint32_t a = 0; bandStart < copiedEnd && a < bandStart; ++a) {
      const uint8_t* source = rowAt(cy - a) + size_t{cx - bandStart} * 3;
      // Rows lie too far apart for the hardware to foresee the next one.
      if (a + 4 < bandStart) __builtin_prefetch(source - 4 * rowBytes - 3 * size_t{kBand});
      for (uint32_t b = bandStart; b < copiedEnd; ++b, source -= 3) {
        uint8_t* pixel = rowAt(cy - b) + size_t{cx - a} * 3;
        pixel[0] = source[0];
        pixel[1] = source[1];
        pixel[2] = source[2];
      }
    }
    for (uint32_t b = bandStart; b < bandEnd; ++b) {
      uint8_t* row = rowAt(cy - b);
      const uint32_t firstWorkedOut = b < copiedEnd ? bandStart : 0;
      colourSpan(uint64_t{b} * b, cx, cx + 1 - firstWorkedOut, row);
      // The right of the centre mirrors the left.
      const uint8_t* mirror = row + size_t{cx} * 3;
      for (uint32_t x = cx + 1; x < width; ++x) {
        mirror -= 3;
        uint8_t* right = row + size_t{x} * 3;
        right[0] = mirror[0];
        right[1] = mirror[1];
        right[2] = mirror[2];
      }
    }
  }
  // The rows below the centre repeat those above it.
  for (uint32_t y = cy + 1; y < target.height; ++y)
    std::memcpy(rowAt(y), rowAt(2 * cy - y), rowBytes);
}
