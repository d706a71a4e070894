#include "bmp_format.h"

namespace {
// Resolution written in both directions: 300 pixels per metre.
constexpr uint32_t kPixelsPerMetre = 300;

void put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
  put16(at, value);
  put16(at + 2, value >> 16);
}
}  // namespace

BmpLayout bmpLayout(int32_t width, int32_t height) {
  // Negative sizes are never writable; treating them as 0 keeps the
  // arithmetic unsigned.
  const uint64_t w = width > 0 ? static_cast<uint64_t>(width) : 0;
  const uint64_t h = height > 0 ? static_cast<uint64_t>(height) : 0;
  const uint64_t rowBytes = ((24 * w + 31) >> 3) & ~uint64_t{3};
  const uint64_t imageBytes = rowBytes * h;
  return {rowBytes, imageBytes, imageBytes + kBmpHeaderBytes};
}

bool bmpSizeWritable(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  return bmpLayout(width, height).fileBytes <= UINT32_MAX;
}

bool composeBmpHeaders(int32_t width, int32_t height, uint8_t* out) {
  if (!bmpSizeWritable(width, height)) return false;
  const BmpLayout layout = bmpLayout(width, height);

  // File header.
  out[0] = 'B';
  out[1] = 'M';
  put32(out + 2, static_cast<uint32_t>(layout.fileBytes));
  put16(out + 6, 0);
  put16(out + 8, 0);
  put32(out + 10, kBmpHeaderBytes);

  // Info header: positive height, so rows run bottom to top as in a display
  // bitmap.
  put32(out + 14, 40);
  put32(out + 18, static_cast<uint32_t>(width));
  put32(out + 22, static_cast<uint32_t>(height));
  put16(out + 26, 1);
  put16(out + 28, 24);
  put32(out + 30, 0);  // BI_RGB: uncompressed
  put32(out + 34, static_cast<uint32_t>(layout.imageBytes));
  put32(out + 38, kPixelsPerMetre);
  put32(out + 42, kPixelsPerMetre);
  put32(out + 46, 0);
  put32(out + 50, 0);
  return true;
}
