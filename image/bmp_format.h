// The two headers of an uncompressed 24-bit BMP file, composed into bytes.
// Pure arithmetic, so the exact bytes are testable without a disk or GDI.
#pragma once

#include <cstdint>

// Bytes of the file header (14) and the info header (40) together: the pixel
// array starts right behind them.
constexpr uint32_t kBmpHeaderBytes = 54;

// Sizes of a W x H 24-bit file, computed in 64 bits so that an oversized
// image shows up as too big instead of wrapping around.
struct BmpLayout {
  uint64_t rowBytes;    // R: W x 3 rounded up to a multiple of 4
  uint64_t imageBytes;  // S = R x H
  uint64_t fileBytes;   // S + 54
};
BmpLayout bmpLayout(int32_t width, int32_t height);

// True when a positive W x H image fits a BMP file, whose size field is 32
// bits: S + 54 must not exceed 0xFFFFFFFF.
bool bmpSizeWritable(int32_t width, int32_t height);

// Writes both headers, little-endian, into out[0..53]. Returns false, leaving
// out untouched, for a size that bmpSizeWritable refuses.
bool composeBmpHeaders(int32_t width, int32_t height, uint8_t* out);
