// Heap blocks of the image core. Every allocation names its site, so a test
// can make exactly that allocation fail and check the failure path.
#pragma once

#include <cstddef>

enum class AllocationSite {
  PixelBlock,            // an image's packed pixels
  DisplayBitmap,         // a DIB section (checked before the platform call)
  DiagonalTables,        // the diagonal renderer's column and row tables
  DownscaleSource,       // the downscaler's copy of the source bitmap
  DownscaleTarget,       // the downscaler's reduced block
  DownscaleAccumulator,  // the downscaler's float sums
  Count
};

// Zero-filled block, or null when the heap is exhausted (or a failure is injected).
void* allocateZeroedBlock(AllocationSite site, size_t bytes);
// Uninitialised block, or null.
void* allocateBlock(AllocationSite site, size_t bytes);
void freeBlock(void* block);
// Frees an image's pixel block of `bytes`: a large one is kept, for the next
// image or thumbnail source of about its size.
void freeImagePixels(void* block, size_t bytes);

// Bytes of the freed block held for reuse (0 when none is held).
size_t keptBlockBytes();

// True when a failure was injected for this site's next allocation; consumes it.
// For allocations made by the platform itself (DIB sections).
bool allocationShouldFail(AllocationSite site);

// Test-only: the allocation at `site` after `skip` successful ones fails, once.
namespace allocation_faults {
void failAt(AllocationSite site, int skip = 0);
void clear();
}  // namespace allocation_faults
