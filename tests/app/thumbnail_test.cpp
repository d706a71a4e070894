// The thumbnail's size and how it is made (area-averaged or stretched), for
// the image sizes that matter, including those that come out a pixel short.
#include <gtest/gtest.h>

#include "app/image_lifecycle.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"
#include "ui/thumbnail.h"

namespace {

class Thumbnail : public StateTest {};

enum class Path { Downscaler, Stretched };

TEST_F(Thumbnail, SizesAndPaths) {
  const struct {
    int32_t width, height;
    int32_t thumbnailWidth, thumbnailHeight;
    Path path;
  } cases[] = {
      {512, 512, 144, 144, Path::Downscaler}, {640, 480, 178, 133, Path::Downscaler},
      {512, 256, 178, 89, Path::Downscaler},  {356, 288, 178, 144, Path::Downscaler},
      {313, 100, 177, 56, Path::Downscaler},  {179, 145, 177, 143, Path::Downscaler},
      {1000, 10, 178, 1, Path::Downscaler},   {10, 1000, 1, 143, Path::Downscaler},
      {178, 144, 178, 144, Path::Stretched},  {100, 50, 178, 89, Path::Stretched},
      {64, 64, 144, 144, Path::Stretched},    {7, 7, 143, 143, Path::Stretched},
      {1, 1, 144, 144, Path::Stretched},      {30000, 4, 178, 0, Path::Downscaler},
      {4, 70000, 0, 143, Path::Downscaler},   {21845, 300, 178, 2, Path::Downscaler},
      {70000, 600, 178, 1, Path::Downscaler},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    state().width = c.width;
    state().height = c.height;
    ASSERT_EQ(resizeImage(), 1);  // white at the top, black at the bottom
    const ThumbnailSize size = fitWithin(c.width, c.height, 178, 144);
    EXPECT_EQ(size.width, c.thumbnailWidth);
    EXPECT_EQ(size.height, c.thumbnailHeight);

    // The downscaler, robbed of its source block, leaves its bitmap black; a
    // stretched copy does not use that block and shows the white top.
    allocation_faults::failAt(AllocationSite::DownscaleSource);
    ASSERT_EQ(rebuildThumbnail(), 1);
    allocation_faults::clear();
    HBITMAP thumbnail = state().thumbnail.bitmap;
    if (c.thumbnailWidth == 0 || c.thumbnailHeight == 0) {
      EXPECT_EQ(thumbnail, nullptr) << "a zero side makes no bitmap";
      continue;
    }
    ASSERT_NE(thumbnail, nullptr);
    const BitmapFacts facts = describeBitmap(thumbnail);
    EXPECT_EQ(facts.width, c.thumbnailWidth);
    EXPECT_EQ(facts.height, c.thumbnailHeight);
    EXPECT_EQ(displayPixel(thumbnail, 0, 0, 0), c.path == Path::Stretched ? 255 : 0);
  }
}

TEST_F(Thumbnail, OneToOneCopyEqualsTheImage) {
  state().width = 178;
  state().height = 144;
  state().gradientType = 9;  // Sine Radial: varies in both directions
  ASSERT_EQ(resizeImage(), 1);
  for (int y = 0; y < 144; y += 7)
    for (int x = 0; x < 178; x += 5)
      ASSERT_EQ(displayPixel(state().thumbnail.bitmap, x, y, 1), pixel(x, y, 1)) << "(" << x << ", " << y << ")";
}

TEST_F(Thumbnail, WithoutAnImageBitmapNothingChanges) {
  ASSERT_EQ(resetImage(), 1);
  HBITMAP thumbnail = state().thumbnail.bitmap;
  deleteBitmap(state().image);
  EXPECT_EQ(rebuildThumbnail(), 0);
  EXPECT_EQ(state().thumbnail.bitmap, thumbnail);
}

TEST_F(Thumbnail, FailedBitmapLeavesNoThumbnail) {
  ASSERT_EQ(resetImage(), 1);
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(rebuildThumbnail(), 1);
  EXPECT_EQ(state().thumbnail.bitmap, nullptr);
}

}  // namespace
