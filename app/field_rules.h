// How the dialog's edit fields turn into sizes and frequencies and back: pure
// text rules, so they build and are tested on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

// The size typed into a width or height field. The decimal integer at the
// start of the text (leading white space and one sign allowed, stopping at the
// first non-digit); an empty text, no leading number, 0 or a negative number
// gives 256. A number beyond 32 bits gives INT32_MAX, a size that can never be
// allocated, rather than wrapping round.
int32_t sizeFromFieldText(const char* text);

// The frequency typed into the frequency field. The decimal floating-point
// number at the start of the text (white space, sign, fraction and exponent
// allowed; no hexadecimal, infinity or NaN), rounded to single precision. An
// empty text, no leading number, a value that is not greater than 0 (also
// after the rounding, which takes tiny values to 0) or one beyond the
// single-precision range gives 1.0.
float frequencyFromFieldText(const char* text);

// "%d" into `out`; the frequency with "%.3f" (widened to double) when that
// text reads back as the same frequency, otherwise with the fewest
// significant digits that do.
void formatSizeField(int32_t size, char* out, size_t outSize);
void formatFrequencyField(float frequency, char* out, size_t outSize);

constexpr int32_t kFieldDefaultSize = 256;
constexpr float kFieldDefaultFrequency = 1.0f;
