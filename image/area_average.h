// Area-averaging reduction of a 24-bit pixel block: every target pixel is the
// mean of the source area it covers, border pixels shared in proportion. Plain
// memory only, no platform calls; downscaler.h moves bitmaps in and out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/allocation.h"

// Rows top row first, three bytes a pixel in the order they came (blue, green,
// red from a bitmap), each row `stride` bytes. The bytes after a row's last
// pixel are not defined. No destructor: whoever fills `data` frees it with
// freePixelBlock. Empty when `data` is null.
struct PixelBlock {
  uint32_t width;
  uint32_t height;
  size_t stride;  // width * 3 rounded up to a multiple of 4
  uint8_t* data;
};

// Sets the sizes and stride and allocates stride * height bytes (not cleared)
// at `site`. On failure, or when the block would not fit in memory at all,
// `data` is null.
void allocPixelBlock(uint32_t width, uint32_t height, PixelBlock& block, AllocationSite site);

// Frees `data`, if any, and leaves the block empty.
void freePixelBlock(PixelBlock& block);

// Reduces `source` to targetWidth x targetHeight into `target`, which this
// allocates. Returns true with `target` holding the reduced pixels, or false
// with `target` empty: empty source, a zero target side, a target larger
// than the source along either axis, or an allocation failed.
bool downscaleBlock(const PixelBlock& source, PixelBlock& target, uint32_t targetWidth,
                    uint32_t targetHeight);
