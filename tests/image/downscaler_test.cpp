// The area-averaging downscaler: worked values, an exact area-overlap
// reference, pinned digests, and every refusal and failed allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
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

Picture grey(uint32_t width, uint32_t height, const Bytes& values) {
  Picture picture{width, height, {}};
  for (uint8_t value : values) picture.bytes.insert(picture.bytes.end(), 3, value);
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

// The exact mean under each target pixel, rounded half up; in units of 1/W
// of a source column (1/H of a row) every overlap is an integer.
Bytes referenceReduction(const Picture& source, uint32_t width, uint32_t height) {
  const uint64_t sw = source.width, sh = source.height;
  auto overlap = [](uint64_t begin, uint64_t end, uint64_t from, uint64_t length) {
    return std::min(end, from + length) - std::max(begin, from);
  };
  Bytes result;
  for (uint64_t ty = 0; ty < height; ++ty)
    for (uint64_t tx = 0; tx < width; ++tx) {
      uint64_t sum[3] = {};
      for (uint64_t sy = ty * sh / height; sy * height < (ty + 1) * sh; ++sy)
        for (uint64_t sx = tx * sw / width; sx * width < (tx + 1) * sw; ++sx) {
          const uint64_t part =
              overlap(ty * sh, (ty + 1) * sh, sy * height, height) * overlap(tx * sw, (tx + 1) * sw, sx * width, width);
          for (int k = 0; k < 3; ++k) sum[k] += source.bytes[(sy * sw + sx) * 3 + k] * part;
        }
      for (uint64_t channel : sum) result.push_back(uint8_t((2 * channel + sw * sh) / (2 * sw * sh)));
    }
  return result;
}

void expectPixels(const Bytes& actual, const Bytes& expected, uint32_t width, int tolerance = 0) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i)
    if (std::abs(actual[i] - expected[i]) > tolerance) {
      ADD_FAILURE() << "pixel (" << i / 3 % width << ", " << i / 3 / width << ") byte " << i % 3 << " is "
                    << int(actual[i]) << ", expected " << int(expected[i]) << " +-" << tolerance;
      return;
    }
}

TEST(AreaAverage, WorkedExamplesGiveTheirExactValues) {
  const struct {
    Picture source;
    uint32_t width, height;
    Bytes expected;  // grey values
  } cases[] = {
      // Shared pixels across, down and in quarters; a mean of one half rounds up.
      {grey(5, 1, {10, 20, 100, 40, 50}), 2, 1, {32, 56}},
      {grey(1, 5, {10, 20, 100, 40, 50}), 1, 2, {32, 56}},
      {grey(3, 3, {0, 90, 180, 30, 120, 210, 60, 150, 240}), 2, 2, {40, 160, 80, 200}},
      {grey(2, 1, {0, 1}), 1, 1, {1}},
      {grey(1, 2, {0, 1}), 1, 1, {1}},
      // Single-precision sums this long overshoot white to 256: no wrap to black.
      {grey(700, 700, Bytes(700 * 700, 255)), 1, 1, {255}},
      {grey(2000, 200, Bytes(2000 * 200, 255)), 1, 1, {255}},
  };
  for (const auto& [source, width, height, expected] : cases) {
    SCOPED_TRACE(sizes(source.width, source.height, width, height));
    expectPixels(reduced(source, width, height), grey(width, height, expected).bytes, width);
  }
}

TEST(AreaAverage, AgreesWithAreaOverlapReference) {
  // Source plus target side past 65535; rows of more than 65535 bytes.
  std::vector<std::array<uint32_t, 4>> cases = {{70000, 2, 35001, 1}, {3, 66000, 2, 65999}};
  Noise random{2024};
  for (uint32_t trial = 0; trial < 60; ++trial) {
    const uint32_t sw = 1 + random.below(trial % 5 == 0 ? 700 : 60);
    const uint32_t sh = 1 + random.below(trial % 7 == 0 ? 500 : 60);
    cases.push_back({sw, sh, 1 + random.below(sw), 1 + random.below(sh)});
  }
  uint32_t seed = 1;
  for (const auto& [sw, sh, width, height] : cases) {
    SCOPED_TRACE(sizes(sw, sh, width, height));
    const Picture source = noise(sw, sh, seed++);
    expectPixels(reduced(source, width, height), referenceReduction(source, width, height), width, 1);
    if (HasFailure()) return;
  }
}

// The reference allows one step; these catch a share rounded elsewhere or a
// sum kept in double or reordered.
TEST(AreaAverage, PinnedDigestsOfReductions) {
  const struct {
    uint32_t sw, sh, width, height, seed;
    bool blackAndWhite;
    uint64_t digest;
  } cases[] = {
      {641, 479, 178, 133, 1, true, 0x235309b5951200d1ull}, {1000, 10, 178, 1, 4, true, 0x096deac2ee80c17bull},
      {10, 1000, 1, 143, 5, true, 0x01a1e4f59086f85cull},   {2000, 1500, 178, 133, 9, false, 0xd2bbe727e1bdce57ull},
      {4099, 301, 177, 13, 10, false, 0x77e415630a3ca10cull},
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

// A refusal gives no bitmap and an empty (not untouched) block target; a
// failed allocation no bitmap when it is the bitmap's, else a black one.
TEST(DownscaleBitmap, RefusalsAndFailedAllocations) {
  using Site = AllocationSite;
  const OwnedGdiObject<HBITMAP> white(createDisplayBitmap(5, 3));
  ASSERT_NE(describeBitmap(white.get()).bits, nullptr);
  std::memset(describeBitmap(white.get()).bits, 255, displayRowBytes(5) * 3);
  PixelBlock source{};
  ASSERT_TRUE(readPixelBlock(white.get(), source));
  auto blockRefuses = [&source](int32_t width, int32_t height) {
    uint8_t stale = 0;
    PixelBlock target{0, 0, 0, &stale};
    return !downscaleBlock(source, target, uint32_t(width), uint32_t(height)) && !target.data;
  };
  const int32_t refused[][2] = {{6, 3}, {5, 4}, {0, 2}, {2, 0}, {2, -5}};
  for (const auto& [width, height] : refused) {
    EXPECT_EQ(OwnedGdiObject<HBITMAP>(downscaleBitmap(white.get(), width, height)).get(), nullptr) << width;
    EXPECT_TRUE(blockRefuses(width, height)) << width << "x" << height;
  }
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
    if (failing == Site::DisplayBitmap || failing == Site::DownscaleSource) continue;  // not the block's
    allocation_faults::failAt(failing);
    EXPECT_TRUE(blockRefuses(4, 3));
  }
  freePixelBlock(source);
  // Stride x height wraps to 0 in 64 bits: refused, not a 1-byte block.
  PixelBlock wrapped{};
  allocPixelBlock(2863311530u, 2147483648u, wrapped, Site::DownscaleTarget);
  EXPECT_EQ(wrapped.data, nullptr);
}

}  // namespace
