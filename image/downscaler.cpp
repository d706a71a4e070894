// The bitmap edge of the downscaler: GetDIBits in, SetDIBits out, each on the
// screen's device context held only for that call.
#include "downscaler.h"

#include <cstring>

#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

void setTopDownHeader(BITMAPINFOHEADER& header, uint32_t width, uint32_t height) {
  std::memset(&header, 0, sizeof header);
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = static_cast<LONG>(-static_cast<int64_t>(height));
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biXPelsPerMeter = 1;
  header.biYPelsPerMeter = 1;
}

bool readPixelBlock(HBITMAP bitmap, PixelBlock& block) {
  block.data = nullptr;
  const BitmapFacts size = describeBitmap(bitmap);
  if (size.width <= 0 || size.height <= 0) return false;
  allocPixelBlock(static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height), block,
                  AllocationSite::DownscaleSource);
  if (!block.data) return false;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  setTopDownHeader(info.bmiHeader, block.width, block.height);
  int rows;
  {
    ScreenDC screen;
    rows = GetDIBits(screen.get(), bitmap, 0, block.height, block.data, &info, DIB_RGB_COLORS);
  }
  // Rows that did not arrive would be reduced as garbage.
  if (rows != static_cast<int>(block.height)) {
    freePixelBlock(block);
    return false;
  }
  return true;
}

bool writePixelBlock(const PixelBlock& block, HBITMAP bitmap) {
  if (!block.data) return false;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  setTopDownHeader(info.bmiHeader, block.width, block.height);
  ScreenDC screen;
  return SetDIBits(screen.get(), bitmap, 0, block.height, block.data, &info, DIB_RGB_COLORS) ==
         static_cast<int>(block.height);
}

HBITMAP downscaleBitmap(HBITMAP source, int32_t targetWidth, int32_t targetHeight, bool* complete) {
  if (complete) *complete = false;
  if (!source || targetWidth <= 0 || targetHeight <= 0) return nullptr;
  // The reduction shares each source pixel between at most two target pixels
  // along an axis, so it cannot enlarge.
  const BitmapFacts sourceSize = describeBitmap(source);
  if (targetWidth > sourceSize.width || targetHeight > sourceSize.height) return nullptr;
  HBITMAP target = createDisplayBitmap(targetWidth, targetHeight);
  if (!target) return nullptr;

  PixelBlock sourceBlock{};
  PixelBlock targetBlock{};
  if (readPixelBlock(source, sourceBlock))
    downscaleBlock(sourceBlock, targetBlock, static_cast<uint32_t>(targetWidth),
                   static_cast<uint32_t>(targetHeight));
  freePixelBlock(sourceBlock);
  const bool written = writePixelBlock(targetBlock, target);
  if (complete) *complete = written;
  freePixelBlock(targetBlock);
  return target;
}
