// The size and frequency field rules, and what the fields then show.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "app/field_rules.h"

namespace {

TEST(FieldRules, SizeTextsGiveTheLeadingNumberOr256) {
  const std::pair<const char*, int32_t> cases[] = {
      {"", 256}, {"0", 256}, {"-5", 256}, {"abc", 256}, {"+", 256}, {"- 5", 256},  // the sign must touch the digits
      {"300abc", 300}, {"  \t42", 42}, {"+17", 17}, {"007", 7}, {"12 34", 12}, {"2147483647", INT32_MAX},
      // Past 32 bits: the largest size, never a wrapped one.
      {"2147483648", INT32_MAX}, {"4294967552", INT32_MAX}, {"99999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999", 256}};
  for (const auto& [text, size] : cases) EXPECT_EQ(sizeFromFieldText(text), size) << '"' << text << '"';
}

// shown (nullptr: not checked) reads back as the frequency in use, so field
// and image never disagree: three decimals only where they suffice.
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
      // No exponent without digits, no hexadecimal, infinity or NaN words.
      {"2e", 2.0f}, {"2e+", 2.0f}, {"0x10", 1.0f}, {"inf", 1.0f}, {"nan", 1.0f},
      {"1e-50", 1.0f}, {"1e-400", 1.0f},  // positive, but 0 in single precision
      // Rounded like the hardware; what single precision cannot hold is unusable.
      {"3.4028235e38", kMax}, {"3.40282356e38", kMax}, {"1e39", 1.0f, "1.000"}, {"1e400", 1.0f}};
  char shown[64];
  for (const auto& c : cases) {
    SCOPED_TRACE('"' + std::string(c.text) + '"');
    EXPECT_EQ(frequencyFromFieldText(c.text), c.frequency);
    formatFrequencyField(c.frequency, shown, sizeof shown);
    EXPECT_EQ(frequencyFromFieldText(shown), c.frequency) << "shown as \"" << shown << '"';
    if (c.shown) { EXPECT_STREQ(shown, c.shown); }
  }
}

}  // namespace
