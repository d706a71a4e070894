// Saves a display bitmap as an 8-bit RGB PNG file with exactly the pixels
// that writeBmpFile stores. stb_image_write lays out the file; zlib deflates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "byte_sink.h"
#include "platform/gdi.h"

// True when a positive W x H image can be encoded: the encoder counts the
// filtered rows ((3 x W + 1) x H bytes) and their deflated size in int.
bool pngSizeWritable(int32_t width, int32_t height);

// Encodes the bitmap and hands the bytes to `sink`. 1 when encoding worked
// and the sink took the bytes; 0 for no bitmap bits, a size that
// pngSizeWritable refuses, exhausted memory or a refusing sink.
int writePng(HBITMAP bitmap, ByteSink sink, void* context);

// writePng into a file that replaces `path` only once complete, as
// writeBmpFile does: after a failure an existing file is left as it was, and
// `failureReason`, when given, holds the system's reason ("" when none).
int writePngFile(const char* path, HBITMAP bitmap, std::string* failureReason = nullptr);
