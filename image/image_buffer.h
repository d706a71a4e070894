// The program's image: a heap block of packed pixels (rows top to bottom,
// bytes red, green, blue, no gap between rows) and the display bitmap made
// from it (a 24-bit bottom-up DIB section, bytes blue, green, red, rows
// padded to 4 bytes). A record owns both and releases them exactly once.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

struct ImageBuffer {
  uint8_t* pixels = nullptr;
  HBITMAP bitmap = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  uint32_t byteSize = 0;
  int32_t rowBytes = 0;

  ImageBuffer() = default;
  ~ImageBuffer();
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;
};

// True when the byte counts of a W x H image of the depth, and of its BMP
// file, fit in 32 bits (the row in 31): the sizes createImageBuffer accepts.
bool imageSizeFits(int32_t width, int32_t height, int32_t bitsPerPixel);

// Allocates a zero-filled pixel block and an all-black display bitmap. Returns
// 1, or 0: for a zero or negative size, a depth other than 16/24/32, or a size
// whose byte counts do not fit in 32 bits the record is untouched; when memory
// runs out it is left without pixels (sizes only, or empty).
int createImageBuffer(ImageBuffer& image, int32_t width, int32_t height, int32_t bitsPerPixel);

// Rebuilds the display bitmap from the pixels. 1 on success; 0 when there are
// no pixels, the depth is not 24, or the new bitmap cannot be made.
int updateBitmap(ImageBuffer& image);

void deleteBitmap(ImageBuffer& image);
void releaseImageBuffer(ImageBuffer& image);

// Releases `destination`, hands it everything `source` owns, and empties `source`.
void moveImageBuffer(ImageBuffer& destination, ImageBuffer& source);

// A new display bitmap of the size, filled with black, owned by the caller; or null.
HBITMAP createBlackBitmap(int32_t width, int32_t height);
