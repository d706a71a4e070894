// Pure arithmetic of the two pixel layouts: the packed RGB rows that the
// renderers write, and the display layout (BGR, rows padded to 4 bytes,
// bottom-up). No platform calls, so both builds share it and it can be
// benchmarked and fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of one display-bitmap row: width x 3 rounded up to a multiple of 4.
inline uint64_t displayRowBytes(uint64_t width) { return (width * 3 + 3) & ~uint64_t{3}; }

// Describes how updateBitmap copies a pixel block into a display bitmap.
struct DisplayConversion {
  const uint8_t* pixels;   // packed pixel rows, 3 bytes a pixel
  uint32_t byteSize;       // size of the pixel block
  uint32_t width;          // pixels a row
  uint32_t height;         // rows
  uint32_t rowSkip;        // bytes skipped in the pixel block after each row
  bool keepChannelOrder;   // false: swap the first and third byte of each pixel
  bool keepRowOrder;       // false: the first pixel row becomes the last display row
};

// Writes every pixel of `from` into `display` (rows of displayRowBytes(width),
// height of them); alignment bytes are not touched. Returns false, having
// copied in row order only the pixels that lie within the block, when the
// rows with their skips would run past its end.
bool convertToDisplay(const DisplayConversion& from, uint8_t* display);

// Reverses the order of `rowCount` rows of `rowLength` bytes in place, through
// one row of scratch. Returns 1, or 0 (rows unchanged) for a null pointer, a
// zero length or count, or when the scratch row cannot be allocated.
int flipRows(uint8_t* rows, uint32_t rowLength, uint32_t rowCount);
