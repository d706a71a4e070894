#include "thumbnail.h"

#include "display_bitmap.h"
#include "downscaler.h"
#include "platform/gdi_guards.h"

ThumbnailSize fitWithin(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight) {
  const double widthRatio = double(maxWidth) / double(width);
  const double heightRatio = float(double(maxHeight) / double(height));
  const double scale = widthRatio < heightRatio ? widthRatio : heightRatio;
  return {int32_t(double(width) * scale), int32_t(double(height) * scale)};
}

int rebuildThumbnail(const ImageBuffer& source, ImageBuffer& thumbnail, bool* complete) {
  if (complete) *complete = false;
  HBITMAP image = source.bitmap;
  if (!image) return 0;
  releaseImageBuffer(thumbnail);

  const BitmapFacts facts = describeBitmap(image);
  const ThumbnailSize size = fitWithin(facts.width, facts.height, kThumbnailMaxWidth, kThumbnailMaxHeight);
  HBITMAP reduced;
  bool filled;
  if (size.width < facts.width && size.height < facts.height) {
    reduced = downscaleBitmap(image, size.width, size.height, &filled);
  } else {
    reduced = createBlackBitmap(size.width, size.height);
    filled = stretchCopyBitmap(image, reduced);
  }
  thumbnail.bitmap = reduced;
  if (complete) *complete = reduced && filled;
  return 1;
}

bool stretchCopyBitmap(HBITMAP source, HBITMAP destination) {
  if (!source || !destination) return false;
  const BitmapFacts from = describeBitmap(source);
  const BitmapFacts to = describeBitmap(destination);
  MemoryDC destinationDC(nullptr);
  MemoryDC sourceDC(nullptr);
  if (!destinationDC.get() || !sourceDC.get()) return false;
  SelectedObject selectedDestination(destinationDC.get(), destination);
  SelectedObject selectedSource(sourceDC.get(), source);
  const bool copied = StretchBlt(destinationDC.get(), 0, 0, to.width, to.height, sourceDC.get(), 0, 0, from.width,
                                 from.height, SRCCOPY) != 0;
  GdiFlush();  // the copy is read straight from memory (saved, or downscaled)
  return copied;
}
