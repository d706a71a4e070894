// Linear and diagonal gradients: exact values at the tricky rows, columns and
// corners, and the failure paths of the renderer contract.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gradient/renderers.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

class StraightGradients : public StateTest {};

TEST_F(StraightGradients, LinearVerticalRowValues) {
  struct Case {
    uint32_t start, end;
    int32_t height;
    std::vector<std::pair<int, int>> rowValues;
  } cases[] = {
      {kWhite, kBlack, 512, {{0, 255}, {1, 254}, {256, 127}, {511, 0}}},
      {kBlack, kWhite, 512, {{0, 0}, {1, 0}, {256, 127}, {511, 254}}},  // the last row is not white
      {kBlack, kWhite, 3, {{0, 0}, {1, 84}, {2, 169}}},
      {kBlack, kWhite, 65537, {{0, 0}, {65536, 0}}},  // step 0: every row the start colour
      {kWhite, kBlack, 1, {{0, 255}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "height " << c.height << " start " << std::hex << c.start);
    makeImage(2, c.height);
    setColors(c.start, c.end);
    ASSERT_EQ(renderLinearVertical(), 1);
    for (auto [row, value] : c.rowValues) {
      for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(pixel(0, row, channel), value) << "row " << row;
        EXPECT_EQ(pixel(1, row, channel), value) << "row " << row;
      }
    }
  }
}

TEST_F(StraightGradients, LinearChannelsAreIndependent) {
  makeImage(1, 3);
  setColors(0x00204080, 0x00FF0010);  // red 0x80 -> 0x10, green 0x40 -> 0x00, blue 0x20 -> 0xFF
  ASSERT_EQ(renderLinearVertical(), 1);
  // Row 1 of 3: S + floor(D x 21845 / 65536).
  EXPECT_EQ(pixel(0, 1, 0), 0x80 + ((0x10 - 0x80) * 21845 >> 16));
  EXPECT_EQ(pixel(0, 1, 1), 0x40 + ((0x00 - 0x40) * 21845 >> 16));
  EXPECT_EQ(pixel(0, 1, 2), 0x20 + ((0xFF - 0x20) * 21845 >> 16));
  EXPECT_EQ(pixel(0, 1, 0), 0x80 - 38) << "rounds toward minus infinity";
}

TEST_F(StraightGradients, LinearHorizontalCopiesRowZeroDown) {
  makeImage(512, 5);
  setColors(kWhite, kBlack);
  ASSERT_EQ(renderLinearHorizontal(), 1);
  const int expected[][2] = {{0, 255}, {1, 254}, {256, 127}, {511, 0}};
  for (auto [column, value] : expected) EXPECT_EQ(pixel(column, 0), value) << "column " << column;
  const size_t rowBytes = 512 * 3;
  for (int row = 1; row < 5; ++row)
    EXPECT_EQ(std::memcmp(state().image.pixels, state().image.pixels + row * rowBytes, rowBytes), 0) << row;
}

TEST_F(StraightGradients, LinearHorizontalWiderThan65536HasTheStartColour) {
  makeImage(65537, 1);
  setColors(0x123456, kWhite);
  ASSERT_EQ(renderLinearHorizontal(), 1);
  EXPECT_EQ(pixel(65536, 0, 0), 0x56);
  EXPECT_EQ(pixel(65536, 0, 2), 0x12);
}

TEST_F(StraightGradients, DiagonalCorners) {
  struct Case {
    uint32_t start, end;
    int direction;
    int corners[4];  // (0,0), (511,0), (0,511), (511,511)
  } cases[] = {
      {kWhite, kBlack, 0, {255, 127, 128, 0}},
      {kWhite, kBlack, 1, {127, 255, 0, 128}},
      {kBlack, kWhite, 0, {0, 127, 127, 254}},
  };
  for (const Case& c : cases) {
    makeImage(512, 512);
    setColors(c.start, c.end);
    ASSERT_EQ(renderDiagonal(c.direction), 1);
    const int xy[4][2] = {{0, 0}, {511, 0}, {0, 511}, {511, 511}};
    for (int i = 0; i < 4; ++i)
      for (int channel = 0; channel < 3; ++channel)
        EXPECT_EQ(pixel(xy[i][0], xy[i][1], channel), c.corners[i])
            << "direction " << c.direction << " corner (" << xy[i][0] << ", " << xy[i][1] << ")";
  }
}

TEST_F(StraightGradients, DiagonalRightToLeftMirrorsLeftToRight) {
  makeImage(37, 11);
  setColors(0x10E030, 0xF02080);
  ASSERT_EQ(renderDiagonal(0), 1);
  std::vector<uint8_t> leftToRight(state().image.pixels, state().image.pixels + state().image.byteSize);
  ASSERT_EQ(renderDiagonal(1), 1);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 37; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(pixel(x, y, c), leftToRight[(y * 37 + (36 - x)) * 3 + c]) << "(" << x << ", " << y << ")";
}

TEST_F(StraightGradients, OnePixelIsTheStartColourEverywhere) {
  for (auto render : {+[] { return renderLinearVertical(); }, +[] { return renderLinearHorizontal(); },
                      +[] { return renderDiagonal(0); }, +[] { return renderDiagonal(1); }}) {
    makeImage(1, 1);
    setColors(0x563412, 0xABCDEF);
    ASSERT_EQ(render(), 1);
    EXPECT_EQ(pixel(0, 0, 0), 0x12);
    EXPECT_EQ(pixel(0, 0, 1), 0x34);
    EXPECT_EQ(pixel(0, 0, 2), 0x56);
  }
}

TEST_F(StraightGradients, RenderersRefuseAnImageWithoutPixels) {
  for (auto render : {+[] { return renderLinearVertical(); }, +[] { return renderLinearHorizontal(); },
                      +[] { return renderDiagonal(0); }}) {
    releaseImageBuffer(state().image);
    EXPECT_EQ(render(), 0);
    EXPECT_EQ(state().image.bitmap, nullptr);
  }
}

TEST_F(StraightGradients, DiagonalWithoutTablesWritesNothing) {
  makeImage(6, 5);
  setColors(kWhite, kBlack);
  ASSERT_EQ(renderLinearVertical(), 1);
  std::vector<uint8_t> before(state().image.pixels, state().image.pixels + state().image.byteSize);
  HBITMAP bitmap = state().image.bitmap;
  allocation_faults::failAt(AllocationSite::DiagonalTables);
  EXPECT_EQ(renderDiagonal(0), 0);
  EXPECT_EQ(std::memcmp(before.data(), state().image.pixels, before.size()), 0);
  EXPECT_EQ(state().image.bitmap, bitmap);
}

}  // namespace
