// Large blocks handed out again honour each call's promise; injected failures still win.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/allocation.h"
#include "platform/fresh_memory.h"

#if defined(__linux__)
#include <unistd.h>
#endif

namespace {

constexpr size_t kLarge = size_t{3} * 1024 * 1024 + 5;  // the size of an image, odd on purpose

// A zeroed block reads zero even where a dirtied block was freed, and shares no memory with a live one.
TEST(Allocation, ReusedMemoryIsZeroedAndNeverSharedByLiveBlocks) {
  for (int round = 0; round < 3; ++round) {
    const size_t size = kLarge - round;
    void* dirty = allocateBlock(AllocationSite::DownscaleSource, kLarge);
    ASSERT_NE(dirty, nullptr);
    freeBlock(std::memset(dirty, 0xA5, kLarge));
    auto* zeroed = static_cast<uint8_t*>(allocateZeroedBlock(AllocationSite::PixelBlock, size));
    auto* other = static_cast<uint8_t*>(allocateBlock(AllocationSite::DownscaleSource, kLarge));
    ASSERT_TRUE(zeroed && other);
    std::memset(other, 0xFF, kLarge);
    for (size_t i = 0; i < size; ++i)
      ASSERT_EQ(zeroed[i], 0) << "byte " << i << " of " << size << " (0xA5: not zeroed, 0xFF: shared)";
    freeBlock(other);
    freeBlock(zeroed);
  }
}

// The kept source block yields to an injected failure (each call, each site) and to a new image, which takes
// or releases it (a resize holds two images, no more); released image pixels are kept in turn.
TEST(Allocation, TheKeptSourceBlockYieldsToInjectedFailuresAndNewImages) {
  freeBlock(allocateBlock(AllocationSite::DownscaleSource, kLarge));
  EXPECT_EQ(keptBlockBytes(), kLarge);
  for (AllocationSite site : {AllocationSite::DownscaleSource, AllocationSite::PixelBlock}) {
    allocation_faults::failAt(site);
    EXPECT_EQ(allocateZeroedBlock(site, kLarge), nullptr) << "zeroed, site " << int(site);
    allocation_faults::failAt(site);
    EXPECT_EQ(allocateBlock(site, kLarge), nullptr) << "uninitialised, site " << int(site);
  }
  void* pixels = allocateZeroedBlock(AllocationSite::PixelBlock, kLarge);
  EXPECT_NE(pixels, nullptr);
  EXPECT_EQ(keptBlockBytes(), 0u) << "kept beside a new image";
  freeImagePixels(pixels, kLarge);
  EXPECT_EQ(keptBlockBytes(), kLarge) << "an image's pixels are not kept";
  void* larger = allocateZeroedBlock(AllocationSite::PixelBlock, 3 * kLarge);
  EXPECT_EQ(keptBlockBytes(), 0u) << "kept beside a new image of another size";
  freeBlock(larger);
  void* source = allocateBlock(AllocationSite::DownscaleSource, kLarge);
  EXPECT_NE(source, nullptr);
  freeBlock(source);
}

// Mapping pages ahead never changes a block's contents, on a page boundary or not.
TEST(Allocation, PrefaultingKeepsTheContents) {
  for (size_t offset : {size_t{0}, size_t{1}, size_t{4095}}) {
    auto* block = static_cast<uint8_t*>(allocateBlock(AllocationSite::PixelBlock, kLarge + offset));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < kLarge; ++i) block[offset + i] = uint8_t(i * 7 + 3);
    prefaultForWriting(block + offset, kLarge);
    size_t differing = 0;
    for (size_t i = 0; i < kLarge; ++i) differing += block[offset + i] != uint8_t(i * 7 + 3);
    EXPECT_EQ(differing, 0u) << "offset " << offset;
    freeBlock(block);
  }
}

#if defined(__linux__)
long residentKiB() {
  long pages = 0, resident = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm && std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  if (statm) std::fclose(statm);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A huge pixel block (its image refused afterwards, for want of a display bitmap) is not mapped ahead.
TEST(Allocation, HugeBlocksAreNotMappedAhead) {
  const size_t huge = size_t{1} << 30;
  const long before = residentKiB();
  void* block = allocateZeroedBlock(AllocationSite::PixelBlock, huge);
  if (!block) GTEST_SKIP() << "no 1 GiB block here (memory limit)";
  const long after = residentKiB();
  freeBlock(block);
  EXPECT_LT(after - before, 64 * 1024) << "KiB mapped by allocating 1 GiB";
}
#endif

}  // namespace
