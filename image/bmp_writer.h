// Saves a display bitmap as an uncompressed 24-bit BMP file.
#pragma once

#include <string>

#include "byte_sink.h"
#include "platform/gdi.h"

// Hands the BMP file of `bitmap` to `sink`: the headers, then the bits exactly
// as they lie in its memory. False for a bitmap that is no 24-bit display
// bitmap of a size a BMP file can hold, or when the sink refuses.
bool writeBmp(HBITMAP bitmap, ByteSink sink, void* context);

// writeBmp into the file at `path` (bottom row first, BGR, rows padded to 4
// bytes). Returns 1 when the
// whole file was written, 0 otherwise. An existing file at `path` is replaced
// only by a complete new one: after a failure it is left as it was, and no
// other file remains. A failing save sets `failureReason`, when given, to the
// system's text for the first step that failed ("" when no system call was to
// blame, as for a bad argument).
int writeBmpFile(const char* path, HBITMAP bitmap, std::string* failureReason = nullptr);
