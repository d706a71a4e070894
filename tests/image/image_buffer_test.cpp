// The image record: its layouts and every failure path.
#include <gtest/gtest.h>

#include <vector>

#include "image/image_buffer.h"
#include "image/pixel_layout.h"
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

TEST(PixelLayout, FlipRowsReversesOddAndEvenCountsAndRefusesWithoutChangingAnything) {
  for (uint32_t rows : {1u, 2u, 5u, 6u}) {
    std::vector<uint8_t> block(rows * 3), flipped;
    for (uint32_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i);
    for (uint32_t i = 0; i < block.size(); ++i) flipped.push_back(uint8_t((rows - 1 - i / 3) * 3 + i % 3));
    ASSERT_EQ(flipRows(block.data(), 3, rows), 1);
    EXPECT_EQ(block, flipped) << rows << " rows";
  }
  uint8_t rows[6] = {1, 2, 3, 4, 5, 6};
  allocation_faults::failAt(AllocationSite::FlipRowsScratch);
  EXPECT_EQ(flipRows(rows, 3, 2) + flipRows(nullptr, 3, 2) + flipRows(rows, 0, 2) + flipRows(rows, 3, 0), 0);
  EXPECT_EQ(std::vector<uint8_t>(rows, rows + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

// Two rows of one pixel with a 3-byte skip need 9 bytes; the block has 6: the
// first row only is copied, not reversed.
TEST(PixelLayout, RowSkipsPastTheBlockStopInRowOrder) {
  const uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
  uint8_t display[8] = {};
  EXPECT_FALSE(convertToDisplay({pixels, 6, 1, 2, 3, false, false}, display));
  EXPECT_EQ(std::vector<uint8_t>(display, display + 8), (std::vector<uint8_t>{3, 2, 1, 0, 0, 0, 0, 0}));
}

}  // namespace
