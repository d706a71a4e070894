// The area-averaging downscaler: pinned digests, and every refusal and failed allocation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "image/downscaler.h"
#include "platform/gdi_guards.h"
#include "support/image_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Packed: rows top first, three bytes a pixel, no alignment bytes.
struct Picture {
  uint32_t width, height;
  Bytes bytes;
};

struct Noise {  // xorshift, the same on every platform
  uint32_t state;
  uint32_t next() { return state ^= state << 13, state ^= state >> 17, state ^= state << 5; }
  uint32_t below(uint32_t limit) { return next() % limit; }
};

// Black and white puts many means on or next to a half, so rounding shows.
Picture noise(uint32_t width, uint32_t height, uint32_t seed, bool blackAndWhite = false) {
  Noise rng{seed};
  Picture picture{width, height, Bytes(size_t(width) * height * 3)};
  for (uint8_t& byte : picture.bytes) byte = blackAndWhite ? (rng.next() >> 31) * 255 : rng.next() >> 24;
  return picture;
}

std::string sizes(uint32_t sw, uint32_t sh, uint32_t w, uint32_t h) {
  return std::to_string(sw) + "x" + std::to_string(sh) + " -> " + std::to_string(w) + "x" + std::to_string(h);
}

// downscaleBlock's reduction, packed; empty, with a failure, when refused.
Bytes reduced(const Picture& source, uint32_t width, uint32_t height) {
  PixelBlock block{}, target{};
  allocPixelBlock(source.width, source.height, block, AllocationSite::DownscaleSource);
  for (uint32_t y = 0; block.data && y < source.height; ++y)
    std::memcpy(block.data + y * block.stride, &source.bytes[size_t(y) * source.width * 3], source.width * 3);
  EXPECT_TRUE(downscaleBlock(block, target, width, height));
  Bytes pixels;
  for (uint32_t y = 0; target.data && y < height; ++y)
    pixels.insert(pixels.end(), target.data + y * target.stride, target.data + y * target.stride + width * 3);
  freePixelBlock(block);
  freePixelBlock(target);
  return pixels;
}

// Single-precision sums this long overshoot white to 256: no wrap to black.
TEST(AreaAverage, LongSumsOfWhiteStayWhite) {
  for (const auto& [sw, sh] : {std::pair(700u, 700u), std::pair(2000u, 200u)})
    EXPECT_EQ(reduced(Picture{sw, sh, Bytes(size_t(sw) * sh * 3, 255)}, 1, 1), Bytes(3, 255)) << sw << "x" << sh;
}

// Exact values (the thumbnail digests cover only thumbnail sizes): means on halves in black and white, sums that
// a share rounded elsewhere or kept in double would change, sides and rows past 65535.
TEST(AreaAverage, PinnedDigestsOfReductions) {
  const struct {
    uint32_t sw, sh, width, height, seed;
    bool blackAndWhite;
    uint64_t digest;
  } cases[] = {
      {641, 479, 178, 133, 1, true, 0x235309b5951200d1ull}, {1000, 10, 178, 1, 4, true, 0x096deac2ee80c17bull},
      {10, 1000, 1, 143, 5, true, 0x01a1e4f59086f85cull},   {2000, 1500, 178, 133, 9, false, 0xd2bbe727e1bdce57ull},
      {4099, 301, 177, 13, 10, false, 0x77e415630a3ca10cull}, {70000, 2, 35001, 1, 11, false, 0x3b513657267c91e0ull},
      {3, 66000, 2, 65999, 12, false, 0xd992411266573b76ull},
  };
  auto digest = [](const Bytes& pixels) { return fnv1a(pixels.data(), pixels.size()); };
  for (const auto& c : cases)
    EXPECT_EQ(digest(reduced(noise(c.sw, c.sh, c.seed, c.blackAndWhite), c.width, c.height)), c.digest)
        << sizes(c.sw, c.sh, c.width, c.height);
  Noise random{4242};
  uint64_t chained = 0;
  for (uint32_t trial = 0; trial < 400; ++trial) {
    const uint32_t sw = 1 + random.below(120), sh = 1 + random.below(120);
    const uint32_t width = 1 + random.below(sw), height = 1 + random.below(sh);
    chained = chained * 1099511628211ull ^ digest(reduced(noise(sw, sh, trial + 100, true), width, height));
  }
  EXPECT_EQ(chained, 0x8605e042456f793dull);
}

// A refusal gives no bitmap; a failed allocation no bitmap when it is the bitmap's, else a black one (the block's
// refusals and failures are the downscale fuzzer's).
TEST(DownscaleBitmap, RefusalsAndFailedAllocations) {
  using Site = AllocationSite;
  const OwnedGdiObject<HBITMAP> white(createDisplayBitmap(5, 3));
  ASSERT_NE(describeBitmap(white.get()).bits, nullptr);
  std::memset(describeBitmap(white.get()).bits, 255, displayRowBytes(5) * 3);
  const int32_t refused[][2] = {{6, 3}, {5, 4}, {0, 2}, {2, 0}, {2, -5}};
  for (const auto& [width, height] : refused)
    EXPECT_EQ(OwnedGdiObject<HBITMAP>(downscaleBitmap(white.get(), width, height)).get(), nullptr) << width;
  for (Site failing : {Site::DisplayBitmap, Site::DownscaleSource, Site::DownscaleTarget, Site::DownscaleAccumulator}) {
    SCOPED_TRACE("failing site " + std::to_string(int(failing)));
    allocation_faults::failAt(failing);
    const OwnedGdiObject<HBITMAP> result(downscaleBitmap(white.get(), 4, 3));
    const uint8_t* bits = describeBitmap(result.get()).bits;
    if (failing == Site::DisplayBitmap) {
      EXPECT_EQ(result.get(), nullptr);
    } else {
      ASSERT_NE(bits, nullptr);
      EXPECT_EQ(Bytes(bits, bits + displayRowBytes(4) * 3), Bytes(displayRowBytes(4) * 3, 0)) << "black";
    }
  }
  // Stride x height wraps to 0 in 64 bits: refused, not a 1-byte block.
  PixelBlock wrapped{};
  allocPixelBlock(2863311530u, 2147483648u, wrapped, Site::DownscaleTarget);
  EXPECT_EQ(wrapped.data, nullptr);
}

}  // namespace
