#include "bmp_writer.h"

#include <cstdint>

#include "bmp_format.h"
#include "display_bitmap.h"
#include "platform/replace_file.h"

namespace {
// The writer proper; `file` belongs to the caller, so that the error of a
// failed save can still be read, and it removes the temporary when it goes.
int writeThrough(ReplacingFile& file, const char* path, HBITMAP bitmap) {
  // Every argument is checked before any file is touched.
  if (!path || !*path || !bitmap) return 0;
  const BitmapFacts facts = describeBitmap(bitmap);
  if (!facts.bits) return 0;  // not a DIB section, or not a bitmap at all

  // The headers always say 24 bits; display bitmaps are never anything else.
  uint8_t headers[kBmpHeaderBytes];
  if (!composeBmpHeaders(facts.width, facts.height, headers)) return 0;
  const uint64_t imageBytes = bmpLayout(facts.width, facts.height).imageBytes;

  if (!file.open(path)) return 0;
  // The file header and the info header as one item each, then the pixel
  // array in one write straight from the bitmap's memory.
  if (!file.write(headers, 14, 1) || !file.write(headers + 14, 40, 1) ||
      !file.write(facts.bits, 1, static_cast<size_t>(imageBytes))) {
    return 0;
  }
  return file.commit() ? 1 : 0;
}
}  // namespace

int writeBmpFile(const char* path, HBITMAP bitmap, std::string* failureReason) {
  ReplacingFile file;
  const int written = writeThrough(file, path, bitmap);
  if (failureReason) *failureReason = written ? std::string() : systemErrorText(file.error());
  return written;
}
