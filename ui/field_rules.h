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
// allowed; no hexadecimal, infinity or NaN), rounded to single precision and
// then to the three decimals the field shows, so that the field's text reads
// back as the frequency in use. An empty text, no leading number, a value
// beyond the single-precision range, or one that is not greater than 0 (also
// after the rounding, which takes values below 0.0005 to 0) gives 1.0.
float frequencyFromFieldText(const char* text);

// "%d" and "%.3f" into `out`; the frequency is widened to double first.
void formatSizeField(int32_t size, char* out, size_t outSize);
void formatFrequencyField(float frequency, char* out, size_t outSize);

constexpr int32_t kFieldDefaultSize = 256;
constexpr float kFieldDefaultFrequency = 1.0f;
