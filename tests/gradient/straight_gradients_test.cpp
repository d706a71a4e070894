// Linear and diagonal gradients where the digests do not reach, and the renderers' failures.
#include <gtest/gtest.h>

#include <vector>

#include "gradient/catalogue.h"
#include "gradient/renderers.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

int diagonalLR() { return renderDiagonal(0); }
int diagonalRL() { return renderDiagonal(1); }

class StraightGradients : public StateTest {
 protected:
  uint32_t rgb(int x, int y) { return uint32_t(pixel(x, y, 0) << 16 | pixel(x, y, 1) << 8 | pixel(x, y, 2)); }
};

// Sizes no digested setting has (a probe value is a grey level, or above 255 a 0xRRGGBB).
TEST_F(StraightGradients, ValuesAtTheTrickyPoints) {
  const struct {
    int (*render)();
    int32_t width, height;
    uint32_t start, end;
    std::vector<std::vector<uint32_t>> probes;  // x, y, value
  } cases[] = {
      {renderLinearVertical, 2, 65537, kBlack, kWhite, {{1, 65536, 0}}},  // a step of 0
      {renderLinearVertical, 1, 1, 0x563412, 0xABCDEF, {{0, 0, 0x123456}}},
      {diagonalRL, 1, 1, 0x563412, 0xABCDEF, {{0, 0, 0x123456}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases << ", " << c.width << "x" << c.height);
    makeImage(c.width, c.height);
    setColors(c.start, c.end);
    ASSERT_EQ(c.render(), 1);
    for (const auto& p : c.probes)
      EXPECT_EQ(rgb(p[0], p[1]), p[2] > 255 ? p[2] : p[2] * 0x010101u) << "at " << p[0] << ", " << p[1];
  }
}

TEST_F(StraightGradients, FailuresWriteNothing) {
  for (int32_t type = 0; type < kGradientTypeCount; ++type) {
    releaseImageBuffer(state().image);
    EXPECT_EQ(gradientInfo(type)->render(), 0) << type;
    EXPECT_EQ(state().image.bitmap, nullptr);
  }
  makeImage(6, 5);
  setColors(kWhite, kBlack);
  ASSERT_EQ(renderLinearVertical(), 1);
  const std::vector<uint8_t> before(state().image.pixels, state().image.pixels + state().image.byteSize);
  const HBITMAP bitmap = state().image.bitmap;
  allocation_faults::failAt(AllocationSite::DiagonalTables);
  EXPECT_EQ(renderDiagonal(0), 0);
  EXPECT_EQ(std::vector<uint8_t>(state().image.pixels, state().image.pixels + state().image.byteSize), before);
  EXPECT_EQ(state().image.bitmap, bitmap);
}

}  // namespace
