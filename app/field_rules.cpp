#include "field_rules.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

// The C locale's white space, which is what the platform's conversions skip.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char* skipSpace(const char* text) {
  while (isSpace(*text)) ++text;
  return text;
}

// Rounds to nearest single precision, also past the float range, where a
// plain conversion would be undefined: beyond the midpoint between FLT_MAX and
// 2^128 the result is infinity (the tie goes to the even side, infinity).
float roundToSingle(double value) {
  if (value > FLT_MAX) {
    const double midpoint = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
    return value >= midpoint ? std::numeric_limits<float>::infinity() : FLT_MAX;
  }
  return static_cast<float>(value);
}

}  // namespace

int32_t sizeFromFieldText(const char* text) {
  if (!text) return kFieldDefaultSize;
  const char* p = skipSpace(text);
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Saturate instead of overflowing: any value past INT32_MAX behaves alike.
  int64_t value = 0;
  for (; isDigit(*p); ++p) {
    if (value <= INT32_MAX) value = value * 10 + (*p - '0');
  }
  if (negative || value == 0) return kFieldDefaultSize;
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

float frequencyFromFieldText(const char* text) {
  if (!text) return kFieldDefaultFrequency;
  // Take only the decimal prefix, so strtod cannot read hexadecimal, "inf" or
  // "nan", and let it do the correctly rounded conversion.
  const char* start = skipSpace(text);
  const char* p = start;
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  while (isDigit(*p)) ++p;
  bool anyDigit = p != digits;
  if (*p == '.') {
    const char* fraction = ++p;
    while (isDigit(*p)) ++p;
    anyDigit = anyDigit || p != fraction;
  }
  if (!anyDigit) return kFieldDefaultFrequency;
  if (*p == 'e' || *p == 'E') {
    const char* exponent = p + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    if (isDigit(*exponent)) {
      p = exponent;
      while (isDigit(*p)) ++p;
    }
  }
  const std::string number(start, p);
  const float frequency = roundToSingle(std::strtod(number.c_str(), nullptr));
  // A value single precision cannot hold finitely is as unusable as letters.
  return frequency > 0.0f && !std::isinf(frequency) ? frequency : kFieldDefaultFrequency;
}

void formatSizeField(int32_t size, char* out, size_t outSize) {
  std::snprintf(out, outSize, "%d", static_cast<int>(size));
}

void formatFrequencyField(float frequency, char* out, size_t outSize) {
  // Three decimals, unless they would read back as another frequency than
  // the one in use (0.33333, 0.0001): then the fewest significant digits that
  // do, so the field never disagrees with the image.
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(frequency));
  for (int digits = 1; frequencyFromFieldText(text) != frequency && digits <= 9; ++digits)
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(frequency));
  std::snprintf(out, outSize, "%s", text);
}
