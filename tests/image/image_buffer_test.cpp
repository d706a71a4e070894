// The image record: its layouts, its life cycle and every failure path.
#include <gtest/gtest.h>

#include <cstring>
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

// A pixel value that differs in every channel, column and row.
uint8_t pattern(int x, int y, int channel) { return uint8_t(1 + x * 40 + y * 7 + channel * 90); }

TEST(ImageBuffer, NewImageHasZeroPixelsAndABlackPaddedBitmap) {
  struct Case {
    int32_t width, height;
    int32_t rowBytes, displayRow;
  };
  for (const Case& c : {Case{1, 1, 3, 4}, Case{5, 3, 15, 16}, Case{4, 2, 12, 12}}) {
    ImageBuffer image;
    ASSERT_EQ(createImageBuffer(image, c.width, c.height, 24), 1);
    EXPECT_EQ(image.rowBytes, c.rowBytes);
    EXPECT_EQ(image.byteSize, uint32_t(c.rowBytes * c.height));
    for (uint32_t i = 0; i < image.byteSize; ++i) ASSERT_EQ(image.pixels[i], 0) << "pixel byte " << i;
    const BitmapFacts facts = describeBitmap(image.bitmap);
    ASSERT_NE(facts.bits, nullptr);
    EXPECT_EQ(facts.width, c.width);
    EXPECT_EQ(facts.height, c.height);
    for (int i = 0; i < c.displayRow * c.height; ++i) ASSERT_EQ(facts.bits[i], 0) << "display byte " << i;
  }
}

TEST(ImageBuffer, DisplayBitmapSwapsChannelsReversesRowsAndKeepsPaddingZero) {
  const int32_t width = 5, height = 3;  // rows of 15 bytes padded to 16
  ImageBuffer image;
  ASSERT_EQ(createImageBuffer(image, width, height, 24), 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) image.pixels[(y * width + x) * 3 + c] = pattern(x, y, c);
  ASSERT_EQ(updateBitmap(image), 1);

  const BitmapFacts facts = describeBitmap(image.bitmap);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = facts.bits + (height - 1 - y) * 16;  // bottom-up
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(row[x * 3 + 2 - c], pattern(x, y, c)) << "pixel (" << x << ", " << y << ") channel " << c;
    EXPECT_EQ(row[15], 0) << "padding of picture row " << y;
  }
}

TEST(ImageBuffer, RefusedRequestsLeaveAHeldImageInPlace) {
  const int32_t refused[][3] = {
      {0, 10, 24},        {-5, 10, 24},          {10, -1, 24},          {10, 10, 0},
      {10, 10, 8},        {46341, 46341, 24},    {1431655766, 1, 24},   {1, 1431655766, 24},
      {715827883, 1, 24}, {2147483647, 2147483647, 24},
  };
  for (const auto& request : refused) {
    ImageBuffer image;
    ASSERT_EQ(createImageBuffer(image, 3, 2, 24), 1);
    uint8_t* pixels = image.pixels;
    HBITMAP bitmap = image.bitmap;
    EXPECT_EQ(createImageBuffer(image, request[0], request[1], request[2]), 0)
        << request[0] << "x" << request[1] << " at " << request[2] << " bits";
    EXPECT_EQ(image.pixels, pixels);
    EXPECT_EQ(image.bitmap, bitmap);
    EXPECT_EQ(image.width, 3);
  }
}

TEST(ImageBuffer, DepthsWithoutADisplayBitmapEmptyTheRecord) {
  for (int32_t bits : {16, 32}) {
    ImageBuffer image;
    ASSERT_EQ(createImageBuffer(image, 3, 2, 24), 1);
    HBITMAP old = image.bitmap;
    EXPECT_EQ(createImageBuffer(image, 4, 4, bits), 0) << bits;
    expectEmpty(image);
    EXPECT_FALSE(bitmapAlive(old)) << "the previous bitmap must have been deleted";
  }
}

TEST(ImageBuffer, FailedPixelAllocationLeavesSizesOnly) {
  ImageBuffer image;
  allocation_faults::failAt(AllocationSite::PixelBlock);
  EXPECT_EQ(createImageBuffer(image, 7, 3, 24), 0);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.bitmap, nullptr);
  EXPECT_EQ(image.width, 7);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.byteSize, 63u);
}

TEST(ImageBuffer, FailedDisplayBitmapEmptiesTheRecord) {
  ImageBuffer image;
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(createImageBuffer(image, 7, 3, 24), 0);
  expectEmpty(image);
}

TEST(ImageBuffer, UpdateWithoutANewBitmapKeepsThePixels) {
  ImageBuffer image;
  ASSERT_EQ(createImageBuffer(image, 4, 4, 24), 1);
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(updateBitmap(image), 0);
  EXPECT_NE(image.pixels, nullptr);
  EXPECT_EQ(image.bitmap, nullptr);
  EXPECT_EQ(updateBitmap(image), 1);  // pixels only -> ready again
  EXPECT_NE(image.bitmap, nullptr);
}

TEST(ImageBuffer, UpdateReplacesTheBitmapWithAnEqualOne) {
  ImageBuffer image;
  ASSERT_EQ(createImageBuffer(image, 6, 5, 24), 1);
  for (uint32_t i = 0; i < image.byteSize; ++i) image.pixels[i] = uint8_t(i * 13);
  ASSERT_EQ(updateBitmap(image), 1);
  HBITMAP first = image.bitmap;
  const uint64_t firstDigest = bitmapDigest(first);
  ASSERT_EQ(updateBitmap(image), 1);
  EXPECT_FALSE(bitmapAlive(first));
  EXPECT_EQ(bitmapDigest(image.bitmap), firstDigest);
}

TEST(ImageBuffer, ReleaseIsIdempotentAndFreesABitmapOnlyRecord) {
  ImageBuffer image;
  image.bitmap = createBlackBitmap(3, 3);
  HBITMAP bitmap = image.bitmap;
  releaseImageBuffer(image);
  EXPECT_FALSE(bitmapAlive(bitmap));
  expectEmpty(image);
  releaseImageBuffer(image);
  expectEmpty(image);
}

TEST(ImageBuffer, MoveHandsOverEverythingAndEmptiesTheSource) {
  ImageBuffer destination, source;
  ASSERT_EQ(createImageBuffer(destination, 2, 2, 24), 1);
  ASSERT_EQ(createImageBuffer(source, 5, 3, 24), 1);
  HBITMAP oldBitmap = destination.bitmap;
  uint8_t* pixels = source.pixels;
  HBITMAP bitmap = source.bitmap;
  moveImageBuffer(destination, source);
  EXPECT_FALSE(bitmapAlive(oldBitmap));
  EXPECT_EQ(destination.pixels, pixels);
  EXPECT_EQ(destination.bitmap, bitmap);
  EXPECT_EQ(destination.width, 5);
  EXPECT_EQ(destination.rowBytes, 15);
  expectEmpty(source);
}

#ifndef _WIN32
TEST(ImageBuffer, EveryPathReleasesWhatItCreated) {
  const int before = gdi_standin::liveObjectCount();
  {
    ImageBuffer image;
    ASSERT_EQ(createImageBuffer(image, 9, 9, 24), 1);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(updateBitmap(image), 1);
    EXPECT_EQ(gdi_standin::liveObjectCount(), before + 1);
    EXPECT_EQ(createImageBuffer(image, 9, 9, 32), 0);
  }
  EXPECT_EQ(gdi_standin::liveObjectCount(), before);
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0);
}
#endif

TEST(PixelLayout, FlipRowsReversesOddAndEvenCounts) {
  for (uint32_t rows : {1u, 2u, 5u, 6u}) {
    std::vector<uint8_t> block(rows * 3);
    for (uint32_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i);
    ASSERT_EQ(flipRows(block.data(), 3, rows), 1);
    for (uint32_t r = 0; r < rows; ++r)
      for (uint32_t b = 0; b < 3; ++b)
        EXPECT_EQ(block[r * 3 + b], uint8_t((rows - 1 - r) * 3 + b)) << rows << " rows, row " << r;
  }
}

TEST(PixelLayout, FlipRowsRefusesWithoutChangingAnything) {
  uint8_t rows[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(flipRows(nullptr, 3, 2), 0);
  EXPECT_EQ(flipRows(rows, 0, 2), 0);
  EXPECT_EQ(flipRows(rows, 3, 0), 0);
  allocation_faults::failAt(AllocationSite::FlipRowsScratch);
  EXPECT_EQ(flipRows(rows, 3, 2), 0);
  const uint8_t unchanged[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(std::memcmp(rows, unchanged, 6), 0);
}

TEST(PixelLayout, RowSkipsPastTheBlockStopInRowOrder) {
  // Two rows of one pixel with a 3-byte skip need 9 bytes; the block has 6.
  const uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
  uint8_t display[8] = {};
  EXPECT_FALSE(convertToDisplay({pixels, 6, 1, 2, 3, false, false}, display));
  const uint8_t expected[8] = {3, 2, 1, 0, 0, 0, 0, 0};  // first row only, not reversed
  EXPECT_EQ(std::memcmp(display, expected, 8), 0);
}

}  // namespace
