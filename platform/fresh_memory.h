// Fresh memory from the operating system is mapped one page at a time, on
// first touch. For the large blocks every render fills completely, asking for
// all of the pages at once is much cheaper than thousands of separate faults.
#pragma once

#include <cstddef>

// Blocks smaller than this are left alone: they come from the heap's own
// pages, which are usually mapped already.
constexpr size_t kPrefaultFrom = size_t{1} << 20;
// Larger ones too: an image far beyond the screen may be refused after its
// pixel block was allocated (its display bitmap cannot be made), and mapping
// gigabytes ahead would cost seconds and could exhaust memory that an
// untouched block never takes.
constexpr size_t kPrefaultUpTo = size_t{256} << 20;

// Maps the whole pages inside [block, block + bytes) for writing, for blocks
// of kPrefaultFrom to kPrefaultUpTo bytes where the platform can do that in
// one request; otherwise does nothing. Never changes the contents: fresh
// pages read as zero either way.
void prefaultForWriting(void* block, size_t bytes);
