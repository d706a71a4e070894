#include "image_buffer.h"

#include <cstring>

#include "bmp_format.h"
#include "display_bitmap.h"
#include "pixel_layout.h"
#include "platform/allocation.h"
#include "platform/gdi_guards.h"

bool imageSizeFits(int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (width <= 0 || height <= 0 || bitsPerPixel <= 0) return false;
  const uint64_t rowBytes = uint64_t(width) * uint64_t(bitsPerPixel / 8);
  const uint64_t byteSize = rowBytes * uint64_t(height);
  // The display bitmap must also fit a BMP file, whose size field is 32 bits.
  return rowBytes <= 0x7FFFFFFF && byteSize <= 0xFFFFFFFF && bmpSizeWritable(width, height);
}

namespace {

void convertPixels(const ImageBuffer& image, uint8_t* display) {
  convertToDisplay(image.pixels, uint32_t(image.width), uint32_t(image.height), display);
}

// Writes the pixels over the display bitmap the record holds, when it has the
// image's size: each pixel byte is rewritten and the alignment bytes stay
// zero, exactly as in a new black bitmap. A new DIB section for every render
// costs far more on Windows than the conversion itself: its pages come fresh
// from the system, are zeroed, mapped one fault at a time, filled black and
// given back when it is deleted.
bool rewriteDisplayBitmap(ImageBuffer& image) {
  if (!image.bitmap) return false;
  const BitmapFacts facts = describeBitmap(image.bitmap);
  if (!facts.bits || facts.width != image.width || facts.height != image.height) return false;
  GdiFlush();  // a transfer from the bitmap may still be pending
  convertPixels(image, facts.bits);
  return true;
}

// updateBitmap, told whether the pixel block is known to be all zero. Zero
// pixels convert to zero bytes, which the black bitmap already holds, so the
// copy of a fresh image's pixels is skipped.
int rebuildDisplayBitmap(ImageBuffer& image, bool pixelsAllZero) {
  if (!image.pixels || image.bitsPerPixel != 24) return 0;
  if (rewriteDisplayBitmap(image)) return 1;
  deleteBitmap(image);
  image.bitmap = createBlackBitmap(image.width, image.height);
  if (!image.bitmap) return 0;

  const BitmapFacts facts = describeBitmap(image.bitmap);
  if (!facts.bits) return 0;
  if (!pixelsAllZero) convertPixels(image, facts.bits);
  return 1;
}

}  // namespace

ImageBuffer::~ImageBuffer() { releaseImageBuffer(*this); }

int createImageBuffer(ImageBuffer& image, int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (width <= 0 || height <= 0 || bitsPerPixel == 0) return 0;
  if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return 0;
  if (!imageSizeFits(width, height, bitsPerPixel)) return 0;

  releaseImageBuffer(image);
  image.width = width;
  image.height = height;
  image.bitsPerPixel = bitsPerPixel;
  image.rowBytes = width * (bitsPerPixel / 8);
  image.byteSize = uint32_t(image.rowBytes) * uint32_t(height);

  image.pixels = static_cast<uint8_t*>(allocateZeroedBlock(AllocationSite::PixelBlock, image.byteSize));
  if (!image.pixels) return 0;

  if (rebuildDisplayBitmap(image, /*pixelsAllZero=*/true)) return 1;
  releaseImageBuffer(image);
  return 0;
}

int updateBitmap(ImageBuffer& image) { return rebuildDisplayBitmap(image, /*pixelsAllZero=*/false); }

void deleteBitmap(ImageBuffer& image) {
  if (image.bitmap) {
    DeleteObject(image.bitmap);
    image.bitmap = nullptr;
  }
}

void releaseImageBuffer(ImageBuffer& image) {
  if (image.pixels) {
    freeImagePixels(image.pixels, image.byteSize);
    image.pixels = nullptr;
  }
  deleteBitmap(image);
  image.width = image.height = image.bitsPerPixel = image.rowBytes = 0;
  image.byteSize = 0;
}

void moveImageBuffer(ImageBuffer& destination, ImageBuffer& source) {
  if (&destination == &source) return;
  releaseImageBuffer(destination);
  destination.pixels = source.pixels;
  destination.bitmap = source.bitmap;
  destination.width = source.width;
  destination.height = source.height;
  destination.bitsPerPixel = source.bitsPerPixel;
  destination.byteSize = source.byteSize;
  destination.rowBytes = source.rowBytes;
  source.pixels = nullptr;
  source.bitmap = nullptr;
  releaseImageBuffer(source);
}

HBITMAP createBlackBitmap(int32_t width, int32_t height) {
  HBITMAP bitmap = createDisplayBitmap(width, height);
  if (!bitmap) return nullptr;
  MemoryDC memory;
  if (memory.get()) {
    SelectedObject selected(memory.get(), bitmap);
    const BitmapFacts facts = describeBitmap(bitmap);
    BitBlt(memory.get(), 0, 0, facts.width, facts.height, memory.get(), 0, 0, BLACKNESS);
  }
  GdiFlush();  // the pixels are written directly next; GDI may batch the fill
  return bitmap;
}
