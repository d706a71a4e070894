// The image record: its layouts and every failure path.
#include <gtest/gtest.h>

#include <vector>

#include "image/image_buffer.h"
#include "platform/allocation.h"

namespace {

void expectEmpty(const ImageBuffer& image) {
  EXPECT_TRUE(!image.pixels && !image.bitmap && !image.width && !image.height && !image.bitsPerPixel &&
              !image.byteSize && !image.rowBytes);
}

// Refusals leave a held image; 16 and 32 bits pass the checks but make no bitmap: emptied.
TEST(ImageBuffer, RefusedRequestsLeaveAHeldImageAnd16Or32BitDepthsEmptyIt) {
  const int32_t requests[][3] = {
      {0, 10, 24}, {-5, 10, 24}, {10, -1, 24}, {10, 10, 0}, {10, 10, 8}, {4, 4, 16}, {4, 4, 32},  // sizes: size_matrix
  };
  for (const auto& [width, height, bits] : requests) {
    SCOPED_TRACE(testing::Message() << width << "x" << height << " at " << bits << " bits");
    ImageBuffer image;
    ASSERT_EQ(createImageBuffer(image, 3, 2, 24), 1);
    const uint8_t* pixels = image.pixels;
    const HBITMAP bitmap = image.bitmap;
    EXPECT_EQ(createImageBuffer(image, width, height, bits), 0);
    if (bits == 16 || bits == 32) {
      expectEmpty(image);
      BITMAP record;
      EXPECT_EQ(GetObjectA(bitmap, sizeof record, &record), 0) << "the previous bitmap must be deleted";
    } else {
      EXPECT_TRUE(image.pixels == pixels && image.bitmap == bitmap && image.width == 3);
    }
  }
}

// No pixels: no bitmap. An update reuses its bitmap; without one, a failed update keeps the pixels.
TEST(ImageBuffer, AllocationFailures) {
  ImageBuffer image;
  allocation_faults::failAt(AllocationSite::PixelBlock);
  EXPECT_EQ(createImageBuffer(image, 7, 3, 24), 0);
  EXPECT_TRUE(!image.pixels && !image.bitmap);
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(createImageBuffer(image, 7, 3, 24), 0);
  expectEmpty(image);
  ASSERT_EQ(createImageBuffer(image, 4, 4, 24), 1);
  const HBITMAP held = image.bitmap;
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(updateBitmap(image), 1);
  EXPECT_EQ(image.bitmap, held);
  deleteBitmap(image);
  EXPECT_EQ(updateBitmap(image), 0);
  EXPECT_TRUE(image.pixels && !image.bitmap);
  EXPECT_EQ(updateBitmap(image), 1);
  EXPECT_NE(image.bitmap, nullptr);
}

}  // namespace
