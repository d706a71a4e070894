// The rules for folder texts held in 256-byte buffers: a non-empty folder
// ends in a backslash, and a folder that does not fit is never truncated into
// a different folder.
#pragma once

#include <cstddef>

// The folder part of a backslash-separated path: every token but the last,
// each followed by one backslash (runs of backslashes count as one, leading
// and trailing ones make no empty token). Writes the NUL-terminated folder to
// `out` and returns true, or writes "" and returns false when it does not fit
// in `outSize` bytes.
bool folderOfPath(const char* path, char* out, size_t outSize);

// Appends a backslash to a non-empty folder that lacks one. Returns false,
// leaving the text unchanged, when the backslash would not fit in `size` bytes.
bool appendTrailingBackslash(char* folder, size_t size);
