#include "allocation.h"

#include <cstdlib>
#include <cstring>

#include "fresh_memory.h"
#include "sanitizer_poison.h"

namespace {
// Per site: successful allocations still allowed before the injected failure,
// or -1 when none is pending.
int g_pendingFailure[static_cast<int>(AllocationSite::Count)] = {-1, -1, -1, -1, -1, -1};

// Every render reads the whole image into a fresh block for the thumbnail
// (the downscaler's source) and frees it again. Large blocks come straight
// from the operating system, and touching fresh pages costs more than the
// reduction itself, so the last such block is kept and handed out again while
// the image keeps its size. Only that site and an image's pixel block take
// part (a new image of about the same size takes the kept block, and the old
// image's pixels are kept in turn for the next thumbnail), so other blocks can
// neither evict it nor be pinned by it.
constexpr size_t kReuseThreshold = size_t{64} * 1024;
// Larger blocks (images far beyond the screen) are rare; keeping one would pin
// that much memory after, say, a refused resize.
constexpr size_t kKeepLimit = size_t{256} * 1024 * 1024;

struct LargeBlock {
  void* block;
  size_t bytes;
};
// The source block handed out and not yet freed (freeBlock needs its size;
// the program has one at a time, a second one is simply not kept), and the
// freed one kept for reuse.
LargeBlock g_liveSource = {nullptr, 0};
LargeBlock g_kept = {nullptr, 0};

void trackSource(void* block, size_t bytes) {
  if (block && bytes >= kReuseThreshold && !g_liveSource.block) g_liveSource = {block, bytes};
}

// The size of the live source block when that is `block`, which stops being
// tracked; 0 otherwise.
size_t untrack(void* block) {
  if (block != g_liveSource.block) return 0;
  const size_t bytes = g_liveSource.bytes;
  g_liveSource = {nullptr, 0};
  return bytes;
}

void releaseKept() {
  if (!g_kept.block) return;
  SHADELOOM_UNPOISON(g_kept.block, g_kept.bytes);
  std::free(g_kept.block);
  g_kept = {nullptr, 0};
}

// The kept block when it suits a request of `bytes`, or null (having
// released a kept block that does not suit it, before anything new is
// allocated, so the two never coexist). A taken source block is tracked with
// its whole size.
void* takeKept(AllocationSite site, size_t bytes) {
  if (!g_kept.block) return nullptr;
  if (bytes < kReuseThreshold || g_kept.bytes < bytes || g_kept.bytes / 2 > bytes) {
    releaseKept();
    return nullptr;
  }
  void* block = g_kept.block;
  SHADELOOM_UNPOISON(block, bytes);  // the rest stays out of bounds
  if (site == AllocationSite::DownscaleSource) trackSource(block, g_kept.bytes);
  g_kept = {nullptr, 0};
  return block;
}

void keep(void* block, size_t bytes) {
  if (bytes < kReuseThreshold || bytes > kKeepLimit) {
    std::free(block);
    return;
  }
  releaseKept();
  g_kept = {block, bytes};
  // A use after free of the kept block is still reported.
  SHADELOOM_POISON(block, bytes);
}
}  // namespace

bool allocationShouldFail(AllocationSite site) {
  int& pending = g_pendingFailure[static_cast<int>(site)];
  if (pending < 0) return false;
  if (pending > 0) {
    --pending;
    return false;
  }
  pending = -1;
  return true;
}

void* allocateZeroedBlock(AllocationSite site, size_t bytes) {
  if (allocationShouldFail(site)) return nullptr;
  // A new image: while it is made the old one is still alive, and the kept
  // block would be a third image-sized block beside them. So the new image
  // takes it when it suits (its pages are mapped already; clearing them costs
  // less than fresh pages), and otherwise it is released first.
  if (site == AllocationSite::PixelBlock) {
    if (void* block = takeKept(site, bytes)) return std::memset(block, 0, bytes);
  }
  void* block = std::calloc(bytes ? bytes : 1, 1);
  prefaultForWriting(block, bytes);
  return block;
}

void* allocateBlock(AllocationSite site, size_t bytes) {
  if (allocationShouldFail(site)) return nullptr;
  if (site == AllocationSite::DownscaleSource) {
    if (void* block = takeKept(site, bytes)) return block;
  }
  void* block = std::malloc(bytes ? bytes : 1);
  prefaultForWriting(block, bytes);
  if (site == AllocationSite::DownscaleSource) trackSource(block, bytes);
  return block;
}

void freeBlock(void* block) {
  if (!block) return;
  keep(block, untrack(block));
}

void freeImagePixels(void* block, size_t bytes) {
  if (block) keep(block, bytes);
}

size_t keptBlockBytes() { return g_kept.bytes; }

namespace allocation_faults {
void failAt(AllocationSite site, int skip) { g_pendingFailure[static_cast<int>(site)] = skip; }
void clear() {
  for (int& pending : g_pendingFailure) pending = -1;
}
}  // namespace allocation_faults
