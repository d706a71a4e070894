#include "bmp_writer.h"

#include "bmp_format.h"
#include "display_bitmap.h"

bool writeBmp(HBITMAP bitmap, ByteSink sink, void* context) {
  if (!bitmap) return false;
  const BitmapFacts facts = describeBitmap(bitmap);
  if (!facts.bits) return false;  // not a DIB section, or not a bitmap at all

  // The headers always say 24 bits; display bitmaps are never anything else.
  uint8_t headers[kBmpHeaderBytes];
  if (!composeBmpHeaders(facts.width, facts.height, headers)) return false;
  const uint64_t imageBytes = bmpLayout(facts.width, facts.height).imageBytes;
  // The file header and the info header, then the pixel array in one piece
  // straight from the bitmap's memory.
  return sink(context, headers, 14) && sink(context, headers + 14, 40) &&
         sink(context, facts.bits, static_cast<size_t>(imageBytes));
}

int writeBmpFile(const char* path, HBITMAP bitmap, std::string* failureReason) {
  // Every argument is checked before any file is touched: the file opens
  // with the first bytes.
  FileSink file{path, {}};
  const bool encoded = path && *path && writeBmp(bitmap, writeToFileSink, &file);
  return finishFileSink(file, encoded, failureReason);
}
