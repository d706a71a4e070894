#include "pixel_layout.h"

#include <cstring>

#include "platform/allocation.h"

namespace {

void copyRow(const uint8_t* source, uint8_t* destination, uint32_t width, bool keepChannelOrder) {
  if (keepChannelOrder) {
    std::memcpy(destination, source, size_t{width} * 3);
    return;
  }
  for (uint32_t x = 0; x < width; ++x, source += 3, destination += 3) {
    destination[0] = source[2];
    destination[1] = source[1];
    destination[2] = source[0];
  }
}

}  // namespace

bool convertToDisplay(const DisplayConversion& from, uint8_t* display) {
  if (from.width == 0 || from.height == 0) return true;
  const uint64_t displayRow = displayRowBytes(from.width);
  const uint64_t sourceRow = uint64_t{from.width} * 3;
  const uint64_t sourceStep = sourceRow + from.rowSkip;
  const uint64_t lastPixel = (uint64_t{from.height} - 1) * sourceStep + sourceRow - 3;

  if (lastPixel + 2 < from.byteSize) {
    // Every row fits: write each one straight to its final place.
    for (uint32_t y = 0; y < from.height; ++y) {
      const uint32_t displayY = from.keepRowOrder ? y : from.height - 1 - y;
      copyRow(from.pixels + y * sourceStep, display + displayY * displayRow, from.width,
              from.keepChannelOrder);
    }
    return true;
  }

  // The skips run past the block: copy in row order what lies within it.
  uint64_t s = 0;
  for (uint32_t y = 0; y < from.height; ++y) {
    uint8_t* row = display + y * displayRow;
    for (uint32_t x = 0; x < from.width; ++x, s += 3) {
      if (s + 2 >= from.byteSize) return false;
      copyRow(from.pixels + s, row + x * 3, 1, from.keepChannelOrder);
    }
    s += from.rowSkip;
  }
  return false;
}

int flipRows(uint8_t* rows, uint32_t rowLength, uint32_t rowCount) {
  if (!rows || rowLength == 0 || rowCount == 0) return 0;
  uint8_t* scratch = static_cast<uint8_t*>(allocateBlock(AllocationSite::FlipRowsScratch, rowLength));
  if (!scratch) return 0;
  for (uint32_t top = 0, bottom = rowCount - 1; top < bottom; ++top, --bottom) {
    uint8_t* upper = rows + size_t{top} * rowLength;
    uint8_t* lower = rows + size_t{bottom} * rowLength;
    std::memcpy(scratch, upper, rowLength);
    std::memcpy(upper, lower, rowLength);
    std::memcpy(lower, scratch, rowLength);
  }
  freeBlock(scratch);
  return 1;
}
