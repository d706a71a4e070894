// The GDI calls the image core relies on. The same tests run natively against
// the in-memory stand-in and, cross-built, against real GDI under Wine, so the
// two cannot drift apart. Expected pixels come from tables measured under
// Wine or from an independent statement of the rule, never from the
// stand-in's own arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gdi.h"

namespace {

BITMAPINFO header24(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

// Made on the screen's DC, as the image core makes its display bitmaps.
HBITMAP createDib(int width, int height, void** bits) {
  BITMAPINFO info = header24(width, height);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// Compares a pixel's blue, green and red bytes, printing both on a mismatch.
::testing::AssertionResult pixelIs(const uint8_t* p, int b, int g, int r) {
  if (p[0] == b && p[1] == g && p[2] == r) return ::testing::AssertionSuccess();
  char text[80];
  std::snprintf(text, sizeof text, "got (B %02X, G %02X, R %02X), expected (B %02X, G %02X, R %02X)", p[0], p[1],
                p[2], b, g, r);
  return ::testing::AssertionFailure() << text;
}

// A 24-bit DIB section (top-down for a negative height) selected into a
// memory DC of its own, released in GDI's order: previous bitmap back, DC
// deleted, then the bitmap.
class Canvas {
 public:
  Canvas(int w, int h) : width(w), height(h < 0 ? -h : h), topDown_(h < 0) {
    void* bits = nullptr;
    bitmap_ = createDib(w, h, &bits);
    bits_ = static_cast<uint8_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ && dc_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
    if (bitmap_) DeleteObject(bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ready() const { return bitmap_ && bits_ && dc_ && previous_; }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int stride() const { return (width * 3 + 3) / 4 * 4; }
  uint8_t* bits() const {
    GdiFlush();  // real GDI may batch drawing; the bits are only current after a flush
    return bits_;
  }
  // y counts picture rows from the top, whatever the memory order.
  uint8_t* pixel(int x, int y) const { return bits() + (topDown_ ? y : height - 1 - y) * stride() + x * 3; }
  // Every pixel tells where it is: B = x, G = y, R = a marker.
  void fillWithCoordinates() const {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint8_t label[3] = {uint8_t(x), uint8_t(y), 0xA5};
        std::memcpy(pixel(x, y), label, 3);
      }
  }

  const int width, height;

 private:
  bool topDown_;
  HBITMAP bitmap_ = nullptr;
  uint8_t* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Fills land in the clipped rectangle counted from the top picture row (the
// last memory row of a bottom-up section), a COLORREF (red in its lowest byte)
// is stored blue, green, red, and alignment bytes are never touched.
TEST(GdiFill, RasterOperationsFillOnlyTheClippedRectangle) {
  struct Case {
    const char* name;
    DWORD rop;        // BitBlt, or PatBlt for PATCOPY
    COLORREF colour;  // of the selected brush, and of the filled pixels
    int x, y, width, height;
  };
  const Case cases[] = {
      {"BLACKNESS, whole bitmap", BLACKNESS, RGB(0, 0, 0), 0, 0, 5, 3},
      {"PATCOPY, top row", PATCOPY, RGB(0x11, 0x22, 0x33), 1, 0, 2, 1},
      {"PATCOPY, off the top left", PATCOPY, RGB(0xC0, 0x01, 0x7F), -2, -1, 4, 3},
      {"PATCOPY, off the bottom right", PATCOPY, RGB(0x80, 0xFE, 0x02), 4, 2, 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(5, 3);
    ASSERT_TRUE(canvas.ready());
    std::memset(canvas.bits(), 0x5A, canvas.stride() * 3);
    HBRUSH brush = CreateSolidBrush(c.colour);
    HGDIOBJ previousBrush = SelectObject(canvas.dc(), brush);
    EXPECT_TRUE(c.rop == PATCOPY ? PatBlt(canvas.dc(), c.x, c.y, c.width, c.height, c.rop)
                                 : BitBlt(canvas.dc(), c.x, c.y, c.width, c.height, canvas.dc(), 0, 0, c.rop));
    EXPECT_EQ(SelectObject(canvas.dc(), previousBrush), static_cast<HGDIOBJ>(brush));
    EXPECT_TRUE(DeleteObject(brush));
    const int b = (c.colour >> 16) & 0xFF, g = (c.colour >> 8) & 0xFF, r = c.colour & 0xFF;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool in = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
        EXPECT_TRUE(pixelIs(canvas.pixel(x, y), in ? b : 0x5A, in ? g : 0x5A, in ? r : 0x5A)) << x << ", " << y;
      }
    for (int row = 0; row < 3; ++row)
      EXPECT_EQ(canvas.bits()[row * canvas.stride() + 15], 0x5A) << "alignment byte of memory row " << row;
  }
}

// GDI's default mode, enlarging or copying: destination pixel d of n shows
// the source pixel (of m) under its centre, (d + 1/2) * m / n, and a centre
// exactly on a border between two source pixels shows the upper-left one.
// The run starts (first destination pixel of each source pixel) were measured
// under Wine; 2 -> 143 and 64 -> 144 contain such ties (destination 71 of 143
// stays with source 0).
TEST(GdiStretchBlt, EnlargesWithTheSourcePixelUnderEachCentre) {
  const std::vector<int> sixtyFour144 = {
      0,  2,  5,  7,  9,  11, 14, 16, 18, 20, 23, 25, 27, 29, 32, 34,  36,  38,  41,  43,  45,  47,
      50, 52, 54, 56, 59, 61, 63, 65, 68, 70, 72, 74, 77, 79, 81, 83,  86,  88,  90,  92,  95,  97,
      99, 101, 104, 106, 108, 110, 113, 115, 117, 119, 122, 124, 126, 128, 131, 133, 135, 137, 140, 142};
  struct Case {
    int sourceWidth, sourceHeight;  // negative height: top-down source
    int destWidth, destHeight;
    std::vector<int> columnRuns, rowRuns;
  };
  const Case cases[] = {
      {2, -64, 143, 144, {0, 72}, sixtyFour144},
      {64, 2, 144, 143, sixtyFour144, {0, 72}},
      {7, 7, 143, 144, {0, 20, 41, 61, 82, 102, 123}, {0, 21, 41, 62, 82, 103, 123}},
      {5, 3, 5, 3, {0, 1, 2, 3, 4}, {0, 1, 2}},  // one to one
  };
  auto sourceOf = [](const std::vector<int>& runs, int d) {
    int s = 0;
    while (s + 1 < static_cast<int>(runs.size()) && runs[s + 1] <= d) ++s;
    return s;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sourceWidth << " x " << c.sourceHeight << " onto " << c.destWidth << " x "
                                      << c.destHeight);
    Canvas source(c.sourceWidth, c.sourceHeight);
    Canvas dest(c.destWidth, c.destHeight);
    ASSERT_TRUE(source.ready() && dest.ready());
    source.fillWithCoordinates();
    EXPECT_TRUE(StretchBlt(dest.dc(), 0, 0, dest.width, dest.height, source.dc(), 0, 0, source.width,
                           source.height, SRCCOPY));
    for (int y = 0; y < dest.height; ++y)
      for (int x = 0; x < dest.width; ++x)
        ASSERT_TRUE(pixelIs(dest.pixel(x, y), sourceOf(c.columnRuns, x), sourceOf(c.rowRuns, y), 0xA5))
            << "at (" << x << ", " << y << ")";
  }
}

// Shrinking in the default mode (BLACKONWHITE) ANDs the source pixels that
// fold into one destination pixel. Source pixel i has bit i cleared in a
// 16-bit mask (blue low, green high), so the result names the folded set.
// Folds measured under Wine.
TEST(GdiStretchBlt, ShrinkingAndsThePixelsThatFoldTogether) {
  const int foldOfSource[12] = {0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6, 7};  // 12 -> 8
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "rows" : "columns");
    Canvas source(vertical ? 1 : 12, vertical ? 12 : 1);
    Canvas dest(vertical ? 1 : 8, vertical ? 8 : 1);
    ASSERT_TRUE(source.ready() && dest.ready());
    for (int i = 0; i < 12; ++i) {
      const unsigned mask = ~(1u << i) & 0xFFFF;
      const uint8_t label[3] = {uint8_t(mask), uint8_t(mask >> 8), 0xFF};
      std::memcpy(vertical ? source.pixel(0, i) : source.pixel(i, 0), label, 3);
    }
    EXPECT_TRUE(StretchBlt(dest.dc(), 0, 0, dest.width, dest.height, source.dc(), 0, 0, source.width,
                           source.height, SRCCOPY));
    for (int d = 0; d < 8; ++d) {
      unsigned expected = 0xFFFF;
      for (int i = 0; i < 12; ++i)
        if (foldOfSource[i] == d) expected &= ~(1u << i);
      const uint8_t* p = vertical ? dest.pixel(0, d) : dest.pixel(d, 0);
      EXPECT_TRUE(pixelIs(p, expected & 0xFF, expected >> 8, 0xFF)) << "folded-set mask at destination " << d;
    }
  }
}

// A 7 x 5 image, red where x < y and blue elsewhere: asymmetric under both
// flips and under a swap of red and blue, with padded rows (21 of 24 bytes).
TEST(GdiDibSection, LayoutAndTopDownRoundTripThroughGetAndSetDIBits) {
  const int width = 7, height = 5, stride = 24;
  std::vector<uint8_t> picture(stride * height, 0xEE);  // 0xEE in the alignment bytes
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t colour[3] = {uint8_t(x < y ? 0x00 : 0xFF), 0x00, uint8_t(x < y ? 0xFF : 0x00)};
      std::memcpy(&picture[y * stride + x * 3], colour, 3);
    }
  void* bits = nullptr;
  HBITMAP bitmap = createDib(width, height, &bits);
  ASSERT_NE(bitmap, nullptr);
  const auto* memory = static_cast<const uint8_t*>(bits);
  for (int i = 0; i < stride * height; ++i) ASSERT_EQ(memory[i], 0) << "byte " << i << " of a new section";
  BITMAP record = {};
  EXPECT_EQ(GetObjectA(bitmap, sizeof record, &record), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(record.bmWidth, width);
  EXPECT_EQ(record.bmHeight, height);
  EXPECT_EQ(record.bmWidthBytes, stride);
  EXPECT_EQ(record.bmBits, bits);

  BITMAPINFO topDown = header24(width, -height);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(SetDIBits(screen, bitmap, 0, height, picture.data(), &topDown, DIB_RGB_COLORS), height);
  // The section holds the bottom picture row first; its alignment bytes stay zero.
  for (int row = 0; row < height; ++row)
    for (int i = 0; i < stride; ++i) {
      const uint8_t want = i < width * 3 ? picture[(height - 1 - row) * stride + i] : 0;
      EXPECT_EQ(memory[row * stride + i], want) << "memory row " << row << " (picture row " << height - 1 - row
                                                << "), byte " << i;
    }

  std::vector<uint8_t> readBack(stride * height, 0xAB);
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, height, readBack.data(), &topDown, DIB_RGB_COLORS), height);
  ReleaseDC(nullptr, screen);
  for (int i = 0; i < stride * height; ++i) {
    const uint8_t want = i % stride >= width * 3 ? 0x00 : picture[i];  // GDI zeroes the caller's alignment bytes
    ASSERT_EQ(readBack[i], want) << "byte " << i % stride << " of buffer row " << i / stride;
  }
  EXPECT_TRUE(DeleteObject(bitmap));
}

// Impossible sizes are refused (createDisplayBitmap relies on it); deleted
// handles fail quietly; a bitmap can be selected into only one DC at a time.
TEST(GdiFailures, ImpossibleSectionsAndDeletedHandlesAreRefused) {
  const int sizes[][2] = {{0, 5}, {5, 0}, {-5, 5}, {100000, 100000}, {46341, 46341} /* just over 2^31 bytes */,
                          {715827883, 1} /* one row over 2^31 bytes */, {1, 0x7FFFFFFF}};
  for (const auto& size : sizes) {
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP bitmap = createDib(size[0], size[1], &bits);
    EXPECT_EQ(bitmap, nullptr) << size[0] << " x " << size[1];
    EXPECT_EQ(bits, nullptr) << size[0] << " x " << size[1] << ": the bits out-argument is cleared on failure";
    if (bitmap) DeleteObject(bitmap);
  }

  Canvas canvas(2, 2);
  void* bits = nullptr;
  HBITMAP deleted = createDib(3, 3, &bits);
  HDC other = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(canvas.ready() && deleted && other);
  ASSERT_TRUE(DeleteObject(deleted));
  BITMAP record;
  BITMAPINFO info = header24(3, -3);
  uint8_t buffer[48] = {};
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetObjectA(deleted, sizeof record, &record), 0);
  EXPECT_EQ(SelectObject(other, deleted), nullptr);
  EXPECT_EQ(GetDIBits(screen, deleted, 0, 3, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBits(screen, deleted, 0, 3, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(SelectObject(other, canvas.bitmap()), nullptr) << "still selected into the canvas's DC";
  EXPECT_TRUE(DeleteDC(other));
}

#ifndef _WIN32
// Counting is the stand-in's own: how tests of the core find a leaked or
// not-yet-released GDI object. It also refuses, as Windows does for bitmaps,
// to delete an object selected into a DC (Wine defers such a deletion).
TEST(GdiStandIn, CountsLiveObjectsAndHeldScreenDCs) {
  const int baseline = gdi_standin::liveObjectCount();
  ASSERT_EQ(gdi_standin::heldScreenDCCount(), 0);
  HDC screen = GetDC(nullptr);
  HDC again = GetDC(nullptr);
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 2);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, again), 1);
  EXPECT_EQ(ReleaseDC(nullptr, again), 0) << "released once too often";
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0);
  {
    Canvas canvas(2, 2);  // a bitmap and a DC
    HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
    HGDIOBJ stockBrush = SelectObject(canvas.dc(), brush);
    EXPECT_EQ(gdi_standin::liveObjectCount(), baseline + 3);
    EXPECT_FALSE(DeleteObject(canvas.bitmap()));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(gdi_standin::liveObjectCount(), baseline + 3) << "refused deletions leave the objects alive";
    SelectObject(canvas.dc(), stockBrush);
    EXPECT_TRUE(DeleteObject(brush));
  }
  EXPECT_EQ(gdi_standin::liveObjectCount(), baseline);
}
#endif

}  // namespace
