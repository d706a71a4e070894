#include "allocation.h"

#include <cstdlib>

namespace {
// Per site: successful allocations still allowed before the injected failure,
// or -1 when none is pending.
int g_pendingFailure[static_cast<int>(AllocationSite::Count)] = {-1, -1, -1, -1, -1, -1, -1};
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
  return std::calloc(bytes ? bytes : 1, 1);
}

void* allocateBlock(AllocationSite site, size_t bytes) {
  if (allocationShouldFail(site)) return nullptr;
  return std::malloc(bytes ? bytes : 1);
}

void freeBlock(void* block) { std::free(block); }

namespace allocation_faults {
void failAt(AllocationSite site, int skip) { g_pendingFailure[static_cast<int>(site)] = skip; }
void clear() {
  for (int& pending : g_pendingFailure) pending = -1;
}
}  // namespace allocation_faults
