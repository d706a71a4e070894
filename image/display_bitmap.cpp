#include "display_bitmap.h"

#include <cstring>

#include "platform/allocation.h"
#include "platform/gdi_guards.h"

HBITMAP createDisplayBitmap(int32_t width, int32_t height) {
  if (allocationShouldFail(AllocationSite::DisplayBitmap)) return nullptr;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* unusedBits = nullptr;
  ScreenDC screen;
  return CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &unusedBits, nullptr, 0);
}

BitmapFacts describeBitmap(HBITMAP bitmap) {
  BITMAP record;
  std::memset(&record, 0, sizeof record);
  if (bitmap) GetObjectA(bitmap, sizeof record, &record);
  return {record.bmWidth, record.bmHeight, static_cast<uint8_t*>(record.bmBits)};
}
