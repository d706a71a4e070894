// Thumbnail reduction of a display bitmap: its rows are read into a pixel
// block, reduced by area averaging (area_average.h) and written into a new
// display bitmap of the target size.
#pragma once

#include <cstdint>

#include "image/area_average.h"
#include "platform/gdi.h"

// A new display bitmap of targetWidth x targetHeight holding the area average
// of `source`, owned by the caller. Null for a null source, a target side of
// 0 or less, a target larger than the source along either axis, or when the
// target bitmap cannot be made. When the source cannot be read or reduced
// (memory), the target bitmap comes back as created: black; `complete`, when
// given, then says false (true when the average arrived in the bitmap).
HBITMAP downscaleBitmap(HBITMAP source, int32_t targetWidth, int32_t targetHeight, bool* complete = nullptr);

// The header of a transfer between a pixel block and a bitmap: 24 bits,
// top row first (negative height).
void setTopDownHeader(BITMAPINFOHEADER& header, uint32_t width, uint32_t height);

// Allocates `block` to the bitmap's size and reads the bitmap's rows into it
// with GetDIBits, top row first, bytes blue, green, red. Returns true with the
// block filled, or false with it empty.
bool readPixelBlock(HBITMAP bitmap, PixelBlock& block);

// Writes the block's pixels into the bitmap with SetDIBits. False, having
// written nothing, for an empty block.
bool writePixelBlock(const PixelBlock& block, HBITMAP bitmap);
