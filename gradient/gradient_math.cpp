#include "gradient_math.h"

#include <cstring>

void fillRow(uint8_t* row, uint32_t width, const uint8_t rgb[3]) {
  // A few pixels one by one, then the filled part copied onto what follows,
  // doubling each time: long rows go at the speed of memcpy.
  const size_t bytes = size_t{width} * 3;
  size_t filled = 0;
  for (; filled < bytes && filled < 48; filled += 3) {
    row[filled] = rgb[0];
    row[filled + 1] = rgb[1];
    row[filled + 2] = rgb[2];
  }
  while (filled < bytes) {
    const size_t chunk = filled < bytes - filled ? filled : bytes - filled;
    std::memcpy(row + filled, row, chunk);
    filled += chunk;
  }
}

void copyFirstRowDown(const PixelTarget& target) {
  for (uint32_t y = 1; y < target.height; ++y) std::memcpy(target.row(y), target.pixels, target.rowBytes());
}
