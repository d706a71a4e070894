// The area-averaging downscaler: the pure reduction against worked values, an
// exact area-overlap reference and pinned digests, then the bitmap edge
// (orientation, channel order, padding) and every failure path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "image/area_average.h"
#include "image/display_bitmap.h"
#include "image/downscaler.h"
#include "image/pixel_layout.h"
#include "platform/allocation.h"
#include "platform/gdi_guards.h"

namespace {

// Byte `channel` of source pixel (x, y), in the order it stands in the block.
using PixelFunction = std::function<uint8_t(uint32_t x, uint32_t y, int channel)>;

// A pixel block owned by the test.
struct OwnedBlock {
  PixelBlock block{};
  OwnedBlock() = default;
  OwnedBlock(uint32_t width, uint32_t height, const PixelFunction& pixel) {
    allocPixelBlock(width, height, block, AllocationSite::DownscaleSource);
    if (!block.data) return;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        for (int k = 0; k < 3; ++k) block.data[y * block.stride + x * 3 + k] = pixel(x, y, k);
  }
  ~OwnedBlock() { freePixelBlock(block); }
  OwnedBlock(const OwnedBlock&) = delete;
  OwnedBlock& operator=(const OwnedBlock&) = delete;
  uint8_t at(uint32_t x, uint32_t y, int k) const { return block.data[y * block.stride + x * 3 + k]; }
};

// Deterministic bytes, the same on every platform.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
  uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t below(uint32_t limit) { return next() % limit; }

 private:
  uint32_t state_;
};

PixelFunction noisePixels(uint32_t seed) {
  auto noise = std::make_shared<Noise>(seed);
  return [noise](uint32_t, uint32_t, int) { return static_cast<uint8_t>(noise->next() >> 24); };
}

// Each byte 0 or 255. The means of such pictures often lie exactly on or
// very near a half, so the last rounding step of a sum decides the byte:
// the content that shows a changed rounding step in the output.
PixelFunction blackAndWhitePixels(uint32_t seed) {
  auto noise = std::make_shared<Noise>(seed);
  return [noise](uint32_t, uint32_t, int) { return static_cast<uint8_t>(noise->next() >> 31 ? 255 : 0); };
}

PixelFunction uniformPixels(uint8_t value) {
  return [value](uint32_t, uint32_t, int) { return value; };
}

std::string siteName(AllocationSite site) {
  switch (site) {
    case AllocationSite::DownscaleSource: return "source block";
    case AllocationSite::DownscaleTarget: return "target block";
    case AllocationSite::DownscaleAccumulator: return "accumulator";
    default: return "site " + std::to_string(int(site));
  }
}

std::string sizeText(uint32_t sw, uint32_t sh, uint32_t w, uint32_t h) {
  std::ostringstream text;
  text << sw << "x" << sh << " -> " << w << "x" << h;
  return text.str();
}

// The mean of the source area under every target pixel, rounded half up, by
// direct overlap: measured in 1/W of a source column and 1/H of a source row,
// target column tx spans [tx * sw, (tx + 1) * sw) and source column sx spans
// [sx * W, (sx + 1) * W), so every overlap is an exact integer.
std::vector<uint8_t> referenceReduction(const PixelBlock& source, uint32_t width, uint32_t height) {
  const uint64_t sw = source.width, sh = source.height;
  std::vector<uint8_t> result(size_t(width) * height * 3);
  for (uint64_t ty = 0; ty < height; ++ty) {
    const uint64_t top = ty * sh, bottom = top + sh;
    for (uint64_t tx = 0; tx < width; ++tx) {
      const uint64_t left = tx * sw, right = left + sw;
      uint64_t sum[3] = {0, 0, 0};
      for (uint64_t sy = top / height; sy * height < bottom; ++sy) {
        const uint64_t rowPart = std::min(bottom, (sy + 1) * height) - std::max(top, sy * height);
        for (uint64_t sx = left / width; sx * width < right; ++sx) {
          const uint64_t part = rowPart * (std::min(right, (sx + 1) * width) - std::max(left, sx * width));
          const uint8_t* pixel = source.data + sy * source.stride + sx * 3;
          for (int k = 0; k < 3; ++k) sum[k] += pixel[k] * part;
        }
      }
      for (int k = 0; k < 3; ++k)
        result[(ty * width + tx) * 3 + k] = static_cast<uint8_t>((2 * sum[k] + sw * sh) / (2 * sw * sh));
    }
  }
  return result;
}

// Fails, naming the first few pixels, unless every byte of `actual` lies
// within `tolerance` of the packed `expected` bytes.
void expectPixelsNear(const PixelBlock& actual, const std::vector<uint8_t>& expected, int tolerance,
                      const std::string& what) {
  ASSERT_EQ(expected.size(), size_t(actual.width) * actual.height * 3) << what;
  int reported = 0;
  for (uint32_t y = 0; y < actual.height; ++y)
    for (uint32_t x = 0; x < actual.width; ++x)
      for (int k = 0; k < 3; ++k) {
        const int got = actual.data[y * actual.stride + x * 3 + k];
        const int want = expected[(size_t(y) * actual.width + x) * 3 + k];
        if (got - want > tolerance || want - got > tolerance) {
          ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") channel " << k << " is " << got
                        << ", expected " << want << " (within " << tolerance << ")";
          if (++reported == 5) return;
        }
      }
}

// FNV-1a over the pixels of a block, alignment bytes left out.
uint64_t pixelDigest(const PixelBlock& block) {
  uint64_t hash = 1469598103934665603ull;
  for (uint32_t y = 0; y < block.height; ++y)
    for (size_t i = 0; i < size_t(block.width) * 3; ++i) {
      hash ^= block.data[y * block.stride + i];
      hash *= 1099511628211ull;
    }
  return hash;
}

// The reduction of `source`, which must succeed; freed by the caller's OwnedBlock.
void reduce(const PixelBlock& source, uint32_t width, uint32_t height, OwnedBlock& target) {
  ASSERT_TRUE(downscaleBlock(source, target.block, width, height))
      << sizeText(source.width, source.height, width, height);
  ASSERT_NE(target.block.data, nullptr);
  ASSERT_EQ(target.block.width, width);
  ASSERT_EQ(target.block.height, height);
  ASSERT_EQ(target.block.stride, displayRowBytes(width));
}

TEST(AreaAverage, WorkedExamplesGiveTheirExactValues) {
  struct Case {
    const char* name;
    uint32_t sw, sh;
    std::vector<uint8_t> source;  // grey values, rows top first
    uint32_t width, height;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      // The middle pixel is shared half and half; factor 0.4.
      {"five to two across", 5, 1, {10, 20, 100, 40, 50}, 2, 1, {32, 56}},
      {"five to two down", 1, 5, {10, 20, 100, 40, 50}, 1, 2, {32, 56}},
      // Centre shared in quarters, edge middles in halves; factor 4/9.
      {"three to two", 3, 3, {0, 90, 180, 30, 120, 210, 60, 150, 240}, 2, 2, {40, 160, 80, 200}},
      // A mean of exactly one half rounds up.
      {"half across", 2, 1, {0, 1}, 1, 1, {1}},
      {"half down", 1, 2, {0, 1}, 1, 1, {1}},
      {"whole block", 2, 2, {1, 2, 3, 5}, 1, 1, {3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedBlock source(c.sw, c.sh, [&](uint32_t x, uint32_t y, int) { return c.source[y * c.sw + x]; });
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, c.width, c.height, target));
    std::vector<uint8_t> expected;
    for (uint8_t value : c.expected) expected.insert(expected.end(), 3, value);
    expectPixelsNear(target.block, expected, 0, c.name);
  }
}

TEST(AreaAverage, ChannelsRowsAndColumnsStayApart) {
  // 6 x 4 to 3 x 2, two by two source pixels a target pixel: blue rises
  // along x, green along y, red marks the top-left corner only.
  OwnedBlock source(6, 4, [](uint32_t x, uint32_t y, int k) -> uint8_t {
    if (k == 0) return uint8_t(40 * x);
    if (k == 1) return uint8_t(80 * y);
    return x < 2 && y < 2 ? 255 : 0;
  });
  OwnedBlock target;
  ASSERT_NO_FATAL_FAILURE(reduce(source.block, 3, 2, target));
  const std::vector<uint8_t> expected = {20, 40, 255, 100, 40, 0, 180, 40, 0,
                                         20, 200, 0,  100, 200, 0, 180, 200, 0};
  expectPixelsNear(target.block, expected, 0, "6x4 -> 3x2");
}

TEST(AreaAverage, UniformSourceStaysUniform) {
  struct Size {
    uint32_t sw, sh, width, height;
  };
  const Size sizes[] = {
      {1, 1, 1, 1},       {2, 1, 1, 1},       {5, 3, 2, 2},       {7, 7, 3, 5},       {641, 479, 178, 133},
      {1000, 10, 178, 1}, {10, 1000, 1, 143}, {313, 100, 177, 56}, {179, 145, 177, 143}, {512, 512, 144, 144},
      // Single-precision sums of this many pixels a target pixel overshoot
      // a white mean to 256; it must not wrap round to black.
      {700, 700, 1, 1},   {2000, 200, 1, 1},
  };
  for (uint8_t value : {uint8_t{0}, uint8_t{255}}) {
    for (const Size& s : sizes) {
      const std::string what = sizeText(s.sw, s.sh, s.width, s.height) + " of " + std::to_string(value);
      OwnedBlock source(s.sw, s.sh, uniformPixels(value));
      OwnedBlock target;
      ASSERT_NO_FATAL_FAILURE(reduce(source.block, s.width, s.height, target));
      expectPixelsNear(target.block, std::vector<uint8_t>(size_t(s.width) * s.height * 3, value), 0, what);
    }
  }
}

TEST(AreaAverage, SameSizeIsAnExactCopy) {
  struct Size {
    uint32_t width, height;
  };
  uint32_t seed = 11;
  for (const Size& s : {Size{1, 1}, Size{5, 3}, Size{6, 5}, Size{17, 1}, Size{1, 17}, Size{97, 61}}) {
    OwnedBlock source(s.width, s.height, noisePixels(seed++));
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, s.width, s.height, target));
    std::vector<uint8_t> expected;
    for (uint32_t y = 0; y < s.height; ++y)
      for (uint32_t x = 0; x < s.width; ++x)
        for (int k = 0; k < 3; ++k) expected.push_back(source.at(x, y, k));
    expectPixelsNear(target.block, expected, 0, sizeText(s.width, s.height, s.width, s.height));
  }
}

TEST(AreaAverage, AgreesWithAreaOverlapReferenceOnRandomImages) {
  Noise sizes(2024);
  for (int trial = 0; trial < 300; ++trial) {
    const uint32_t sw = 1 + sizes.below(trial % 5 == 0 ? 700 : 60);
    const uint32_t sh = 1 + sizes.below(trial % 7 == 0 ? 500 : 60);
    const uint32_t width = 1 + sizes.below(sw), height = 1 + sizes.below(sh);
    OwnedBlock source(sw, sh, noisePixels(trial + 1));
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, width, height, target));
    expectPixelsNear(target.block, referenceReduction(source.block, width, height), 1,
                     sizeText(sw, sh, width, height));
    if (HasFailure()) return;
  }
}

TEST(AreaAverage, SizesPastSixteenBitsAgreeWithReference) {
  struct Size {
    const char* why;
    uint32_t sw, sh, width, height;
  };
  const Size sizes[] = {
      {"thumbnail of a long row", 30000, 4, 178, 1},
      {"thumbnail of a tall column", 4, 70000, 1, 143},
      {"row of more than 65535 bytes", 21846, 3, 178, 2},
      {"source plus target width past 65535", 70000, 2, 35001, 1},
      {"source plus target height past 65535", 3, 66000, 2, 65999},
  };
  uint32_t seed = 77;
  for (const Size& s : sizes) {
    const std::string what = std::string(s.why) + ", " + sizeText(s.sw, s.sh, s.width, s.height);
    OwnedBlock source(s.sw, s.sh, noisePixels(seed++));
    ASSERT_NE(source.block.data, nullptr) << what;
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, s.width, s.height, target));
    expectPixelsNear(target.block, referenceReduction(source.block, s.width, s.height), 1, what);
  }
}

// Every output bit follows from the rounding steps of the reduction; these
// digests make sure that no rewrite of it changes one. A changed step (a share
// rounded elsewhere, a sum kept in double) alters roughly one byte in a
// thousand of black-and-white noise, and hardly any of smooth content.
TEST(AreaAverage, PinnedDigestsOfReductions) {
  struct Case {
    uint32_t sw, sh, width, height, seed;
    uint64_t digest;
  };
  const Case cases[] = {
      {641, 479, 178, 133, 1, 0x235309b5951200d1ull}, {313, 100, 177, 56, 2, 0x69e9d83872939767ull},
      {179, 145, 177, 143, 3, 0xae8b985f11e54865ull}, {1000, 10, 178, 1, 4, 0x096deac2ee80c17bull},
      {10, 1000, 1, 143, 5, 0x01a1e4f59086f85cull},   {97, 89, 13, 7, 6, 0xb182061aa88df8eaull},
      {5, 5, 4, 4, 8, 0x84328e555c91371dull},
  };
  for (const Case& c : cases) {
    OwnedBlock source(c.sw, c.sh, blackAndWhitePixels(c.seed));
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, c.width, c.height, target));
    const uint64_t digest = pixelDigest(target.block);
    EXPECT_EQ(digest, c.digest) << sizeText(c.sw, c.sh, c.width, c.height) << " seed " << c.seed << std::hex
                                << std::showbase << ": digest " << digest << ", expected " << c.digest;
  }

  // Large ratios over bytes of every value: long runs of whole pixels per
  // target pixel, where a reordered sum would show.
  const Case fullRange[] = {
      {2000, 1500, 178, 133, 9, 0xd2bbe727e1bdce57ull},
      {4099, 301, 177, 13, 10, 0x77e415630a3ca10cull},
  };
  for (const Case& c : fullRange) {
    OwnedBlock source(c.sw, c.sh, noisePixels(c.seed));
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, c.width, c.height, target));
    const uint64_t digest = pixelDigest(target.block);
    EXPECT_EQ(digest, c.digest) << sizeText(c.sw, c.sh, c.width, c.height) << " seed " << c.seed << std::hex
                                << std::showbase << ": digest " << digest << ", expected " << c.digest;
  }

  // Many small reductions of every shape, chained into one digest.
  Noise sizes(4242);
  uint64_t chained = 0;
  for (uint32_t trial = 0; trial < 400; ++trial) {
    const uint32_t sw = 1 + sizes.below(120), sh = 1 + sizes.below(120);
    const uint32_t width = 1 + sizes.below(sw), height = 1 + sizes.below(sh);
    OwnedBlock source(sw, sh, blackAndWhitePixels(trial + 100));
    OwnedBlock target;
    ASSERT_NO_FATAL_FAILURE(reduce(source.block, width, height, target));
    chained = chained * 1099511628211ull ^ pixelDigest(target.block);
  }
  const uint64_t expectedChained = 0x8605e042456f793dull;
  EXPECT_EQ(chained, expectedChained) << std::hex << std::showbase << "400 small reductions: digest " << chained
                                      << ", expected " << expectedChained;
}

TEST(AreaAverage, RefusesTargetsItCannotMake) {
  struct Case {
    const char* name;
    bool emptySource;
    uint32_t width, height;
  };
  const Case cases[] = {
      {"wider than the source", false, 6, 3},
      {"taller than the source", false, 5, 4},
      {"zero width", false, 0, 2},
      {"zero height", false, 2, 0},
      {"empty source", true, 2, 2},
  };
  for (const Case& c : cases) {
    OwnedBlock source(5, 3, uniformPixels(200));
    if (c.emptySource) freePixelBlock(source.block);
    static uint8_t stale;
    PixelBlock target{};
    target.data = &stale;  // a refusal must leave the target empty, not as it found it
    EXPECT_FALSE(downscaleBlock(source.block, target, c.width, c.height)) << c.name;
    EXPECT_EQ(target.data, nullptr) << c.name;
  }
}

TEST(AreaAverage, FailedAllocationsLeaveTheTargetEmpty) {
  for (AllocationSite site : {AllocationSite::DownscaleTarget, AllocationSite::DownscaleAccumulator}) {
    OwnedBlock source(9, 7, noisePixels(5));
    PixelBlock target{};
    allocation_faults::failAt(site);
    EXPECT_FALSE(downscaleBlock(source.block, target, 4, 3)) << siteName(site);
    EXPECT_EQ(target.data, nullptr) << siteName(site);
    allocation_faults::clear();
  }
}

TEST(AreaAverage, PixelBlockRefusesSizesBeyondMemory) {
  struct Case {
    uint32_t width, height;
    size_t stride;
    bool allocated;
  };
  const Case cases[] = {
      {5, 3, 16, true},
      {21846, 1, 65540, true},  // a stride that needs more than 16 bits
      {0xFFFFFFFFu, 0xFFFFFFFFu, 0, false},
  };
  for (const Case& c : cases) {
    PixelBlock block{};
    allocPixelBlock(c.width, c.height, block, AllocationSite::DownscaleSource);
    EXPECT_EQ(block.data != nullptr, c.allocated) << c.width << "x" << c.height;
    EXPECT_EQ(block.width, c.width);
    EXPECT_EQ(block.height, c.height);
    if (c.allocated) {
      EXPECT_EQ(block.stride, c.stride) << c.width << "x" << c.height;
    }
    freePixelBlock(block);
  }
  PixelBlock block{};
  allocation_faults::failAt(AllocationSite::DownscaleSource);
  allocPixelBlock(5, 3, block, AllocationSite::DownscaleSource);
  EXPECT_EQ(block.data, nullptr) << "injected failure";
}

// ---- The bitmap edge -------------------------------------------------------

// A display bitmap holding the picture, top row first in `pixel`, bytes
// blue, green, red as they stand in the bitmap.
HBITMAP makePicture(uint32_t width, uint32_t height, const PixelFunction& pixel) {
  HBITMAP bitmap = createDisplayBitmap(int32_t(width), int32_t(height));
  const BitmapFacts facts = describeBitmap(bitmap);
  if (!facts.bits) return bitmap;
  const size_t stride = displayRowBytes(width);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = facts.bits + (height - 1 - y) * stride;  // bottom-up
    for (uint32_t x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k) row[x * 3 + k] = pixel(x, y, k);
  }
  return bitmap;
}

// Checks the bitmap's size and alignment bytes and returns its pixels
// packed, top row first.
std::vector<uint8_t> readPicture(HBITMAP bitmap, int32_t width, int32_t height, const std::string& what) {
  const BitmapFacts facts = describeBitmap(bitmap);
  EXPECT_EQ(facts.width, width) << what;
  EXPECT_EQ(facts.height, height) << what;
  std::vector<uint8_t> pixels;
  if (!facts.bits || facts.width != width || facts.height != height) return pixels;
  const size_t stride = displayRowBytes(uint32_t(width));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = facts.bits + size_t(height - 1 - y) * stride;
    pixels.insert(pixels.end(), row, row + size_t(width) * 3);
    for (size_t i = size_t(width) * 3; i < stride; ++i)
      EXPECT_EQ(row[i], 0) << what << ": alignment byte " << i << " of picture row " << y;
  }
  return pixels;
}

void expectPictureEquals(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected,
                         int32_t width, const std::string& what) {
  ASSERT_EQ(actual.size(), expected.size()) << what;
  int reported = 0;
  for (size_t i = 0; i < actual.size() && reported < 5; ++i) {
    if (actual[i] == expected[i]) continue;
    const size_t pixel = i / 3;
    ADD_FAILURE() << what << ": pixel (" << pixel % width << ", " << pixel / width << ") channel "
                  << i % 3 << " is " << int(actual[i]) << ", expected " << int(expected[i]);
    ++reported;
  }
}

#ifndef _WIN32
// The stand-in counts what is alive; real GDI offers no such count.
struct GdiBalance {
  int objects = gdi_standin::liveObjectCount();
  ~GdiBalance() {
    EXPECT_EQ(gdi_standin::liveObjectCount(), objects) << "GDI objects leaked";
    EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0) << "screen DC not released";
  }
};
#else
struct GdiBalance {
  ~GdiBalance() {}  // nothing to count; user-provided so that an unused guard raises no warning
};
#endif

TEST(DownscaleBitmap, TopRowStaysOnTopAndChannelsKeepTheirPlace) {
  GdiBalance balance;
  // Blue holds the worked 3 x 3 example, green its transpose, red a constant.
  const uint8_t grid[3][3] = {{0, 90, 180}, {30, 120, 210}, {60, 150, 240}};
  OwnedGdiObject<HBITMAP> source(makePicture(3, 3, [&](uint32_t x, uint32_t y, int k) -> uint8_t {
    return k == 0 ? grid[y][x] : k == 1 ? grid[x][y] : 10;
  }));
  ASSERT_NE(source.get(), nullptr);
  OwnedGdiObject<HBITMAP> target(downscaleBitmap(source.get(), 2, 2));
  ASSERT_NE(target.get(), nullptr);
  const std::vector<uint8_t> expected = {40, 40, 10, 160, 80, 10, 80, 160, 10, 200, 200, 10};
  expectPictureEquals(readPicture(target.get(), 2, 2, "3x3 -> 2x2"), expected, 2, "3x3 -> 2x2");
}

TEST(DownscaleBitmap, PixelBlocksTravelTopRowFirst) {
  GdiBalance balance;
  const uint32_t width = 5, height = 3;  // rows of 15 bytes, padded to 16
  const auto pattern = [](uint32_t x, uint32_t y, int k) { return uint8_t(1 + 50 * x + 20 * y + 7 * k); };
  OwnedGdiObject<HBITMAP> picture(makePicture(width, height, pattern));
  ASSERT_NE(picture.get(), nullptr);
  OwnedBlock read;
  ASSERT_TRUE(readPixelBlock(picture.get(), read.block));
  ASSERT_EQ(read.block.width, width);
  ASSERT_EQ(read.block.height, height);
  std::vector<uint8_t> expected;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k) expected.push_back(pattern(x, y, k));
  expectPixelsNear(read.block, expected, 0, "read");

  OwnedGdiObject<HBITMAP> blank(createBlankBitmap(int32_t(width), int32_t(height)));
  ASSERT_TRUE(writePixelBlock(read.block, blank.get()));
  expectPictureEquals(readPicture(blank.get(), int32_t(width), int32_t(height), "written"), expected,
                      int32_t(width), "written");
}

// Reading or writing rows bottom first would reduce the picture upside down,
// which changes the rounding of noise pictures even where the means agree.
TEST(DownscaleBitmap, MatchesThePureReductionOfTheSamePicture) {
  GdiBalance balance;
  struct Size {
    uint32_t sw, sh, width, height;
  };
  const Size sizes[] = {
      {97, 61, 31, 17},  // odd widths: rows of 291 and 93 bytes, padded
      {6, 5, 5, 3},     {13, 7, 13, 7}, {641, 479, 178, 133}, {30000, 4, 178, 1}, {4, 70000, 1, 143},
  };
  uint32_t seed = 300;
  for (const Size& s : sizes) {
    const std::string what = sizeText(s.sw, s.sh, s.width, s.height);
    OwnedBlock picture(s.sw, s.sh, blackAndWhitePixels(seed++));
    ASSERT_NE(picture.block.data, nullptr) << what;
    OwnedGdiObject<HBITMAP> source(
        makePicture(s.sw, s.sh, [&](uint32_t x, uint32_t y, int k) { return picture.at(x, y, k); }));
    ASSERT_NE(source.get(), nullptr) << what;
    OwnedGdiObject<HBITMAP> target(downscaleBitmap(source.get(), int32_t(s.width), int32_t(s.height)));
    ASSERT_NE(target.get(), nullptr) << what;

    OwnedBlock reduced;
    ASSERT_NO_FATAL_FAILURE(reduce(picture.block, s.width, s.height, reduced));
    std::vector<uint8_t> expected;
    for (uint32_t y = 0; y < s.height; ++y)
      for (uint32_t x = 0; x < s.width; ++x)
        for (int k = 0; k < 3; ++k) expected.push_back(reduced.at(x, y, k));
    expectPictureEquals(readPicture(target.get(), int32_t(s.width), int32_t(s.height), what), expected,
                        int32_t(s.width), what);
  }
}

TEST(DownscaleBitmap, GivesNoBitmapForImpossibleTargets) {
  GdiBalance balance;
  OwnedGdiObject<HBITMAP> source(makePicture(5, 3, uniformPixels(255)));
  ASSERT_NE(source.get(), nullptr);
  struct Case {
    const char* name;
    bool nullSource;
    int32_t width, height;
    bool failBitmap;
  };
  const Case cases[] = {
      {"no source", true, 2, 2, false},
      {"zero width", false, 0, 2, false},
      {"zero height", false, 2, 0, false},
      {"negative width", false, -1, 2, false},
      {"negative height", false, 2, -5, false},
      {"wider than the source", false, 6, 2, false},
      {"taller than the source", false, 2, 4, false},
      {"target bitmap cannot be made", false, 2, 2, true},
  };
  for (const Case& c : cases) {
    if (c.failBitmap) allocation_faults::failAt(AllocationSite::DisplayBitmap);
    HBITMAP result = downscaleBitmap(c.nullSource ? nullptr : source.get(), c.width, c.height);
    EXPECT_EQ(result, nullptr) << c.name;
    if (result) DeleteObject(result);
    allocation_faults::clear();
  }
}

TEST(DownscaleBitmap, MemoryFailureReturnsTheTargetBlack) {
  GdiBalance balance;
  OwnedGdiObject<HBITMAP> source(makePicture(9, 7, uniformPixels(255)));
  ASSERT_NE(source.get(), nullptr);
  for (AllocationSite site : {AllocationSite::DownscaleSource, AllocationSite::DownscaleTarget,
                              AllocationSite::DownscaleAccumulator}) {
    const std::string what = "failing " + siteName(site);
    allocation_faults::failAt(site);
    OwnedGdiObject<HBITMAP> target(downscaleBitmap(source.get(), 5, 3));
    allocation_faults::clear();
    ASSERT_NE(target.get(), nullptr) << what;
    expectPictureEquals(readPicture(target.get(), 5, 3, what), std::vector<uint8_t>(5 * 3 * 3, 0), 5, what);
  }
}

}  // namespace
