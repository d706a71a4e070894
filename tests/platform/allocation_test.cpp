// The heap blocks of the image core: a large block freed and handed out again
// must still honour each call's promise, and injected failures must still win.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/allocation.h"

namespace {

constexpr size_t kLarge = size_t{3} * 1024 * 1024 + 5;  // the size of an image, odd on purpose

TEST(Allocation, ZeroedBlockIsZeroEvenWhenMemoryIsReused) {
  // Dirty a large block and free it; the next large zeroed block, wherever it
  // comes from, must read back as zeros in every byte.
  for (int round = 0; round < 3; ++round) {
    auto* dirty = static_cast<uint8_t*>(allocateBlock(AllocationSite::DownscaleSource, kLarge));
    ASSERT_NE(dirty, nullptr);
    std::memset(dirty, 0xA5, kLarge);
    freeBlock(dirty);
    auto* zeroed = static_cast<uint8_t*>(allocateZeroedBlock(AllocationSite::PixelBlock, kLarge - round));
    ASSERT_NE(zeroed, nullptr);
    for (size_t i = 0; i < kLarge - round; ++i) ASSERT_EQ(zeroed[i], 0) << "byte " << i << ", round " << round;
    freeBlock(zeroed);
  }
}

TEST(Allocation, InjectedFailureWinsOverAFreedBlock) {
  void* block = allocateBlock(AllocationSite::DownscaleSource, kLarge);
  ASSERT_NE(block, nullptr);
  freeBlock(block);
  for (AllocationSite site : {AllocationSite::PixelBlock, AllocationSite::DownscaleSource}) {
    allocation_faults::failAt(site);
    EXPECT_EQ(allocateZeroedBlock(site, kLarge), nullptr) << "zeroed, site " << int(site);
    allocation_faults::failAt(site);
    EXPECT_EQ(allocateBlock(site, kLarge), nullptr) << "uninitialised, site " << int(site);
  }
  // Nothing else changed: the same request succeeds afterwards.
  void* again = allocateBlock(AllocationSite::DownscaleSource, kLarge);
  EXPECT_NE(again, nullptr);
  freeBlock(again);
}

TEST(Allocation, BlocksAliveTogetherAreDistinct) {
  // Two large blocks alive at once (an image's pixels and the thumbnail's
  // source) must never share memory, however blocks were freed before.
  void* first = allocateBlock(AllocationSite::DownscaleSource, kLarge);
  ASSERT_NE(first, nullptr);
  freeBlock(first);
  auto* pixels = static_cast<uint8_t*>(allocateZeroedBlock(AllocationSite::PixelBlock, kLarge));
  auto* source = static_cast<uint8_t*>(allocateBlock(AllocationSite::DownscaleSource, kLarge));
  ASSERT_NE(pixels, nullptr);
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(pixels + kLarge <= source || source + kLarge <= pixels);
  std::memset(source, 0xFF, kLarge);
  EXPECT_EQ(pixels[0], 0);
  EXPECT_EQ(pixels[kLarge - 1], 0);
  freeBlock(source);
  freeBlock(pixels);
}

}  // namespace
