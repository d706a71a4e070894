// Linear and diagonal gradients where the digests do not reach, and the renderers' failures.
#include <gtest/gtest.h>

#include <vector>

#include "gradient/catalogue.h"
#include "gradient/renderers.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

int diagonalRL() { return renderDiagonal(1); }

using StraightGradients = StateTest;

// Sizes no digested setting has: past 16 bits, and one pixel (the end colour, 0xRRGGBB).
TEST_F(StraightGradients, ValuesAtTheTrickyPoints) {
  const struct {
    int (*render)();
    int32_t width, height, x, y;
    uint32_t start, end, rgb;
  } cases[] = {
      {renderLinearVertical, 2, 65537, 1, 65536, kBlack, kWhite, 0},  // a step of 0
      {renderLinearVertical, 1, 1, 0, 0, 0x563412, 0xABCDEF, 0x123456},
      {diagonalRL, 1, 1, 0, 0, 0x563412, 0xABCDEF, 0x123456},
  };
  for (const auto& c : cases) {
    makeImage(c.width, c.height);
    setColors(c.start, c.end);
    ASSERT_EQ(c.render(), 1);
    EXPECT_EQ(rgb(c.x, c.y), c.rgb) << "case " << &c - cases;
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
