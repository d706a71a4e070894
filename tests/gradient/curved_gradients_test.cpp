// Radial and wave gradients where the digests do not reach; radial waves at every pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "gradient/gradient_math.h"
#include "gradient/portable_trig.h"
#include "gradient/renderers.h"
#include "support/image_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

using CurvedGradients = StateTest;

// Points no digested setting has (a probe value is a grey level, or above 255 a 0xRRGGBB).
TEST_F(CurvedGradients, ValuesAtTheTrickyPoints) {
  const struct {
    const char* name;
    int (*render)();
    int32_t width, height;
    uint32_t start, end;
    std::vector<std::vector<uint32_t>> probes;  // x, y, value
    float frequency = 1.0f;
  } cases[] = {
      {"Radial 1x1 (the end colour)", renderRadial, 1, 1, 0x102030, 0x405060, {{0, 0, 0x605040}}},
      // Past a 32-bit sum of squares: centre, half the radius, radius, 49999 / 50000.
      {"Radial 100000 wide", renderRadial, 100000, 1, kBlack, kWhite,
       {{50000, 0, 0}, {25000, 0, 127}, {0, 0, 255}, {99999, 0, 254}}},
      // An angle step overflowing single precision: still defined bytes.
      {"Sine Radial, largest float", renderSineRadial, 5, 5, kWhite, kBlack,
       {{0, 0, 0}, {2, 2, 0}, {1, 3, 0}, {4, 1, 0}, {4, 4, 0}}, std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    makeImage(c.width, c.height);
    setColors(c.start, c.end);
    state().frequency = c.frequency;
    ASSERT_EQ(c.render(), 1);
    for (const auto& p : c.probes)
      EXPECT_EQ(rgb(p[0], p[1]), p[2] > 255 ? p[2] : p[2] * 0x010101u) << "at " << p[0] << ", " << p[1];
  }
}

// The fast sine's pixels equal the exact formula's: colours with values exactly on integers (0 to 2, 0 to 254),
// and a frequency whose angles are too large for the fast sine.
TEST_F(CurvedGradients, RadialWavesMatchTheExactFormulaAtEveryPixel) {
  const struct {
    int32_t width, height;
    uint32_t start, end;
    float frequency;
  } cases[] = {
      {64, 64, 0x000000, 0x020202, 1.0f},  {91, 37, 0x00FE00, 0xFE0000, 3.0f},
      {200, 150, 0xFFFFFF, 0x000000, 0.5f}, {73, 120, 0x123456, 0xFEDCBA, 17.25f},
      {48, 48, 0x808080, 0x7F7F7F, 2.0f},  {33, 61, 0x0A0B0C, 0xF0E0D0, 5e5f},
      {41, 2, 0x000000, 0xFFFFFF, 1.0f},   {9, 300, 0x336699, 0x996633, 0.01f},
      // Exact values within about 1e-5 of an integer (the last two at negative
      // frequencies): a margin too small, or a sign lost, shows here.
      {116, 231, 0xB98583, 0xFF00FF, 9.25f}, {296, 264, 0xFF0000, 0x34D091, -0x1.53df98p-2f},
      {492, 1, 0x0000FF, 0xFFFF01, -0x1.bcc44p+4f},
  };
  int (*const renderers[])() = {renderSineRadial, renderCosineRadial, renderSineRadial2x, renderCosineRadial2x};
  for (const auto& c : cases)
    for (int kind = 0; kind < 4; ++kind) {  // odd: cosine; from 2: the halved sum
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", " << c.width << "x" << c.height << ", " << c.frequency);
      makeImage(c.width, c.height);
      setColors(c.start, c.end);
      state().frequency = c.frequency;
      ASSERT_EQ(renderers[kind](), 1);
      const GradientColors colors = colorsFrom(c.start, c.end);
      const int64_t cx = c.width / 2, cy = c.height / 2, nearer = std::min(cx, cy);
      const double divisor = double(nearer > 0 ? nearer : std::max<int64_t>({cx, cy, 1}));
      const double step = float(double(c.frequency) * k360 * kDegreesToRadians / divisor);
      int wrong = 0;
      for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x) {
          const double sum = double((x - cx) * (x - cx) + (y - cy) * (y - cy));
          const double angle = std::sqrt(kind >= 2 ? sum * kHalf : sum) * step;
          const double blend = (kOne - (kind % 2 ? portableCos(angle) : portableSin(angle))) * kHalf;
          for (int ch = 0; ch < 3; ++ch) {
            const float scaled = float(double(colors.difference(ch)) * k65536);
            if (pixel(x, y, ch) != fixedPointBlend(scaled, blend, colors.start[ch]) && ++wrong <= 3)
              ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << ch;
          }
        }
      EXPECT_EQ(wrong, 0);
    }
}

TEST(WrapToByte, TruncatesTowardZeroAndKeepsTheLowByte) {
  const std::pair<double, int> cases[] = {
      {127.99, 127}, {-0.99, 0}, {-3.7, 253}, {256.5, 0}, {2147483647.9, 255}, {2147483648.0, 0},
      {-2147483649.0, 0}, {-1e300, 0}, {HUGE_VAL, 0}, {NAN, 0}};
  for (auto [value, expected] : cases) EXPECT_EQ(wrapToByte(value), expected) << value;
}

}  // namespace
