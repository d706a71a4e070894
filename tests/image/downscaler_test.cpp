// The area-averaging downscaler: the pure reduction against worked values, an
// exact area-overlap reference and pinned digests, then the bitmap edge
// (orientation, channel order, padding) and every failure path.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/display_bitmap.h"
#include "image/downscaler.h"  // with area_average.h
#include "image/pixel_layout.h"
#include "platform/gdi_guards.h"

namespace {

// Pixels packed: rows top first, three bytes a pixel in block order, no
// alignment bytes.
struct Picture {
  uint32_t width, height;
  std::vector<uint8_t> bytes;
};

// Deterministic xorshift numbers, the same on every platform.
struct Noise {
  uint32_t state;
  uint32_t next() { return state ^= state << 13, state ^= state >> 17, state ^= state << 5; }
  uint32_t below(uint32_t limit) { return next() % limit; }
};

// Bytes of every value, or each 0 or 255: the means of black-and-white
// pictures often lie on or very near a half, so the last rounding step of a
// sum decides the byte, and a changed rounding step shows in the output.
Picture noise(uint32_t width, uint32_t height, uint32_t seed, bool blackAndWhite = false) {
  Noise rng{seed};
  Picture picture{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
  for (uint8_t& byte : picture.bytes) byte = blackAndWhite ? (rng.next() >> 31) * 255 : rng.next() >> 24;
  return picture;
}

std::string sizeText(uint32_t sw, uint32_t sh, uint32_t w, uint32_t h) {
  return std::to_string(sw) + "x" + std::to_string(sh) + " -> " + std::to_string(w) + "x" + std::to_string(h);
}

// The reduction of `source` by downscaleBlock, packed; empty, with a failure,
// when refused.
std::vector<uint8_t> reduced(const Picture& source, uint32_t width, uint32_t height) {
  PixelBlock block{}, target{};
  allocPixelBlock(source.width, source.height, block, AllocationSite::DownscaleSource);
  for (uint32_t y = 0; block.data && y < source.height; ++y)
    std::memcpy(block.data + y * block.stride, &source.bytes[size_t(y) * source.width * 3], source.width * 3);
  EXPECT_TRUE(downscaleBlock(block, target, width, height))
      << sizeText(source.width, source.height, width, height);
  std::vector<uint8_t> pixels;
  for (uint32_t y = 0; target.data && y < height; ++y)
    pixels.insert(pixels.end(), target.data + y * target.stride, target.data + y * target.stride + width * 3);
  freePixelBlock(block);
  freePixelBlock(target);
  return pixels;
}

// The mean of the source area under every target pixel, rounded half up, by
// direct overlap: measured in 1/W of a source column and 1/H of a source row,
// target column tx spans [tx * sw, (tx + 1) * sw) and source column sx spans
// [sx * W, (sx + 1) * W), so every overlap is an exact integer.
std::vector<uint8_t> referenceReduction(const Picture& source, uint32_t width, uint32_t height) {
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
          for (int k = 0; k < 3; ++k) sum[k] += source.bytes[(sy * sw + sx) * 3 + k] * part;
        }
      }
      for (int k = 0; k < 3; ++k)
        result[(ty * width + tx) * 3 + k] = static_cast<uint8_t>((2 * sum[k] + sw * sh) / (2 * sw * sh));
    }
  }
  return result;
}

// Fails, naming the first few pixels, unless every byte of `actual` lies
// within `tolerance` of `expected`; both packed, `width` pixels a row.
void expectPixels(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected, uint32_t width,
                  const std::string& what, int tolerance = 0) {
  ASSERT_EQ(actual.size(), expected.size()) << what << ": byte count";
  for (size_t i = 0, reported = 0; i < actual.size() && reported < 5; ++i)
    if (std::abs(actual[i] - expected[i]) > tolerance && ++reported)
      ADD_FAILURE() << what << ": pixel (" << i / 3 % width << ", " << i / 3 / width << ") byte " << i % 3
                    << " is " << int(actual[i]) << ", expected " << int(expected[i]) << " +-" << tolerance;
}

// FNV-1a.
uint64_t digest(const std::vector<uint8_t>& pixels) {
  uint64_t hash = 1469598103934665603ull;
  for (uint8_t byte : pixels) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

Picture grey(uint32_t width, uint32_t height, const std::vector<uint8_t>& values) {
  Picture picture{width, height, {}};
  for (uint8_t value : values) picture.bytes.insert(picture.bytes.end(), 3, value);
  return picture;
}

TEST(AreaAverage, WorkedExamplesGiveTheirExactValues) {
  const struct {
    Picture source;
    uint32_t width, height;
    std::vector<uint8_t> expected;  // grey values
  } cases[] = {
      // The middle pixel is shared half and half, across or down; factor 0.4.
      {grey(5, 1, {10, 20, 100, 40, 50}), 2, 1, {32, 56}},
      {grey(1, 5, {10, 20, 100, 40, 50}), 1, 2, {32, 56}},
      // Centre shared in quarters, edge middles in halves; factor 4/9.
      {grey(3, 3, {0, 90, 180, 30, 120, 210, 60, 150, 240}), 2, 2, {40, 160, 80, 200}},
      // A mean of exactly one half rounds up.
      {grey(2, 1, {0, 1}), 1, 1, {1}},
      {grey(1, 2, {0, 1}), 1, 1, {1}},
      // Single-precision sums of this many pixels overshoot a white mean to
      // 256; it must not wrap round to black.
      {grey(700, 700, std::vector<uint8_t>(700 * 700, 255)), 1, 1, {255}},
      {grey(2000, 200, std::vector<uint8_t>(2000 * 200, 255)), 1, 1, {255}},
  };
  for (const auto& [source, width, height, expected] : cases)
    expectPixels(reduced(source, width, height), grey(width, height, expected).bytes, width,
                 sizeText(source.width, source.height, width, height));
}

TEST(AreaAverage, AgreesWithAreaOverlapReference) {
  // Source plus target side past 65535; rows of more than 65535 bytes.
  std::vector<std::array<uint32_t, 4>> sizes = {{70000, 2, 35001, 1}, {3, 66000, 2, 65999}};
  Noise random{2024};
  for (uint32_t trial = 0; trial < 60; ++trial) {
    const uint32_t sw = 1 + random.below(trial % 5 == 0 ? 700 : 60);
    const uint32_t sh = 1 + random.below(trial % 7 == 0 ? 500 : 60);
    sizes.push_back({sw, sh, 1 + random.below(sw), 1 + random.below(sh)});
  }
  uint32_t seed = 1;
  for (const auto& [sw, sh, width, height] : sizes) {
    const Picture source = noise(sw, sh, seed++);
    expectPixels(reduced(source, width, height), referenceReduction(source, width, height), width,
                 sizeText(sw, sh, width, height), 1);
    if (HasFailure()) return;
  }
}

// Every output bit follows from the rounding steps of the reduction; these
// digests make sure that no rewrite of it changes one. A changed step (a share
// rounded elsewhere, a sum kept in double) alters roughly one byte in a
// thousand of black-and-white noise, and hardly any of smooth content; the
// full-range cases have long runs of whole pixels, where a reordered sum shows.
TEST(AreaAverage, PinnedDigestsOfReductions) {
  const struct {
    uint32_t sw, sh, width, height, seed;
    bool blackAndWhite;
    uint64_t digest;
  } cases[] = {
      {641, 479, 178, 133, 1, true, 0x235309b5951200d1ull}, {313, 100, 177, 56, 2, true, 0x69e9d83872939767ull},
      {179, 145, 177, 143, 3, true, 0xae8b985f11e54865ull}, {1000, 10, 178, 1, 4, true, 0x096deac2ee80c17bull},
      {10, 1000, 1, 143, 5, true, 0x01a1e4f59086f85cull},   {97, 89, 13, 7, 6, true, 0xb182061aa88df8eaull},
      {5, 5, 4, 4, 8, true, 0x84328e555c91371dull},
      {2000, 1500, 178, 133, 9, false, 0xd2bbe727e1bdce57ull},
      {4099, 301, 177, 13, 10, false, 0x77e415630a3ca10cull},
  };
  for (const auto& c : cases) {
    const uint64_t actual = digest(reduced(noise(c.sw, c.sh, c.seed, c.blackAndWhite), c.width, c.height));
    EXPECT_EQ(actual, c.digest) << sizeText(c.sw, c.sh, c.width, c.height) << " seed " << c.seed;
  }
  // Many small reductions of every shape, chained into one digest.
  Noise random{4242};
  uint64_t chained = 0;
  for (uint32_t trial = 0; trial < 400; ++trial) {
    const uint32_t sw = 1 + random.below(120), sh = 1 + random.below(120);
    const uint32_t width = 1 + random.below(sw), height = 1 + random.below(sh);
    chained = chained * 1099511628211ull ^ digest(reduced(noise(sw, sh, trial + 100, true), width, height));
  }
  EXPECT_EQ(chained, 0x8605e042456f793dull) << "chained digest of 400 small reductions";
}

// ---- The bitmap edge -------------------------------------------------------

// A display bitmap holding the picture (bytes blue, green, red), or null.
HBITMAP makeBitmap(const Picture& picture) {
  HBITMAP bitmap = createDisplayBitmap(int32_t(picture.width), int32_t(picture.height));
  const BitmapFacts facts = describeBitmap(bitmap);
  for (uint32_t y = 0; facts.bits && y < picture.height; ++y)  // bottom-up
    std::memcpy(facts.bits + (picture.height - 1 - y) * displayRowBytes(picture.width),
                &picture.bytes[size_t(y) * picture.width * 3], picture.width * 3);
  return bitmap;
}

// The bitmap's pixels packed, top row first; checks its alignment bytes.
std::vector<uint8_t> readBitmap(HBITMAP bitmap, const std::string& what) {
  const BitmapFacts facts = describeBitmap(bitmap);
  const size_t stride = displayRowBytes(uint32_t(facts.width)), rowBytes = size_t(facts.width) * 3;
  std::vector<uint8_t> pixels;
  for (int32_t y = 0; facts.bits && y < facts.height; ++y) {
    const uint8_t* row = facts.bits + size_t(facts.height - 1 - y) * stride;
    pixels.insert(pixels.end(), row, row + rowBytes);
    for (size_t i = rowBytes; i < stride; ++i)
      EXPECT_EQ(row[i], 0) << what << ": alignment byte " << i << " of row " << y;
  }
  return pixels;
}

class DownscaleBitmap : public ::testing::Test {
#ifndef _WIN32  // the stand-in counts what is alive; real GDI offers no such count
  const int objects_ = gdi_standin::liveObjectCount();
  void TearDown() override {
    EXPECT_EQ(gdi_standin::liveObjectCount(), objects_) << "GDI objects leaked";
    EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0) << "screen DC not released";
  }
#endif
};

// Reading or writing rows bottom first, or bytes in another order, would
// reduce another picture: in noise, double flips too change the rounding.
TEST_F(DownscaleBitmap, MatchesThePureReductionOfTheSamePicture) {
  // Blue holds the worked 3 x 3 example, green its transpose, red a constant.
  const Picture example{3, 3, {0,  0,   10, 90,  30,  10, 180, 60,  10,   // top row
                               30, 90,  10, 120, 120, 10, 210, 150, 10,
                               60, 180, 10, 150, 210, 10, 240, 240, 10}};
  const struct {
    Picture picture;
    uint32_t width, height;  // rows of 6, 291, 93, 18 and 15 bytes, all padded
  } cases[] = {{example, 2, 2}, {noise(97, 61, 300, true), 31, 17}, {noise(6, 5, 301, true), 5, 3}};
  for (const auto& [picture, width, height] : cases) {
    const std::string what = sizeText(picture.width, picture.height, width, height);
    OwnedGdiObject<HBITMAP> source(makeBitmap(picture));
    OwnedGdiObject<HBITMAP> target(downscaleBitmap(source.get(), int32_t(width), int32_t(height)));
    expectPixels(readBitmap(target.get(), what), reduced(picture, width, height), width, what);
  }
}

// Refused targets and failed allocations: downscaleBlock leaves its target
// empty (not as it found it); downscaleBitmap gives no bitmap, or a black one
// when only reading or reducing failed.
TEST_F(DownscaleBitmap, RefusalsAndFailedAllocations) {
  using Site = AllocationSite;
  const Site none = Site::Count;
  OwnedGdiObject<HBITMAP> bitmap(makeBitmap({5, 3, std::vector<uint8_t>(5 * 3 * 3, 255)}));
  PixelBlock source{};
  ASSERT_TRUE(readPixelBlock(bitmap.get(), source));
  const struct {
    int32_t width, height;
    Site failing;
  } cases[] = {{6, 3, none}, {5, 4, none}, {0, 2, none}, {2, 0, none}, {2, -5, none},
               {4, 3, Site::DisplayBitmap}, {4, 3, Site::DownscaleSource},
               {4, 3, Site::DownscaleTarget}, {4, 3, Site::DownscaleAccumulator}};
  for (const auto& c : cases) {
    const std::string what = sizeText(5, 3, uint32_t(c.width), uint32_t(c.height)) + ", failing site " +
                             std::to_string(int(c.failing));
    if (c.failing != none) allocation_faults::failAt(c.failing);
    OwnedGdiObject<HBITMAP> result(downscaleBitmap(bitmap.get(), c.width, c.height));
    allocation_faults::clear();
    if (c.failing != none && c.failing != Site::DisplayBitmap)
      expectPixels(readBitmap(result.get(), what), std::vector<uint8_t>(4 * 3 * 3, 0), 4, what);
    else
      EXPECT_EQ(result.get(), nullptr) << what;
    if (c.failing == Site::DisplayBitmap || c.failing == Site::DownscaleSource) continue;  // not the block's
    if (c.failing != none) allocation_faults::failAt(c.failing);
    uint8_t stale = 0;
    PixelBlock target{0, 0, 0, &stale};
    EXPECT_FALSE(downscaleBlock(source, target, uint32_t(c.width), uint32_t(c.height))) << what;
    EXPECT_EQ(target.data, nullptr) << what;
    allocation_faults::clear();
  }
  freePixelBlock(source);
  // Stride x height wraps to 0 in 64 bits: refused, not a 1-byte block.
  PixelBlock wrapped{};
  allocPixelBlock(2863311530u, 2147483648u, wrapped, Site::DownscaleTarget);
  EXPECT_EQ(wrapped.data, nullptr);
}

}  // namespace
