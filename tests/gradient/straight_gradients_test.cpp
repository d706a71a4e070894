// Linear and diagonal gradients: exact values at the tricky rows, columns and
// corners, and the failure paths of the renderer contract. Whole images are
// pinned by render_digest_test.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "gradient/renderers.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

class StraightGradients : public StateTest {};

// Vertical along rows of a 2-wide image, horizontal along columns of a 2-high
// one; both pixels across, every channel.
TEST_F(StraightGradients, LinearValuesAlongTheAxis) {
  const struct {
    uint32_t start, end;
    int32_t length;
    std::vector<std::pair<int, int>> positionValues;
  } cases[] = {
      {kWhite, kBlack, 512, {{0, 255}, {1, 254}, {256, 127}, {511, 0}}},
      {kBlack, kWhite, 512, {{0, 0}, {1, 0}, {256, 127}, {511, 254}}},  // the last row is not white
      {kBlack, kWhite, 3, {{0, 0}, {1, 84}, {2, 169}}},
      {kBlack, kWhite, 65537, {{0, 0}, {65536, 0}}},  // step 0: every row the start colour
  };
  for (bool vertical : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << (vertical ? "vertical" : "horizontal") << ", length " << c.length
                                      << ", start " << std::hex << c.start);
      makeImage(vertical ? 2 : c.length, vertical ? c.length : 2);
      setColors(c.start, c.end);
      ASSERT_EQ(vertical ? renderLinearVertical() : renderLinearHorizontal(), 1);
      for (auto [position, value] : c.positionValues)
        for (int across = 0; across < 2; ++across)
          for (int channel = 0; channel < 3; ++channel)
            EXPECT_EQ(vertical ? pixel(across, position, channel) : pixel(position, across, channel), value)
                << "position " << position << ", " << across << " across, channel " << channel;
    }
  }
}

TEST_F(StraightGradients, DiagonalCorners) {
  const struct {
    uint32_t start, end;
    int direction;
    int corners[4];  // (0,0), (511,0), (0,511), (511,511)
  } cases[] = {
      {kWhite, kBlack, 0, {255, 127, 128, 0}},
      {kWhite, kBlack, 1, {127, 255, 0, 128}},
      {kBlack, kWhite, 0, {0, 127, 127, 254}},
  };
  const int xy[4][2] = {{0, 0}, {511, 0}, {0, 511}, {511, 511}};
  for (const auto& c : cases) {
    makeImage(512, 512);
    setColors(c.start, c.end);
    ASSERT_EQ(renderDiagonal(c.direction), 1);
    for (int i = 0; i < 4; ++i)
      for (int channel = 0; channel < 3; ++channel)
        EXPECT_EQ(pixel(xy[i][0], xy[i][1], channel), c.corners[i])
            << "direction " << c.direction << " start " << std::hex << c.start << std::dec << " corner ("
            << xy[i][0] << ", " << xy[i][1] << ")";
  }
}

using Renderer = int (*)();
const Renderer kStraight[] = {renderLinearVertical, renderLinearHorizontal, [] { return renderDiagonal(0); },
                              [] { return renderDiagonal(1); }};

TEST_F(StraightGradients, OnePixelIsTheStartColourEverywhere) {
  for (int type = 0; type < 4; ++type) {
    makeImage(1, 1);
    setColors(0x563412, 0xABCDEF);
    ASSERT_EQ(kStraight[type](), 1);
    EXPECT_EQ((std::vector<int>{pixel(0, 0, 0), pixel(0, 0, 1), pixel(0, 0, 2)}), (std::vector<int>{0x12, 0x34, 0x56}))
        << "straight type " << type << ": red, green, blue";
  }
}

// Without pixels, or without the diagonal's tables, nothing is written.
TEST_F(StraightGradients, FailuresWriteNothing) {
  for (Renderer render : kStraight) {
    releaseImageBuffer(state().image);
    EXPECT_EQ(render(), 0);
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
