// The thumbnail's size and how it is made (area-averaged or stretched), for
// the image sizes that matter, including those that come out a pixel short.
#include <gtest/gtest.h>

#include <utility>

#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"
#include "ui/thumbnail.h"

namespace {

class Thumbnail : public StateTest {};

// Red at the top left of the thumbnail, which shows how it was made.
constexpr int kDownscaler = 0, kStretched = 255;

TEST_F(Thumbnail, SizesAndPaths) {
  const struct {
    int32_t width, height, thumbnailWidth, thumbnailHeight, topLeftRed;  // kStretched or kDownscaler, see below
  } cases[] = {
      {512, 512, 144, 144, kDownscaler}, {640, 480, 178, 133, kDownscaler}, {512, 256, 178, 89, kDownscaler},
      {356, 288, 178, 144, kDownscaler}, {313, 100, 177, 56, kDownscaler},  {179, 145, 177, 143, kDownscaler},
      {1000, 10, 178, 1, kDownscaler},   {10, 1000, 1, 143, kDownscaler},   {178, 144, 178, 144, kStretched},
      {100, 50, 178, 89, kStretched},    {64, 64, 144, 144, kStretched},    {7, 7, 143, 143, kStretched},
      {1, 1, 144, 144, kStretched},      {30000, 4, 178, 0, kDownscaler},   {4, 70000, 0, 143, kDownscaler},
      {21845, 300, 178, 2, kDownscaler}, {70000, 600, 178, 1, kDownscaler},
  };
  state().gradientType = DiagonalLR;  // white at the top left, varying both ways
  auto sides = [](const auto& size) { return std::pair(size.width, size.height); };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    state().width = c.width;
    state().height = c.height;
    ASSERT_EQ(resizeImage(), 1);
    EXPECT_EQ(sides(fitWithin(c.width, c.height, 178, 144)), std::pair(c.thumbnailWidth, c.thumbnailHeight));

    // The downscaler, robbed of its source block, leaves its bitmap black; a
    // stretched copy does not use that block and shows the white corner.
    allocation_faults::failAt(AllocationSite::DownscaleSource);
    ASSERT_EQ(rebuildThumbnail(), 1);
    allocation_faults::clear();
    const HBITMAP thumbnail = state().thumbnail.bitmap;
    EXPECT_EQ(thumbnail != nullptr, c.thumbnailWidth > 0 && c.thumbnailHeight > 0) << "a zero side makes no bitmap";
    if (!thumbnail) continue;
    EXPECT_EQ(sides(describeBitmap(thumbnail)), std::pair(c.thumbnailWidth, c.thumbnailHeight));
    EXPECT_EQ(displayPixel(thumbnail, 0, 0, 0), c.topLeftRed);
    if (c.width != c.thumbnailWidth || c.height != c.thumbnailHeight) continue;
    for (int y = 0; y < c.height; ++y)  // a one-to-one copy is the image
      for (int x = 0; x < c.width; ++x)
        ASSERT_EQ(displayPixel(thumbnail, x, y, 1), pixel(x, y, 1)) << "(" << x << ", " << y << ")";
  }
}

// Without a bitmap of its own there is no thumbnail; without an image bitmap
// the thumbnail stays as it was.
TEST_F(Thumbnail, Failures) {
  ASSERT_EQ(resetImage(), 1);
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(rebuildThumbnail(), 1);
  EXPECT_EQ(state().thumbnail.bitmap, nullptr);
  ASSERT_EQ(resetImage(), 1);
  const HBITMAP thumbnail = state().thumbnail.bitmap;
  deleteBitmap(state().image);
  EXPECT_EQ(rebuildThumbnail(), 0);
  EXPECT_EQ(state().thumbnail.bitmap, thumbnail);
}

}  // namespace
