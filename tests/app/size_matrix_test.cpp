// Sizes applied as Apply does: exactly that image, or a refusal keeping the previous image and thumbnail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gradient/catalogue.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"
#include "image/thumbnail.h"

namespace {

// kRefused: before allocating; kTooLarge: gigabytes, to survive running out of. Probe (x -1: none): red within 1.
enum Outcome { kImage, kRefused, kTooLarge };
struct SizeCase {
  const char *widthText, *heightText;
  Outcome outcome;
  int32_t type = LinearVertical, probeX = -1, probeY = 0, probeRed = 0;
};

const SizeCase kCases[] = {
    {"1", "1", kImage, LinearVertical, 0, 0, 0}, {"1", "65536", kImage, CosineVertical},
    {"46341", "1", kImage, DiagonalLR},
    // Rows of 65535 bytes, padded; 65536 wide; 2x Radial's edge 32768 from the centre.
    {"21845", "1", kImage, LinearHorizontal, 21844, 0, 254}, {"1", "21845", kImage, LinearVertical, 0, 21844, 254},
    {"65536", "1", kImage, LinearHorizontal, 65535, 0, 254}, {"1", "46341", kImage, SineRadial2x},
    {"92683", "1", kImage, Radial2x, 0, 0, 180},
    // Each limit just past and within: field, W x H, 3 x W, row, file, block, display bitmap.
    {"99999999999", "1", kRefused}, {"1", "2147483647", kRefused}, {"46341", "46341", kRefused},
    {"1431655766", "1", kRefused}, {"1431655765", "1", kRefused}, {"715827883", "1", kRefused},
    {"715827882", "1", kTooLarge}, {"1", "1073741811", kRefused}, {"1", "1073741810", kTooLarge},
    {"65536", "21846", kRefused}, {"65536", "21845", kTooLarge}, {"37838", "37838", kRefused},
    {"37837", "37837", kTooLarge}, {"21845", "65536", kRefused}, {"26755", "26755", kTooLarge},
    {"26754", "26754", kTooLarge}, {"1", "536870912", kTooLarge},
};

using SizeMatrix = StateTest;

// Each size first fails an allocation (pixel block, display bitmap) and keeps the previous, odd-sized image.
TEST_F(SizeMatrix, EachSizeGivesExactlyThatImageOrKeepsThePreviousOne) {
  setColors(0x000000, 0xFFFFFF);
  state().gradientType = DiagonalLR;
  ASSERT_EQ(applySizeFields("31", "23"), 1);
  auto snapshot = [&s = state()] {
    return std::vector<uint64_t>{uintptr_t(s.image.pixels), uintptr_t(s.image.bitmap), uintptr_t(s.thumbnail.bitmap),
                                 uint64_t(s.image.width), uint64_t(s.image.height), bitmapDigest(s.image.bitmap),
                                 bitmapDigest(s.thumbnail.bitmap)};
  };
  for (const SizeCase& c : kCases) {
    SCOPED_TRACE(std::string(c.widthText) + " x " + c.heightText);
    state().gradientType = c.type;
    for (int site = 0; site < (c.outcome == kImage ? 2 : 1); ++site) {  // PixelBlock, DisplayBitmap
      const std::vector<uint64_t> before = snapshot();
      allocation_faults::failAt(AllocationSite(site));
      EXPECT_EQ(applySizeFields(c.widthText, c.heightText), 0) << "allocation site " << site;
      EXPECT_EQ(snapshot(), before) << "allocation site " << site << ": the previous image must stay";
    }
    EXPECT_EQ(allocationShouldFail(AllocationSite::PixelBlock), c.outcome == kRefused) << "pixel block unrequested";
    if (c.outcome != kImage) continue;
    ASSERT_EQ(applySizeFields(c.widthText, c.heightText), 1);
    const int32_t w = state().width, h = state().height;
    const ImageBuffer& image = state().image;
    const BitmapFacts d = describeBitmap(image.bitmap);  // thumbnail sizes: image_lifecycle_test, the fuzzer
    EXPECT_EQ((std::vector<int64_t>{image.width, image.height, int64_t(image.byteSize), d.width, d.height}),
              (std::vector<int64_t>{w, h, int64_t(w) * h * 3, w, h}))
        << "image w, h, bytes; display w, h";
    if (c.probeX < 0) continue;  // the probe, in the pixels and in the display bitmap:
    for (int red : {pixel(c.probeX, c.probeY), displayPixel(image.bitmap, c.probeX, c.probeY, 0)})
      EXPECT_NEAR(red, c.probeRed, 1) << "red at (" << c.probeX << ", " << c.probeY << ")";
  }
#ifndef _WIN32
  // For real: a 1.6 GB pixel block but no 2^31-byte DIB section; the block goes again.
  const std::vector<uint64_t> before = snapshot();
  EXPECT_EQ(applySizeFields("1", "536870912"), 0);
  EXPECT_EQ(snapshot(), before);
#endif
}

}  // namespace
