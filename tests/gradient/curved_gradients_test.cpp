// Radial and wave gradients: exact values at the centre, the radius, the
// corners and quarter periods, the symmetries that catch whole classes of
// faults, and the sizes and frequencies at the edges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gradient/gradient_math.h"
#include "gradient/renderers.h"
#include "support/image_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

using Renderer = int (*)();

struct ProbedValue {
  int x, y, value;
};

struct RenderCase {
  const char* name;
  Renderer render;
  int32_t width, height;
  uint32_t start, end;
  float frequency;
  std::vector<ProbedValue> probes;
};

class CurvedGradients : public StateTest {
 protected:
  void check(const RenderCase& c) {
    SCOPED_TRACE(c.name);
    makeImage(c.width, c.height);
    setColors(c.start, c.end);
    state().frequency = c.frequency;
    ASSERT_EQ(c.render(), 1);
    for (const ProbedValue& p : c.probes)
      EXPECT_EQ(pixel(p.x, p.y, 0), p.value) << c.name << " pixel (" << p.x << ", " << p.y << ")";
  }
};

TEST_F(CurvedGradients, ValuesAtTheTrickyPoints) {
  const RenderCase cases[] = {
      {"Radial", renderRadial, 512, 512, kWhite, kBlack, 1.0f,
       {{256, 256, 255}, {384, 256, 127}, {256, 0, 0}, {0, 256, 0}, {0, 0, 0}, {511, 511, 0}}},
      {"2x Radial", renderRadial2x, 512, 512, kWhite, kBlack, 1.0f,
       {{256, 256, 255}, {0, 256, 74}, {0, 0, 0}, {511, 511, 0}}},
      {"Radial 1x5", renderRadial, 1, 5, kBlack, kWhite, 1.0f,
       {{0, 0, 255}, {0, 1, 127}, {0, 2, 0}, {0, 3, 127}, {0, 4, 255}}},
      {"Radial 5x3", renderRadial, 5, 3, kBlack, 0xC8C8C8, 1.0f,
       {{0, 0, 200}, {1, 0, 141}, {2, 0, 100}, {3, 0, 141}, {4, 0, 200},
        {0, 1, 200}, {1, 1, 100}, {2, 1, 0}, {3, 1, 100}, {4, 1, 200},
        {0, 2, 200}, {1, 2, 141}, {2, 2, 100}, {3, 2, 141}, {4, 2, 200}}},
      {"Radial 1x1", renderRadial, 1, 1, 0x102030, 0x405060, 1.0f, {{0, 0, 0x60}}},
      {"2x Radial 1x1", renderRadial2x, 1, 1, 0x102030, 0x405060, 1.0f, {{0, 0, 0x60}}},
      {"Sine Vertical", renderSineVertical, 3, 512, kWhite, kBlack, 1.0f,
       {{0, 0, 127}, {1, 1, 129}, {2, 64, 217}, {0, 128, 254}, {0, 256, 127}, {0, 384, 0}, {0, 511, 125}}},
      {"Cosine Vertical", renderCosineVertical, 3, 512, kWhite, kBlack, 1.0f,
       {{0, 0, 255}, {0, 1, 254}, {0, 256, 0}, {0, 384, 127}}},
      {"Sine Vertical x2", renderSineVertical, 1, 512, kWhite, kBlack, 2.0f, {{0, 64, 254}, {0, 192, 0}}},
      {"Sine Horizontal", renderSineHorizontal, 512, 2, kWhite, kBlack, 1.0f,
       {{0, 0, 127}, {1, 1, 129}, {64, 0, 217}, {128, 1, 254}, {256, 0, 127}, {384, 0, 0}, {511, 1, 125}}},
      {"Cosine Horizontal", renderCosineHorizontal, 512, 2, kWhite, kBlack, 1.0f,
       {{0, 0, 255}, {1, 1, 254}, {256, 0, 0}, {384, 1, 127}}},
      {"Sine Radial", renderSineRadial, 512, 512, kWhite, kBlack, 1.0f, {{256, 256, 127}, {0, 0, 192}}},
      {"Cosine Radial", renderCosineRadial, 512, 512, kWhite, kBlack, 1.0f, {{256, 256, 255}, {0, 0, 18}}},
      {"2x Sine Radial", renderSineRadial2x, 512, 512, kWhite, kBlack, 1.0f, {{0, 256, 4}, {0, 0, 127}}},
      {"2x Cosine Radial", renderCosineRadial2x, 512, 512, kWhite, kBlack, 1.0f, {{0, 256, 93}, {0, 0, 254}}},
      {"Sine Vertical height 1", renderSineVertical, 4, 1, kWhite, kBlack, 1.0f, {{3, 0, 127}}},
      {"Cosine Vertical height 1", renderCosineVertical, 4, 1, kWhite, kBlack, 1.0f, {{3, 0, 255}}},
  };
  for (const RenderCase& c : cases) check(c);
}

// Radial types depend only on |dx| and |dy| from the centre: mirrored pixels
// inside the image are equal, and in a square so are transposed ones.
TEST_F(CurvedGradients, RadialTypesAreSymmetricAroundTheCentre) {
  const Renderer radialTypes[] = {renderRadial,       renderRadial2x,    renderSineRadial,
                                  renderCosineRadial, renderSineRadial2x, renderCosineRadial2x};
  for (Renderer render : radialTypes) {
    makeImage(41, 41);
    setColors(0x2060A0, 0xE01040);
    state().frequency = 2.5f;
    ASSERT_EQ(render(), 1);
    for (int y = 0; y < 41; ++y)
      for (int x = 0; x < 41; ++x)
        for (int c = 0; c < 3; ++c) {
          ASSERT_EQ(pixel(x, y, c), pixel(40 - x, y, c)) << "(" << x << ", " << y << ")";
          ASSERT_EQ(pixel(x, y, c), pixel(x, 40 - y, c)) << "(" << x << ", " << y << ")";
          ASSERT_EQ(pixel(x, y, c), pixel(y, x, c)) << "(" << x << ", " << y << ")";
        }
  }
}

TEST_F(CurvedGradients, EqualColoursGiveAUniformImage) {
  const Renderer all[] = {renderRadial,        renderRadial2x,       renderSineVertical,
                          renderCosineVertical, renderSineHorizontal, renderCosineHorizontal,
                          renderSineRadial,    renderCosineRadial,   renderSineRadial2x,
                          renderCosineRadial2x};
  for (float frequency : {1.0f, 0.3f, 7.0f, 1e30f}) {
    for (Renderer render : all) {
      makeImage(13, 9);
      setColors(0x3C7F1E, 0x3C7F1E);
      state().frequency = frequency;
      ASSERT_EQ(render(), 1);
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
          ASSERT_TRUE(pixel(x, y, 0) == 0x1E && pixel(x, y, 1) == 0x7F && pixel(x, y, 2) == 0x3C)
              << "frequency " << frequency << " pixel (" << x << ", " << y << ")";
    }
  }
}

// A frequency so large that the angle step overflows single precision has no
// meaningful wave; it must still give defined bytes (0 through toByte).
TEST_F(CurvedGradients, AbsurdFrequenciesGiveDefinedPixels) {
  makeImage(5, 5);
  setColors(kWhite, kBlack);
  state().frequency = std::numeric_limits<float>::max();
  ASSERT_EQ(renderSineRadial(), 1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pixel(x, y, 0), 0) << "(" << x << ", " << y << ")";
}

// One pixel wide or high, the radial waves measure against the farther edge
// instead of dividing by zero: a 1 x 5 column gets one period over two pixels.
TEST_F(CurvedGradients, ThinRadialWavesAreNotBlack) {
  makeImage(1, 5);
  setColors(kWhite, kBlack);
  state().frequency = 1.0f;
  ASSERT_EQ(renderCosineRadial(), 1);
  // Distance 1 is half a period (the end colour, or one step short of it),
  // distances 0 and 2 start a period (the start colour, or one step short).
  const int expected[5] = {254, 0, 255, 0, 254};
  for (int y = 0; y < 5; ++y) EXPECT_NEAR(pixel(0, y, 0), expected[y], 1) << "row " << y;
  EXPECT_EQ(pixel(0, 2, 0), 255);
  EXPECT_EQ(pixel(0, 1, 0), pixel(0, 3, 0));
}

// Past the 32-bit sum of squares (cx² + cy² > 2^31 - 1) the geometry stays right.
TEST_F(CurvedGradients, VeryWideRadialKeepsItsGeometry) {
  makeImage(100000, 1);
  setColors(kBlack, kWhite);
  ASSERT_EQ(renderRadial(), 1);
  EXPECT_EQ(pixel(50000, 0, 0), 0);     // centre
  EXPECT_EQ(pixel(25000, 0, 0), 127);   // half the radius: 255 x 0.5 truncated
  EXPECT_EQ(pixel(0, 0, 0), 255);       // at the radius
  EXPECT_EQ(pixel(99999, 0, 0), 254);   // 49999 / 50000 of the way
}

TEST(ToByte, TruncatesTowardZeroAndKeepsTheLowByte) {
  const struct {
    double value;
    int expected;
  } cases[] = {
      {127.99, 127},  {0.0, 0},        {-0.99, 0},      {-3.0, 253},         {-3.7, 253},
      {256.5, 0},     {511.0, 255},    {2147483647.9, 255}, {-2147483648.0, 0}, {2147483648.0, 0},
      {-2147483649.0, 0}, {1e300, 0},  {-1e300, 0},
      {std::numeric_limits<double>::infinity(), 0},
      {-std::numeric_limits<double>::infinity(), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(toByte(c.value), c.expected) << c.value;
}

}  // namespace
