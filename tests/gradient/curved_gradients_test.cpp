// Radial and wave gradients: exact values at the centre, the radius, the
// corners and quarter periods, the symmetries that catch whole classes of
// faults, and the sizes and frequencies at the edges.
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

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

using Renderer = int (*)();

struct ProbedValue { int x, y, red; };

class CurvedGradients : public StateTest {};

TEST_F(CurvedGradients, ValuesAtTheTrickyPoints) {
  const struct {
    const char* name;
    Renderer render;
    int32_t width, height;
    uint32_t start, end;
    std::vector<ProbedValue> probes;
    float frequency = 1.0f;
  } cases[] = {
      {"Radial", renderRadial, 512, 512, kWhite, kBlack,
       {{256, 256, 255}, {384, 256, 127}, {256, 0, 0}, {0, 256, 0}, {0, 0, 0}, {511, 511, 0}}},
      {"2x Radial", renderRadial2x, 512, 512, kWhite, kBlack,
       {{256, 256, 255}, {0, 256, 74}, {0, 0, 0}, {511, 511, 0}}},
      {"Radial 1x5", renderRadial, 1, 5, kBlack, kWhite,
       {{0, 0, 255}, {0, 1, 127}, {0, 2, 0}, {0, 3, 127}, {0, 4, 255}}},
      {"Radial 5x3", renderRadial, 5, 3, kBlack, 0xC8C8C8,
       {{0, 0, 200}, {1, 0, 141}, {2, 0, 100}, {3, 0, 141}, {4, 0, 200},
        {0, 1, 200}, {1, 1, 100}, {2, 1, 0}, {3, 1, 100}, {4, 1, 200},
        {0, 2, 200}, {1, 2, 141}, {2, 2, 100}, {3, 2, 141}, {4, 2, 200}}},
      {"Radial 1x1", renderRadial, 1, 1, 0x102030, 0x405060, {{0, 0, 0x60}}},
      {"2x Radial 1x1", renderRadial2x, 1, 1, 0x102030, 0x405060, {{0, 0, 0x60}}},
      // Past the 32-bit sum of squares (cx² + cy² > 2^31 - 1): centre, half the
      // radius (255 x 0.5 truncated), the radius, 49999 / 50000 of the way.
      {"Radial 100000 wide", renderRadial, 100000, 1, kBlack, kWhite,
       {{50000, 0, 0}, {25000, 0, 127}, {0, 0, 255}, {99999, 0, 254}}},
      {"Sine Vertical", renderSineVertical, 3, 512, kWhite, kBlack,
       {{0, 0, 127}, {1, 1, 129}, {2, 64, 217}, {0, 128, 254}, {0, 256, 127}, {0, 384, 0}, {0, 511, 125}}},
      {"Cosine Vertical", renderCosineVertical, 3, 512, kWhite, kBlack,
       {{0, 0, 255}, {0, 1, 254}, {0, 256, 0}, {0, 384, 127}}},
      {"Sine Vertical x2", renderSineVertical, 1, 512, kWhite, kBlack, {{0, 64, 254}, {0, 192, 0}}, 2.0f},
      {"Sine Horizontal", renderSineHorizontal, 512, 2, kWhite, kBlack,
       {{0, 0, 127}, {1, 1, 129}, {64, 0, 217}, {128, 1, 254}, {256, 0, 127}, {384, 0, 0}, {511, 1, 125}}},
      {"Cosine Horizontal", renderCosineHorizontal, 512, 2, kWhite, kBlack,
       {{0, 0, 255}, {1, 1, 254}, {256, 0, 0}, {384, 1, 127}}},
      {"Sine Vertical height 1", renderSineVertical, 4, 1, kWhite, kBlack, {{3, 0, 127}}},
      {"Cosine Vertical height 1", renderCosineVertical, 4, 1, kWhite, kBlack, {{3, 0, 255}}},
      {"Sine Radial", renderSineRadial, 512, 512, kWhite, kBlack, {{256, 256, 127}, {0, 0, 192}}},
      {"Cosine Radial", renderCosineRadial, 512, 512, kWhite, kBlack, {{256, 256, 255}, {0, 0, 18}}},
      {"2x Sine Radial", renderSineRadial2x, 512, 512, kWhite, kBlack, {{0, 256, 4}, {0, 0, 127}}},
      {"2x Cosine Radial", renderCosineRadial2x, 512, 512, kWhite, kBlack, {{0, 256, 93}, {0, 0, 254}}},
      // One pixel wide, a radial wave measures against the farther edge instead
      // of dividing by zero: one period over two pixels, not black.
      {"Cosine Radial 1x5", renderCosineRadial, 1, 5, kWhite, kBlack,
       {{0, 0, 254}, {0, 1, 0}, {0, 2, 255}, {0, 3, 0}, {0, 4, 254}}},
      // An angle step that overflows single precision has no meaningful wave;
      // the bytes are still defined (0 through toByte).
      {"Sine Radial, largest float", renderSineRadial, 5, 5, kWhite, kBlack,
       {{0, 0, 0}, {2, 2, 0}, {1, 3, 0}, {4, 1, 0}, {4, 4, 0}}, std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) {
    makeImage(c.width, c.height);
    setColors(c.start, c.end);
    state().frequency = c.frequency;
    ASSERT_EQ(c.render(), 1) << c.name;
    for (const ProbedValue& p : c.probes)
      EXPECT_EQ(pixel(p.x, p.y, 0), p.red) << c.name << " pixel (" << p.x << ", " << p.y << ")";
  }
}

const Renderer kCurved[] = {renderRadial,         renderRadial2x,       renderSineRadial,   renderCosineRadial,
                            renderSineRadial2x,   renderCosineRadial2x, renderSineVertical, renderCosineVertical,
                            renderSineHorizontal, renderCosineHorizontal};

// Radial types (the first six) depend only on |dx| and |dy| from the centre:
// mirrored pixels are equal, and in a square so are transposed ones.
TEST_F(CurvedGradients, RadialTypesAreSymmetricAroundTheCentre) {
  for (int type = 0; type < 6; ++type) {
    makeImage(41, 41);
    setColors(0x2060A0, 0xE01040);
    state().frequency = 2.5f;
    ASSERT_EQ(kCurved[type](), 1);
    for (int y = 0; y < 41; ++y)
      for (int x = 0; x < 41; ++x)
        for (int c = 0; c < 3; ++c)
          for (auto [mx, my] : {std::pair{40 - x, y}, std::pair{x, 40 - y}, std::pair{y, x}})
            ASSERT_EQ(pixel(mx, my, c), pixel(x, y, c)) << "radial type " << type << ", channel " << c << ": ("
                                                        << mx << ", " << my << ") vs (" << x << ", " << y << ")";
  }
}

TEST_F(CurvedGradients, EqualColoursGiveAUniformImage) {
  for (float frequency : {1.0f, 0.3f, 7.0f, 1e30f}) {
    for (Renderer render : kCurved) {
      makeImage(13, 9);
      setColors(0x3C7F1E, 0x3C7F1E);
      state().frequency = frequency;
      ASSERT_EQ(render(), 1);
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
          ASSERT_EQ((std::vector<int>{pixel(x, y, 0), pixel(x, y, 1), pixel(x, y, 2)}),
                    (std::vector<int>{0x1E, 0x7F, 0x3C})) << "frequency " << frequency << " (" << x << ", " << y << ")";
    }
  }
}

// The radial waves work most pixels out with a fast sine and send only the
// doubtful ones down the exact path; every pixel must still be the one the
// exact formula gives. The colours include pairs whose values land exactly on
// integers (0 to 2, 0 to 254: the centre's blend of one half) and the
// frequencies one whose angles are too large for the fast sine.
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
  const Renderer renderers[] = {renderSineRadial, renderCosineRadial, renderSineRadial2x, renderCosineRadial2x};
  for (const auto& c : cases) {
    for (int kind = 0; kind < 4; ++kind) {
      const bool cosine = kind % 2 == 1, halved = kind >= 2;
      makeImage(c.width, c.height);
      setColors(c.start, c.end);
      state().frequency = c.frequency;
      ASSERT_EQ(renderers[kind](), 1);
      const GradientColors colors = colorsFrom(c.start, c.end);
      const int64_t cx = c.width / 2, cy = c.height / 2;
      const int64_t nearer = std::min(cx, cy), farther = std::max(cx, cy);
      const double divisor = double(nearer > 0 ? nearer : farther > 0 ? farther : 1);
      const double step = float(((double(c.frequency) * k360) * kDegreesToRadians) / divisor);
      int wrong = 0;
      for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
          const double sum = double((x - cx) * (x - cx) + (y - cy) * (y - cy));
          const double angle = (halved ? std::sqrt(sum * kHalf) : std::sqrt(sum)) * step;
          const double blend = (kOne - (cosine ? portableCos(angle) : portableSin(angle))) * kHalf;
          for (int channel = 0; channel < 3; ++channel) {
            const float scaled = float(double(colors.difference(channel)) * k65536);
            if (pixel(x, y, channel) != fixedPointBlend(scaled, blend, colors.start[channel]) && ++wrong <= 3)
              ADD_FAILURE() << "type " << kind << ", " << c.width << "x" << c.height << " at frequency "
                            << c.frequency << ": pixel (" << x << ", " << y << ") channel " << channel;
          }
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

TEST(ToByte, TruncatesTowardZeroAndKeepsTheLowByte) {
  const struct {
    double value;
    int expected;
  } cases[] = {
      {127.99, 127}, {0.0, 0},   {-0.99, 0}, {-3.0, 253}, {-3.7, 253}, {256.5, 0}, {511.0, 255}, {2147483647.9, 255},
      {-2147483648.0, 0}, {2147483648.0, 0}, {-2147483649.0, 0}, {1e300, 0}, {-1e300, 0}, {HUGE_VAL, 0},
      {-HUGE_VAL, 0}, {NAN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(toByte(c.value), c.expected) << c.value;
}

}  // namespace
