#include "gradient_math.h"

#include <cstring>

void fillRow(uint8_t* row, uint32_t width, const uint8_t rgb[3]) {
  for (uint32_t x = 0; x < width; ++x, row += 3) {
    row[0] = rgb[0];
    row[1] = rgb[1];
    row[2] = rgb[2];
  }
}

void copyFirstRowDown(const PixelTarget& target) {
  for (uint32_t y = 1; y < target.height; ++y) std::memcpy(target.row(y), target.pixels, target.rowBytes());
}
