// The text rules of the dialog's size and frequency fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "ui/field_rules.h"

namespace {

TEST(FieldRules, SizeTextsGiveTheLeadingNumberOr256) {
  const struct {
    const char* text;
    int32_t size;
  } cases[] = {
      {"", 256}, {"0", 256}, {"-5", 256}, {"-0", 256}, {"abc", 256}, {"+", 256},
      {"- 5", 256},  // the sign must touch the digits
      {"300abc", 300}, {"  \t42", 42}, {"+17", 17}, {"007", 7}, {"12 34", 12}, {"2147483647", 2147483647},
      // Past 32 bits: the largest size, which can never be allocated, rather
      // than a wrapped-round small or negative one (4294967552 wraps to 256).
      {"2147483648", INT32_MAX}, {"4294967552", INT32_MAX}, {"99999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999", 256},
  };
  for (const auto& c : cases) EXPECT_EQ(sizeFromFieldText(c.text), c.size) << "text \"" << c.text << "\"";
}

TEST(FieldRules, FrequencyTextsGiveTheLeadingNumberOrOne) {
  constexpr float kMax = std::numeric_limits<float>::max(), kInfinity = std::numeric_limits<float>::infinity();
  const struct {
    const char* text;
    float frequency;
  } cases[] = {
      {"", 1.0f}, {"0", 1.0f}, {"0.0", 1.0f}, {"-2", 1.0f}, {"abc", 1.0f}, {".", 1.0f},
      {"0.33333", 0.33333f}, {" +3.5x", 3.5f}, {".5", 0.5f}, {"4.", 4.0f}, {"1e2", 100.0f}, {"1E-1", 0.1f},
      // An exponent without digits is not part of the number; no hexadecimal
      // (the number is the 0 before the x), infinity or NaN words.
      {"2e", 2.0f}, {"2e+", 2.0f}, {"0x10", 1.0f}, {"inf", 1.0f}, {"nan", 1.0f},
      // Positive but 0 in single precision: the wave needs more than 0.
      {"1e-50", 1.0f}, {"1e-400", 1.0f},
      // Rounded like the hardware: just above FLT_MAX still to it, far above
      // to infinity rather than an undefined conversion.
      {"3.4028235e38", kMax}, {"3.40282356e38", kMax}, {"1e39", kInfinity}, {"1e400", kInfinity},
  };
  for (const auto& c : cases) EXPECT_EQ(frequencyFromFieldText(c.text), c.frequency) << "text \"" << c.text << "\"";
}

// What the fields show after a command, and so what the next one reads: a
// frequency typed as 0.33333 is used as typed, then shown as 0.333.
TEST(FieldRules, FieldsShowWholeSizesAndFrequenciesToThreeDecimals) {
  const struct {
    float frequency;
    const char* shown;
  } cases[] = {{1.0f, "1.000"}, {0.33333f, "0.333"}, {0.0005f, "0.001"}, {1234.5678f, "1234.568"}};
  char text[32];
  for (const auto& c : cases) {
    formatFrequencyField(c.frequency, text, sizeof text);
    EXPECT_STREQ(text, c.shown) << "frequency " << c.frequency;
  }
  formatSizeField(INT32_MAX, text, sizeof text);
  EXPECT_STREQ(text, "2147483647");
}

}  // namespace
