// Pure arithmetic of the two pixel layouts: the packed RGB rows that the
// renderers write, and the display layout (BGR, rows padded to 4 bytes,
// bottom-up). No platform calls, so both builds share it and it can be
// benchmarked and fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of one display-bitmap row: width x 3 rounded up to a multiple of 4.
inline uint64_t displayRowBytes(uint64_t width) { return (width * 3 + 3) & ~uint64_t{3}; }

// Writes the `height` packed rows of `width` pixels (RGB, top to bottom, no
// gap) into `display` (rows of displayRowBytes(width), BGR, bottom-up): the
// first and third byte of each pixel swap and the first row becomes the last.
// Alignment bytes are not touched.
void convertToDisplay(const uint8_t* pixels, uint32_t width, uint32_t height, uint8_t* display);
