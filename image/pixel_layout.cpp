#include "pixel_layout.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Four pixels as three little-endian words: bytes r0 g0 b0 r1 | g1 b1 r2 g2 |
// b2 r3 g3 b3 become b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3.
inline void swapFourPixels(const uint8_t* source, uint8_t* destination) {
  uint32_t a, b, c;
  std::memcpy(&a, source, 4);
  std::memcpy(&b, source + 4, 4);
  std::memcpy(&c, source + 8, 4);
  const uint32_t first = ((a >> 16) & 0xFFu) | (a & 0xFF00u) | ((a & 0xFFu) << 16) | ((b & 0xFF00u) << 16);
  const uint32_t second = (b & 0xFFu) | ((a >> 16) & 0xFF00u) | ((c & 0xFFu) << 16) | (b & 0xFF000000u);
  const uint32_t third = ((b >> 16) & 0xFFu) | ((c >> 16) & 0xFF00u) | (c & 0xFF0000u) | ((c & 0xFF00u) << 16);
  std::memcpy(destination, &first, 4);
  std::memcpy(destination + 4, &second, 4);
  std::memcpy(destination + 8, &third, 4);
}

#if defined(__SSE2__)
// Sixteen pixels in three registers. Within each pixel the first and third
// bytes trade places: a byte whose position is 0 (mod 3) takes the byte two
// after it, one at 2 (mod 3) the byte two before it, and one at 1 stays. The
// masks pick the bytes of each position; the pattern shifts by one position
// from register to register (16 = 1 mod 3).
inline void swapSixteenPixels(const uint8_t* source, uint8_t* destination) {
  const __m128i first = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i second = _mm_slli_si128(first, 1);
  const __m128i third = _mm_slli_si128(first, 2);
  const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
  const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 16));
  const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 32));
  // Each register with every byte moved two places down (the byte two after)
  // or up (the byte two before), borrowing across register edges.
  const __m128i after0 = _mm_or_si128(_mm_srli_si128(v0, 2), _mm_slli_si128(v1, 14));
  const __m128i after1 = _mm_or_si128(_mm_srli_si128(v1, 2), _mm_slli_si128(v2, 14));
  const __m128i after2 = _mm_srli_si128(v2, 2);
  const __m128i before0 = _mm_slli_si128(v0, 2);
  const __m128i before1 = _mm_or_si128(_mm_slli_si128(v1, 2), _mm_srli_si128(v0, 14));
  const __m128i before2 = _mm_or_si128(_mm_slli_si128(v2, 2), _mm_srli_si128(v1, 14));
  const __m128i out0 = _mm_or_si128(_mm_or_si128(_mm_and_si128(v0, second), _mm_and_si128(after0, first)),
                                    _mm_and_si128(before0, third));
  const __m128i out1 = _mm_or_si128(_mm_or_si128(_mm_and_si128(v1, first), _mm_and_si128(after1, third)),
                                    _mm_and_si128(before1, second));
  const __m128i out2 = _mm_or_si128(_mm_or_si128(_mm_and_si128(v2, third), _mm_and_si128(after2, second)),
                                    _mm_and_si128(before2, first));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), out0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 16), out1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 32), out2);
}
#endif

void swapRow(const uint8_t* source, uint8_t* destination, uint32_t width) {
  uint32_t x = 0;
#if defined(__SSE2__)
  for (; x + 16 <= width; x += 16, source += 48, destination += 48) swapSixteenPixels(source, destination);
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Word arithmetic instead of one byte at a time: the swap is most of updateBitmap.
  for (; x + 4 <= width; x += 4, source += 12, destination += 12) swapFourPixels(source, destination);
#endif
  for (; x < width; ++x, source += 3, destination += 3) {
    destination[0] = source[2];
    destination[1] = source[1];
    destination[2] = source[0];
  }
}

}  // namespace

void convertToDisplay(const uint8_t* pixels, uint32_t width, uint32_t height, uint8_t* display) {
  const uint64_t displayRow = displayRowBytes(width);
  const uint64_t sourceRow = uint64_t{width} * 3;
  // Each row straight to its final place, bottom-up.
  for (uint32_t y = 0; y < height; ++y)
    swapRow(pixels + y * sourceRow, display + (uint64_t{height} - 1 - y) * displayRow, width);
}
