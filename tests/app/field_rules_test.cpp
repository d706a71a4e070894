// The text rules of the dialog's size and frequency fields, and what the
// fields then show (and so what the next command reads).
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "app/field_rules.h"

namespace {

TEST(FieldRules, SizeTextsGiveTheLeadingNumberOr256) {
  const struct {
    const char* text;
    int32_t size;
  } cases[] = {
      {"", 256}, {"0", 256}, {"-5", 256}, {"abc", 256}, {"+", 256}, {"- 5", 256},  // the sign must touch the digits
      {"300abc", 300}, {"  \t42", 42}, {"+17", 17}, {"007", 7}, {"12 34", 12}, {"2147483647", INT32_MAX},
      // Past 32 bits: the largest size, never a wrapped one (4294967552 wraps to 256).
      {"2147483648", INT32_MAX}, {"4294967552", INT32_MAX}, {"99999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999", 256}};
  for (const auto& c : cases) EXPECT_EQ(sizeFromFieldText(c.text), c.size) << '"' << c.text << '"';
}

// shown: the field after the command (nullptr: not checked), to three
// decimals where they read back as the frequency in use, so field and image
// never disagree: 0.33333 is used as typed and shown as typed.
TEST(FieldRules, FrequencyTextsGiveTheLeadingNumberOrOneAsShown) {
  constexpr float kMax = std::numeric_limits<float>::max();
  const struct {
    const char* text;
    float frequency;
    const char* shown = nullptr;
  } cases[] = {
      {"", 1.0f, "1.000"}, {"0", 1.0f}, {"0.0", 1.0f}, {"-2", 1.0f}, {"abc", 1.0f}, {".", 1.0f},
      {"0.33333", 0.33333f, "0.33333"}, {" +3.5x", 3.5f, "3.500"}, {".5", 0.5f}, {"4.", 4.0f}, {"1e2", 100.0f},
      {"1E-1", 0.1f, "0.100"}, {"0.0005", 0.0005f, "0.0005"}, {"0.0001", 0.0001f, "0.0001"},
      {"1234.5678", 1234.5678f, "1234.5677"}, {"1e-40", 1e-40f, "1e-40"},
      // An exponent without digits is not part of the number; no hexadecimal
      // (the number is the 0 before the x), infinity or NaN words.
      {"2e", 2.0f}, {"2e+", 2.0f}, {"0x10", 1.0f}, {"inf", 1.0f}, {"nan", 1.0f},
      {"1e-50", 1.0f}, {"1e-400", 1.0f},  // positive, but 0 in single precision
      // Rounded like the hardware: just above FLT_MAX still to it; what
      // single precision cannot hold finitely is unusable like other text.
      {"3.4028235e38", kMax}, {"3.40282356e38", kMax}, {"1e39", 1.0f, "1.000"}, {"1e400", 1.0f}};
  char shown[64];
  for (const auto& c : cases) {
    SCOPED_TRACE('"' + std::string(c.text) + '"');
    EXPECT_EQ(frequencyFromFieldText(c.text), c.frequency);
    formatFrequencyField(c.frequency, shown, sizeof shown);
    EXPECT_EQ(frequencyFromFieldText(shown), c.frequency) << "shown as \"" << shown << '"';
    if (c.shown) {
      EXPECT_STREQ(shown, c.shown);
    }
  }
}

}  // namespace
