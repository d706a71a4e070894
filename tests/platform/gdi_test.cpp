// GDI behaviour the digests cannot reach, the same natively (the stand-in) and under Wine (real GDI).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"

namespace {

BITMAPINFO header24(int width, int height) {
  return {{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, {}};
}

HBITMAP createDib(int width, int height, void** bits) {
  BITMAPINFO info = header24(width, height);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

void paint(uint8_t* p, int b, int g, int r) { p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r); }
std::vector<int> bgr(const uint8_t* p) { return {p[0], p[1], p[2]}; }

// A 24-bit DIB section (top-down for a negative height) selected into a memory DC of its own.
struct Canvas {
  Canvas(int w, int h)
      : width(w), height(h < 0 ? -h : h), stride((w * 3 + 3) & ~3), topDown(h < 0), bitmap(createDib(w, h, &memory)) {
    if (bitmap && dc) previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    if (previous) SelectObject(dc, previous);
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
  }

  bool ready() const { return bitmap && memory && dc && previous; }
  // Real GDI may batch drawing; the bits are only current after a flush.
  uint8_t* bits() const { return GdiFlush(), static_cast<uint8_t*>(memory); }
  uint8_t* pixel(int x, int y) const { return bits() + (topDown ? y : height - 1 - y) * stride + x * 3; }

  const int width, height, stride;
  const bool topDown;
  void* memory = nullptr;
  const HBITMAP bitmap;
  const HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = nullptr;
};

// Enlarging, destination pixel d of n shows the source pixel (of m) under (d + 1/2) * m / n, the upper-left one
// on a tie. Run starts measured under Wine; 2 -> 143 and 64 -> 144 hold ties; 64 -> 144 repeats 0, 2, 5, 7 (+9).
TEST(GdiStretchBlt, EnlargesWithTheSourcePixelUnderEachCentre) {
  std::vector<int> rowRuns;
  for (int s = 0; s < 64; ++s) rowRuns.push_back(s / 4 * 9 + "\0\2\5\7"[s % 4]);
  Canvas source(2, -64), dest(143, 144);  // a top-down source
  ASSERT_TRUE(source.ready() && dest.ready());
  for (int y = 0; y < source.height; ++y)  // every pixel tells where it is: B = x, G = y, R = a marker
    for (int x = 0; x < source.width; ++x) paint(source.pixel(x, y), x, y, 0xA5);
  EXPECT_TRUE(StretchBlt(dest.dc, 0, 0, dest.width, dest.height, source.dc, 0, 0, source.width, source.height,
                         SRCCOPY));
  for (int y = 0; y < dest.height; ++y) {
    const int sourceRow = int(std::upper_bound(rowRuns.begin(), rowRuns.end(), y) - rowRuns.begin()) - 1;
    for (int x = 0; x < dest.width; ++x)
      ASSERT_EQ(bgr(dest.pixel(x, y)), (std::vector<int>{x < 72 ? 0 : 1, sourceRow, 0xA5})) << "at " << x << ", " << y;
  }
}

// Impossible sizes are refused; deleted handles fail quietly (a new bitmap where the old one lay); one DC a bitmap.
TEST(GdiFailures, ImpossibleSectionsAndDeletedHandlesAreRefused) {
  const int sizes[][2] = {{0, 5}, {5, 0}, {-5, 5}, {100000, 100000}, {46341, 46341} /* just over 2^31 bytes */,
                          {715827883, 1} /* one row over 2^31 bytes */, {1, 0x7FFFFFFF}};
  for (const auto& size : sizes) {
    void* bits = &bits;  // anything but null; a braced list is evaluated in order, the call first
    EXPECT_EQ((std::vector<void*>{createDib(size[0], size[1], &bits), bits}), std::vector<void*>(2, nullptr))
        << size[0] << " x " << size[1] << ": the bitmap, and the bits out-argument (cleared on failure)";
  }
  Canvas canvas(2, 2);
  HDC other = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP gone = createDib(3, 3, &bits);
  ASSERT_TRUE(canvas.ready() && other && gone && DeleteObject(gone));
  HBITMAP successor = createDib(3, 3, &bits);
  ASSERT_NE(successor, nullptr);
  BITMAPINFO info = header24(3, -3);
  uint8_t buffer[48] = {};
  EXPECT_EQ(GetObjectA(gone, sizeof buffer, buffer), 0);
  EXPECT_EQ(SelectObject(other, gone), nullptr);
  EXPECT_EQ(GetDIBits(other, gone, 0, 3, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBits(other, gone, 0, 3, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SelectObject(other, canvas.bitmap), nullptr) << "still selected into the canvas's DC";
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteObject(successor));
}

#ifndef _WIN32
// The stand-in's counts find leaked GDI objects; like Windows it refuses to delete an object selected into a DC.
TEST(GdiStandIn, CountsLiveObjectsAndHeldScreenDCs) {
  const int baseline = gdi_standin::liveObjectCount(), screens = gdi_standin::heldScreenDCCount();
  HDC screen = GetDC(nullptr), again = GetDC(nullptr);
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), screens + 2);
  EXPECT_EQ(ReleaseDC(nullptr, screen) + ReleaseDC(nullptr, again), 2);
  EXPECT_EQ(ReleaseDC(nullptr, again), 0) << "released once too often";
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), screens);
  {
    Canvas canvas(2, 2);  // a bitmap and a DC
    HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
    HGDIOBJ stockBrush = SelectObject(canvas.dc, brush);
    EXPECT_EQ(DeleteObject(canvas.bitmap) + DeleteObject(brush), 0) << "objects deleted while selected";
    EXPECT_EQ(gdi_standin::liveObjectCount(), baseline + 3) << "a bitmap, a DC and a brush, still alive";
    SelectObject(canvas.dc, stockBrush);
    EXPECT_TRUE(DeleteObject(brush));
  }
  EXPECT_EQ(gdi_standin::liveObjectCount(), baseline);
}
#endif

}  // namespace
