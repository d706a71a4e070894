// The image record: its layouts and every failure path. Leaks over whole
// sessions are long_session_test's; resizing through moves is size_matrix's.
#include <gtest/gtest.h>

#include <vector>

#include "image/display_bitmap.h"
#include "image/image_buffer.h"
#include "image/pixel_layout.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

bool bitmapAlive(HBITMAP bitmap) {
  BITMAP record;
  return GetObjectA(bitmap, sizeof record, &record) != 0;
}

void expectEmpty(const ImageBuffer& image) {
  EXPECT_TRUE(!image.pixels && !image.bitmap && !image.width && !image.height && !image.bitsPerPixel &&
              !image.byteSize && !image.rowBytes)
      << "width " << image.width << ", byteSize " << image.byteSize;
}

// A new image is all zero bytes, padding too; after a fill the display bitmap
// holds it bottom-up, blue first, rows of 15 bytes padded to 16 with zero.
TEST(ImageBuffer, DisplayBitmapSwapsChannelsReversesRowsAndKeepsPaddingZero) {
  const int32_t width = 5, height = 3;
  ImageBuffer image;
  ASSERT_EQ(createImageBuffer(image, width, height, 24), 1);
  EXPECT_EQ(image.rowBytes, 15);
  for (uint32_t i = 0; i < image.byteSize; ++i) ASSERT_EQ(image.pixels[i], 0) << "pixel byte " << i;
  const uint8_t* blank = describeBitmap(image.bitmap).bits;
  for (int i = 0; i < 16 * height; ++i) ASSERT_EQ(blank[i], 0) << "display byte " << i;
  auto pattern = [](int x, int y, int c) { return uint8_t(1 + x * 40 + y * 7 + c * 90); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) image.pixels[(y * width + x) * 3 + c] = pattern(x, y, c);
  ASSERT_EQ(updateBitmap(image), 1);
  const BitmapFacts facts = describeBitmap(image.bitmap);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = facts.bits + (height - 1 - y) * 16;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(row[x * 3 + 2 - c], pattern(x, y, c)) << "pixel (" << x << ", " << y << ") channel " << c;
    EXPECT_EQ(row[15], 0) << "padding of picture row " << y;
  }
}

TEST(ImageBuffer, RefusedRequestsLeaveAHeldImageAnd16Or32BitDepthsEmptyIt) {
  const int32_t requests[][3] = {
      {0, 10, 24},       {-5, 10, 24},        {10, -1, 24},       {10, 10, 0},
      {10, 10, 8},       {46341, 46341, 24},  {1431655766, 1, 24}, {1, 1431655766, 24},
      {715827883, 1, 24}, {2147483647, 2147483647, 24}, {4, 4, 16}, {4, 4, 32},
  };
  for (const auto& request : requests) {
    SCOPED_TRACE(testing::Message() << request[0] << "x" << request[1] << " at " << request[2] << " bits");
    ImageBuffer image;
    ASSERT_EQ(createImageBuffer(image, 3, 2, 24), 1);
    const uint8_t* pixels = image.pixels;
    const HBITMAP bitmap = image.bitmap;
    EXPECT_EQ(createImageBuffer(image, request[0], request[1], request[2]), 0);
    if (request[2] == 16 || request[2] == 32) {
      expectEmpty(image);
      EXPECT_FALSE(bitmapAlive(bitmap)) << "the previous bitmap must have been deleted";
      continue;
    }
    EXPECT_EQ(image.pixels, pixels);
    EXPECT_EQ(image.bitmap, bitmap);
    EXPECT_EQ(image.width, 3);
  }
}

TEST(ImageBuffer, AllocationFailures) {
  ImageBuffer image;
  allocation_faults::failAt(AllocationSite::PixelBlock);
  EXPECT_EQ(createImageBuffer(image, 7, 3, 24), 0);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.bitmap, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{uint32_t(image.width), uint32_t(image.height), image.byteSize}),
            (std::vector<uint32_t>{7, 3, 63}))
      << "the sizes stay: width, height, byteSize";
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(createImageBuffer(image, 7, 3, 24), 0);
  expectEmpty(image);

  // A failed update keeps the pixels, and the next one makes the bitmap again.
  ASSERT_EQ(createImageBuffer(image, 4, 4, 24), 1);
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(updateBitmap(image), 0);
  EXPECT_NE(image.pixels, nullptr);
  EXPECT_EQ(image.bitmap, nullptr);
  EXPECT_EQ(updateBitmap(image), 1);
  EXPECT_NE(image.bitmap, nullptr);
}

TEST(ImageBuffer, ReleaseIsIdempotentAndFreesABitmapOnlyRecord) {
  ImageBuffer image;
  image.bitmap = createBlackBitmap(3, 3);
  const HBITMAP bitmap = image.bitmap;
  releaseImageBuffer(image);
  EXPECT_FALSE(bitmapAlive(bitmap));
  expectEmpty(image);
  releaseImageBuffer(image);
  expectEmpty(image);
}

TEST(PixelLayout, FlipRowsReversesOddAndEvenCountsAndRefusesWithoutChangingAnything) {
  for (uint32_t rows : {1u, 2u, 5u, 6u}) {
    std::vector<uint8_t> block(rows * 3);
    for (uint32_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i);
    ASSERT_EQ(flipRows(block.data(), 3, rows), 1);
    for (uint32_t i = 0; i < block.size(); ++i)
      EXPECT_EQ(block[i], uint8_t((rows - 1 - i / 3) * 3 + i % 3)) << rows << " rows, byte " << i;
  }
  uint8_t rows[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(flipRows(nullptr, 3, 2), 0);
  EXPECT_EQ(flipRows(rows, 0, 2), 0);
  EXPECT_EQ(flipRows(rows, 3, 0), 0);
  allocation_faults::failAt(AllocationSite::FlipRowsScratch);
  EXPECT_EQ(flipRows(rows, 3, 2), 0);
  EXPECT_EQ(std::vector<uint8_t>(rows, rows + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(PixelLayout, RowSkipsPastTheBlockStopInRowOrder) {
  // Two rows of one pixel with a 3-byte skip need 9 bytes; the block has 6.
  const uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
  uint8_t display[8] = {};
  EXPECT_FALSE(convertToDisplay({pixels, 6, 1, 2, 3, false, false}, display));
  EXPECT_EQ(std::vector<uint8_t>(display, display + 8), (std::vector<uint8_t>{3, 2, 1, 0, 0, 0, 0, 0}))
      << "the first row only, not reversed";
}

}  // namespace
