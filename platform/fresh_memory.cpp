#include "fresh_memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__linux__) && !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it, which is harmless
#endif

void prefaultForWriting(void* block, size_t bytes) {
#if defined(__linux__)
  if (!block || bytes < kPrefaultFrom || bytes > kPrefaultUpTo) return;
  static const uintptr_t pageSize = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t start = (uintptr_t(block) + pageSize - 1) & ~(pageSize - 1);
  const uintptr_t end = (uintptr_t(block) + bytes) & ~(pageSize - 1);
  // Only an optimisation: a refusal (old kernel, locked memory) leaves the
  // pages to be mapped on first touch as before.
  if (end > start) (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
  // Elsewhere pages keep being mapped on first touch.
  (void)block;
  (void)bytes;
#endif
}
