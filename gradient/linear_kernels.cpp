#include "linear_kernels.h"

#include "platform/allocation.h"

namespace {

// Per channel: a 16.16 accumulator starting at S and its step D x (65536 / n).
struct FixedPointRamp {
  int32_t accumulator[3];
  int32_t increment[3];

  FixedPointRamp(const GradientColors& colors, uint32_t steps) {
    const int32_t step = steps > 65536 ? 0 : int32_t(65536 / steps);
    for (int channel = 0; channel < 3; ++channel) {
      accumulator[channel] = colors.start[channel] * 65536;
      increment[channel] = colors.difference(channel) * step;
    }
  }

  // The current colour (arithmetic shift, so rounding toward minus infinity), then advance.
  void next(uint8_t rgb[3]) {
    for (int channel = 0; channel < 3; ++channel) {
      rgb[channel] = uint8_t(accumulator[channel] >> 16);
      accumulator[channel] += increment[channel];
    }
  }
};

}  // namespace

void fillLinearVertical(const PixelTarget& target, const GradientColors& colors) {
  FixedPointRamp ramp(colors, target.height);
  for (uint32_t y = 0; y < target.height; ++y) {
    uint8_t rgb[3];
    ramp.next(rgb);
    fillRow(target.row(y), target.width, rgb);
  }
}

void fillLinearHorizontal(const PixelTarget& target, const GradientColors& colors) {
  FixedPointRamp ramp(colors, target.width);
  uint8_t* pixel = target.pixels;
  for (uint32_t x = 0; x < target.width; ++x, pixel += 3) ramp.next(pixel);
  copyFirstRowDown(target);
}

bool fillDiagonal(const PixelTarget& target, const GradientColors& colors, int direction) {
  // The column values of a whole row, pixel by pixel as red, green, blue, then
  // three row tables, in one block.
  const size_t columns = target.width;
  const size_t rows = target.height;
  uint8_t* tables = static_cast<uint8_t*>(allocateBlock(AllocationSite::DiagonalTables, 3 * (columns + rows)));
  if (!tables) return false;
  uint8_t* const columnRow = tables;
  uint8_t* rowTable[3] = {tables + 3 * columns, tables + 3 * columns + rows, tables + 3 * columns + 2 * rows};

  for (int channel = 0; channel < 3; ++channel) {
    const double difference = colors.difference(channel);
    const double columnStep = float(difference / (2.0 * double(columns)));
    double accumulator = colors.start[channel];
    for (size_t i = 0; i < columns; ++i) {
      const size_t index = direction == 0 ? i : columns - 1 - i;
      columnRow[3 * index + channel] = wrapToByte(accumulator);
      accumulator += columnStep;
    }
    const double rowStep = float(difference / (2.0 * double(rows)));
    accumulator = 0.0;
    for (size_t j = 0; j < rows; ++j) {
      rowTable[channel][j] = wrapToByte(accumulator);
      accumulator += rowStep;
    }
  }

  // Each row is the column row plus the row's value, byte by byte (wrapping
  // as a byte does). Sixteen pixels at a time against the row's value repeated
  // over 48 bytes: a loop the compiler turns into vector additions.
  constexpr size_t kBlock = 48;
  const size_t rowBytes = target.rowBytes();
  for (uint32_t y = 0; y < target.height; ++y) {
    uint8_t add[kBlock];
    for (size_t i = 0; i < kBlock; ++i) add[i] = rowTable[i % 3][y];
    uint8_t* row = target.row(y);
    size_t i = 0;
    for (; i + kBlock <= rowBytes; i += kBlock) {
      for (size_t k = 0; k < kBlock; ++k) row[i + k] = uint8_t(columnRow[i + k] + add[k]);
    }
    for (size_t k = 0; i < rowBytes; ++i, ++k) row[i] = uint8_t(columnRow[i] + add[k]);
  }
  freeBlock(tables);
  return true;
}
