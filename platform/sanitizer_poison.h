// Marks memory a program keeps for reuse as off limits while it is not in
// use, so AddressSanitizer still reports a use after free of it.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define SHADELOOM_POISON(block, bytes) ASAN_POISON_MEMORY_REGION(block, bytes)
#define SHADELOOM_UNPOISON(block, bytes) ASAN_UNPOISON_MEMORY_REGION(block, bytes)
#else
#define SHADELOOM_POISON(block, bytes) ((void)(block), (void)(bytes))
#define SHADELOOM_UNPOISON(block, bytes) ((void)(block), (void)(bytes))
#endif
