// Display bitmaps: 24-bit bottom-up DIB sections made on the screen's device
// context, and the few facts the image core reads back from them.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

// A new 24-bit bottom-up DIB section of width x height, zero-filled, or null
// (impossible size, platform failure, or an injected DisplayBitmap failure).
HBITMAP createDisplayBitmap(int32_t width, int32_t height);

// What GetObjectA reports for a bitmap: zeros and null bits when it fails.
struct BitmapFacts {
  int32_t width;
  int32_t height;
  uint8_t* bits;
};
BitmapFacts describeBitmap(HBITMAP bitmap);
