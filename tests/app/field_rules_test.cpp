// The text rules of the dialog's size and frequency fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "ui/field_rules.h"

namespace {

struct SizeCase {
  const char* text;
  int32_t size;
};

TEST(FieldRules, SizeTextsGiveTheSizeOr256) {
  const SizeCase cases[] = {
      {"", 256},
      {"0", 256},
      {"-5", 256},
      {"-0", 256},
      {"abc", 256},
      {"+", 256},
      {"- 5", 256},           // the sign must touch the digits
      {"300abc", 300},
      {"  \t42", 42},
      {"+17", 17},
      {"007", 7},
      {"12 34", 12},
      {"1", 1},
      {"2147483647", 2147483647},
      // Past 32 bits: the largest size, which can never be allocated, rather
      // than a wrapped-round small or negative one.
      {"2147483648", INT32_MAX},
      {"4294967552", INT32_MAX},  // wraps to 256 in 32 bits
      {"99999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999", 256},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(sizeFromFieldText(c.text), c.size) << "text \"" << c.text << "\"";
  }
}

struct FrequencyCase {
  const char* text;
  float frequency;
};

TEST(FieldRules, FrequencyTextsGiveTheFrequencyOrOne) {
  const FrequencyCase cases[] = {
      {"", 1.0f},
      {"0", 1.0f},
      {"0.0", 1.0f},
      {"-2", 1.0f},
      {"abc", 1.0f},
      {".", 1.0f},
      {"0.33333", 0.33333f},
      {"2.5", 2.5f},
      {" +3.5x", 3.5f},
      {".5", 0.5f},
      {"4.", 4.0f},
      {"1e2", 100.0f},
      {"1E-1", 0.1f},
      {"2e", 2.0f},        // an exponent without digits is not part of the number
      {"2e+", 2.0f},
      {"1e-50", 1.0f},     // positive, but 0 in single precision: the wave needs more than 0
      {"0x10", 1.0f},      // no hexadecimal: the number is the 0 before the x
      {"inf", 1.0f},       // and no words
      {"nan", 1.0f},
      {"1e-400", 1.0f},    // underflows to 0
  };
  for (const FrequencyCase& c : cases) {
    EXPECT_EQ(frequencyFromFieldText(c.text), c.frequency) << "text \"" << c.text << "\"";
  }
}

TEST(FieldRules, FrequenciesBeyondSinglePrecisionRoundLikeTheHardware) {
  // Just above FLT_MAX still rounds down to it; far above becomes infinity
  // instead of an undefined conversion.
  EXPECT_EQ(frequencyFromFieldText("3.4028235e38"), std::numeric_limits<float>::max());
  EXPECT_EQ(frequencyFromFieldText("3.40282356e38"), std::numeric_limits<float>::max());
  EXPECT_EQ(frequencyFromFieldText("1e39"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(frequencyFromFieldText("1e400"), std::numeric_limits<float>::infinity());
}

TEST(FieldRules, FieldsShowTheStoredValues) {
  struct Shown {
    float frequency;
    const char* text;
  };
  const Shown frequencies[] = {
      {1.0f, "1.000"}, {0.33333f, "0.333"}, {2.5f, "2.500"}, {0.0005f, "0.001"}, {1234.5678f, "1234.568"},
  };
  char text[256];
  for (const Shown& s : frequencies) {
    formatFrequencyField(s.frequency, text, sizeof text);
    EXPECT_STREQ(text, s.text) << "frequency " << s.frequency;
  }
  formatSizeField(INT32_MAX, text, sizeof text);
  EXPECT_STREQ(text, "2147483647");
}

TEST(FieldRules, AFrequencyShownWithThreeDecimalsReadsBackAsThoseDecimals) {
  // 0.33333 is used as typed by the command that reads it; the field then
  // shows 0.333, which is what the next command reads.
  char text[256];
  const float typed = frequencyFromFieldText("0.33333");
  formatFrequencyField(typed, text, sizeof text);
  ASSERT_STREQ(text, "0.333");
  EXPECT_EQ(frequencyFromFieldText(text), 0.333f);
  EXPECT_NE(frequencyFromFieldText(text), typed);
}

}  // namespace
