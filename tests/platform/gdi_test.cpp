// The GDI calls the image core relies on. The same tests run natively against
// the in-memory stand-in and, cross-built, against real GDI under Wine, so the
// two cannot drift apart. Expected pixels come from tables measured under
// Wine or from an independent statement of the rule, never from the
// stand-in's own arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace {

BITMAPINFO header24(int width, int height) {
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
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

std::string bgr(const uint8_t* pixel) {
  char text[48];
  std::snprintf(text, sizeof text, "(B %02X, G %02X, R %02X)", pixel[0], pixel[1], pixel[2]);
  return text;
}

// A 24-bit DIB section selected into a memory DC of its own, released in
// GDI's order: previous bitmap back, DC deleted, then the bitmap.
class Canvas {
 public:
  // A negative height makes a top-down bitmap.
  Canvas(int width, int height)
      : width_(width), height_(height < 0 ? -height : height), topDown_(height < 0) {
    void* bits = nullptr;
    bitmap_ = createDib(width, height, &bits);
    bits_ = static_cast<uint8_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ && dc_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (dc_) {
      if (previous_) SelectObject(dc_, previous_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ready() const { return bitmap_ && bits_ && dc_ && previous_; }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return (width_ * 3 + 3) / 4 * 4; }
  uint8_t* bits() const {
    GdiFlush();  // real GDI may batch drawing; the bits are only current after a flush
    return bits_;
  }
  // y counts picture rows from the top, whatever the memory order.
  uint8_t* pixel(int x, int y) const {
    int row = topDown_ ? y : height_ - 1 - y;
    return bits() + row * stride() + x * 3;
  }
  void fillBytes(uint8_t value) const { std::memset(bits(), value, static_cast<size_t>(stride()) * height_); }
  // Every pixel tells where it is: B = x, G = y, R = a marker.
  void fillWithCoordinates() const {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        uint8_t* p = pixel(x, y);
        p[0] = static_cast<uint8_t>(x);
        p[1] = static_cast<uint8_t>(y);
        p[2] = 0xA5;
      }
  }

 private:
  int width_;
  int height_;
  bool topDown_;
  HBITMAP bitmap_ = nullptr;
  uint8_t* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

const uint8_t kUntouched = 0x3C;

// Checks every pixel of `dest` against `expected`, which names the source
// pixel (x, y) of a coordinate-filled source, or (-1, -1) for a pixel that
// must keep kUntouched. Reports the first mismatch and how many there are.
template <typename Expected>
::testing::AssertionResult pixelsMatch(const Canvas& dest, Expected expected) {
  int mismatches = 0;
  std::string first;
  for (int y = 0; y < dest.height(); ++y)
    for (int x = 0; x < dest.width(); ++x) {
      int sourceX = -1, sourceY = -1;
      expected(x, y, &sourceX, &sourceY);
      const uint8_t* p = dest.pixel(x, y);
      uint8_t want[3] = {kUntouched, kUntouched, kUntouched};
      if (sourceX >= 0) {
        want[0] = static_cast<uint8_t>(sourceX);
        want[1] = static_cast<uint8_t>(sourceY);
        want[2] = 0xA5;
      }
      if (std::memcmp(p, want, 3) == 0) continue;
      if (mismatches++ == 0) {
        char text[160];
        std::snprintf(text, sizeof text, "at (%d, %d): got %s, expected %s", x, y, bgr(p).c_str(), bgr(want).c_str());
        first = text;
      }
    }
  if (mismatches == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << mismatches << " pixels differ, first " << first;
}

TEST(GdiDibSection, RowsArePaddedZeroFilledAndDescribedByGetObject) {
  struct Case {
    int width;
    int height;
    int rowBytes;  // width * 3 rounded up to a multiple of 4
  };
  const Case cases[] = {{1, 1, 4}, {2, 3, 8}, {3, -2, 12}, {4, 5, 12}, {5, -3, 16}, {6, 5, 20}, {7, 1, 24}, {178, 144, 536}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP bitmap = createDib(c.width, c.height, &bits);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    BITMAP record;
    std::memset(&record, 0x5A, sizeof record);
    EXPECT_EQ(GetObjectA(bitmap, sizeof record, &record), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(record.bmType, 0);
    EXPECT_EQ(record.bmWidth, c.width);
    EXPECT_EQ(record.bmHeight, std::abs(c.height)) << "GetObjectA reports the height unsigned for both orientations";
    EXPECT_EQ(record.bmWidthBytes, c.rowBytes);
    EXPECT_EQ(record.bmPlanes, 1);
    EXPECT_EQ(record.bmBitsPixel, 24);
    EXPECT_EQ(record.bmBits, bits);
    const auto* bytes = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < c.rowBytes * std::abs(c.height); ++i)
      ASSERT_EQ(bytes[i], 0) << "byte " << i << " (row " << i / c.rowBytes << ") of a new section";
    EXPECT_TRUE(DeleteObject(bitmap));
  }
}

// One pixel run at the top picture row shows both the row order and that a
// COLORREF (red in its lowest byte) is stored blue, green, red.
TEST(GdiDibSection, TopPictureRowIsTheLastMemoryRowOfABottomUpSection) {
  struct Case {
    int height;
    int memoryRowOfTop;
  };
  const Case cases[] = {{3, 2}, {-3, 0}, {1, 0}, {4, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "4 x " << c.height);
    Canvas canvas(4, c.height);
    ASSERT_TRUE(canvas.ready());
    HBRUSH brush = CreateSolidBrush(RGB(0x11, 0x22, 0x33));
    HGDIOBJ previousBrush = SelectObject(canvas.dc(), brush);
    ASSERT_NE(previousBrush, nullptr);
    EXPECT_TRUE(PatBlt(canvas.dc(), 1, 0, 2, 1, PATCOPY));
    SelectObject(canvas.dc(), previousBrush);
    EXPECT_TRUE(DeleteObject(brush));

    const uint8_t* bytes = canvas.bits();
    for (int row = 0; row < canvas.height(); ++row)
      for (int i = 0; i < canvas.stride(); ++i) {
        static const uint8_t painted[] = {0, 0, 0, 0x33, 0x22, 0x11, 0x33, 0x22, 0x11, 0, 0, 0};
        uint8_t want = row == c.memoryRowOfTop && i < 12 ? painted[i] : 0;
        ASSERT_EQ(bytes[row * canvas.stride() + i], want) << "memory row " << row << ", byte " << i;
      }
  }
}

TEST(GdiSelectObject, ReturnsThePreviousObjectAndKeepsABitmapInOneDC) {
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  void* bits = nullptr;
  HBITMAP a = createDib(3, 2, &bits);
  HBITMAP b = createDib(2, 3, &bits);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);

  // A new memory DC holds a 1 x 1 monochrome bitmap without bits.
  HGDIOBJ stock = SelectObject(first, a);
  ASSERT_NE(stock, nullptr);
  BITMAP record;
  std::memset(&record, 0x5A, sizeof record);
  EXPECT_EQ(GetObjectA(stock, sizeof record, &record), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(record.bmWidth, 1);
  EXPECT_EQ(record.bmHeight, 1);
  EXPECT_EQ(record.bmBitsPixel, 1);
  EXPECT_EQ(record.bmBits, nullptr);

  EXPECT_EQ(SelectObject(first, b), static_cast<HGDIOBJ>(a));
  EXPECT_EQ(SelectObject(second, b), nullptr) << "b is still selected into the first DC";
  EXPECT_EQ(SelectObject(first, b), static_cast<HGDIOBJ>(b)) << "reselecting into the same DC is fine";
  EXPECT_EQ(SelectObject(second, a), stock) << "a was freed when b replaced it";
  EXPECT_EQ(SelectObject(first, stock), static_cast<HGDIOBJ>(b));
  EXPECT_EQ(SelectObject(second, stock), static_cast<HGDIOBJ>(a));

  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ stockBrush = SelectObject(first, red);
  EXPECT_NE(stockBrush, nullptr);
  EXPECT_EQ(SelectObject(first, blue), static_cast<HGDIOBJ>(red));
  EXPECT_EQ(SelectObject(second, blue), stockBrush) << "a brush may be selected into several DCs";
  EXPECT_EQ(SelectObject(first, stockBrush), static_cast<HGDIOBJ>(blue));
  EXPECT_EQ(SelectObject(second, stockBrush), static_cast<HGDIOBJ>(blue));

  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(blue));
  EXPECT_TRUE(DeleteDC(first));
  EXPECT_TRUE(DeleteDC(second));
  EXPECT_TRUE(DeleteObject(a));
  EXPECT_TRUE(DeleteObject(b));
}

TEST(GdiFill, RasterOperationsFillOnlyTheClippedRectangle) {
  struct Case {
    const char* name;
    DWORD rop;
    bool patBlt;
    bool ownBrush;
    COLORREF brush;
    int x, y, width, height;
    uint8_t b, g, r;
  };
  const Case cases[] = {
      {"BLACKNESS, whole bitmap", BLACKNESS, false, false, 0, 0, 0, 5, 3, 0x00, 0x00, 0x00},
      {"BLACKNESS, off the top left", BLACKNESS, false, false, 0, -2, -1, 4, 3, 0x00, 0x00, 0x00},
      {"WHITENESS, off the bottom right", WHITENESS, false, false, 0, 4, 2, 3, 3, 0xFF, 0xFF, 0xFF},
      {"PATCOPY, default brush is white", PATCOPY, true, false, 0, 1, 1, 2, 1, 0xFF, 0xFF, 0xFF},
      {"PATCOPY, solid brush", PATCOPY, true, true, RGB(0x12, 0x34, 0x56), 1, 0, 3, 2, 0x56, 0x34, 0x12},
      {"PATCOPY, clipped", PATCOPY, true, true, RGB(0xC0, 0x01, 0x7F), 3, 1, 9, 9, 0x7F, 0x01, 0xC0},
      {"PatBlt BLACKNESS", BLACKNESS, true, false, 0, 2, 1, 1, 1, 0x00, 0x00, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(5, 3);
    ASSERT_TRUE(canvas.ready());
    canvas.fillBytes(0x5A);  // alignment bytes included: none of these may touch them
    HBRUSH brush = c.ownBrush ? CreateSolidBrush(c.brush) : nullptr;
    HGDIOBJ previousBrush = brush ? SelectObject(canvas.dc(), brush) : nullptr;
    BOOL done = c.patBlt ? PatBlt(canvas.dc(), c.x, c.y, c.width, c.height, c.rop)
                         : BitBlt(canvas.dc(), c.x, c.y, c.width, c.height, canvas.dc(), 0, 0, c.rop);
    EXPECT_TRUE(done);
    if (brush) {
      SelectObject(canvas.dc(), previousBrush);
      DeleteObject(brush);
    }
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        bool inside = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
        const uint8_t want[3] = {inside ? c.b : uint8_t{0x5A}, inside ? c.g : uint8_t{0x5A},
                                 inside ? c.r : uint8_t{0x5A}};
        EXPECT_EQ(std::memcmp(canvas.pixel(x, y), want, 3), 0)
            << "at (" << x << ", " << y << "): got " << bgr(canvas.pixel(x, y)) << ", expected " << bgr(want);
      }
    for (int row = 0; row < 3; ++row)
      EXPECT_EQ(canvas.bits()[row * canvas.stride() + 15], 0x5A) << "alignment byte of memory row " << row;
  }
}

TEST(GdiBitBlt, SourceCopyIsClippedToBothBitmaps) {
  struct Case {
    int sourceWidth, sourceHeight;  // negative height: top-down source
    int x, y, width, height, sourceX, sourceY;
  };
  const Case cases[] = {
      {4, -3, 1, 1, 4, 3, 0, 0},   // inside both
      {4, 3, 0, 0, 4, 3, 0, 0},    // same orientation
      {4, -3, 4, 3, 4, 3, 0, 0},   // runs off the destination
      {4, -3, 0, 0, 6, 5, 1, 1},   // runs off the source
      {4, -3, -1, 2, 3, 2, 0, 0},  // starts left of the destination
      {4, 3, 2, 0, 4, 4, -1, -2},  // starts above and left of the source
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "source " << c.sourceWidth << " x " << c.sourceHeight << ", rect (" << c.x
                                      << ", " << c.y << ", " << c.width << ", " << c.height << ") from (" << c.sourceX
                                      << ", " << c.sourceY << ")");
    Canvas source(c.sourceWidth, c.sourceHeight);
    Canvas dest(6, 5);
    ASSERT_TRUE(source.ready() && dest.ready());
    source.fillWithCoordinates();
    dest.fillBytes(kUntouched);
    EXPECT_TRUE(BitBlt(dest.dc(), c.x, c.y, c.width, c.height, source.dc(), c.sourceX, c.sourceY, SRCCOPY));
    EXPECT_TRUE(pixelsMatch(dest, [&](int x, int y, int* sx, int* sy) {
      bool inRect = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
      int fromX = c.sourceX + x - c.x, fromY = c.sourceY + y - c.y;
      if (inRect && fromX >= 0 && fromX < source.width() && fromY >= 0 && fromY < source.height()) {
        *sx = fromX;
        *sy = fromY;
      }
    }));
  }
}

TEST(GdiBitBlt, OverlappingCopyWithinOneBitmapReadsTheOriginalPixels) {
  struct Shift {
    int x, y;
  };
  const Shift shifts[] = {{1, 1}, {-1, -1}, {2, 0}, {0, -2}};
  for (const Shift& shift : shifts) {
    SCOPED_TRACE(::testing::Message() << "shifted by (" << shift.x << ", " << shift.y << ")");
    Canvas canvas(6, 5);
    ASSERT_TRUE(canvas.ready());
    canvas.fillWithCoordinates();
    EXPECT_TRUE(BitBlt(canvas.dc(), shift.x, shift.y, 6, 5, canvas.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(pixelsMatch(canvas, [&](int x, int y, int* sx, int* sy) {
      bool moved = x - shift.x >= 0 && x - shift.x < 6 && y - shift.y >= 0 && y - shift.y < 5;
      *sx = moved ? x - shift.x : x;  // pixels outside the copy keep their own coordinates
      *sy = moved ? y - shift.y : y;
    }));
  }
}

// GDI's default mode, enlarging or copying: destination pixel d of n shows
// the source pixel (of m) under its centre, (d + 1/2) * m / n, and a centre
// exactly on a border between two source pixels shows the upper-left one.
int sourceUnderCentre(int d, int sourceLength, int destLength) {
  double centre = (d + 0.5) * sourceLength / destLength;  // exact enough: denominators stay far below 2^26
  return static_cast<int>(std::ceil(centre)) - 1;
}

TEST(GdiStretchBlt, EnlargesAndCopiesWithTheSourcePixelUnderEachCentre) {
  struct Case {
    int sourceWidth, sourceHeight;  // negative height: top-down
    int bitmapWidth, bitmapHeight;  // the destination bitmap
    int x, y, width, height;        // the destination rectangle
  };
  const Case cases[] = {
      {1, 1, 144, 144, 0, 0, 144, 144},    {2, 2, 143, 143, 0, 0, 143, 143},
      {3, 5, 178, 89, 0, 0, 178, 89},      {3, -5, 178, -144, 0, 0, 178, 144},
      {7, 7, 143, 143, 0, 0, 143, 143},    {7, -7, 144, 144, 0, 0, 144, 144},
      {64, 64, 144, 144, 0, 0, 144, 144},  {100, 50, 178, 89, 0, 0, 178, 89},
      {100, 50, 178, 144, 0, 0, 178, 144}, {178, 144, 178, 144, 0, 0, 178, 144},
      {143, 143, 178, 144, 17, 0, 144, 144},  // a thumbnail centred in its control
      {144, 144, 178, 144, 17, 0, 144, 144},  // one to one at an offset
      {178, 1, 178, 144, 0, 71, 178, 1},      // a one-row thumbnail
      {7, 7, 20, 15, 3, 2, 13, 11},           {7, 7, 20, 15, -4, -3, 13, 11},  // clipped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sourceWidth << " x " << c.sourceHeight << " onto (" << c.x << ", " << c.y
                                      << ", " << c.width << ", " << c.height << ") of " << c.bitmapWidth << " x "
                                      << c.bitmapHeight);
    Canvas source(c.sourceWidth, c.sourceHeight);
    Canvas dest(c.bitmapWidth, c.bitmapHeight);
    ASSERT_TRUE(source.ready() && dest.ready());
    source.fillWithCoordinates();
    dest.fillBytes(kUntouched);
    EXPECT_TRUE(StretchBlt(dest.dc(), c.x, c.y, c.width, c.height, source.dc(), 0, 0, source.width(),
                           source.height(), SRCCOPY));
    EXPECT_TRUE(pixelsMatch(dest, [&](int x, int y, int* sx, int* sy) {
      if (x < c.x || x >= c.x + c.width || y < c.y || y >= c.y + c.height) return;
      *sx = sourceUnderCentre(x - c.x, source.width(), c.width);
      *sy = sourceUnderCentre(y - c.y, source.height(), c.height);
    }));
  }
}

// Where each source pixel's run of destination pixels starts, as measured
// under Wine; the ties (a centre exactly on a source border) are the cases
// where a rounding rule could go either way.
TEST(GdiStretchBlt, RunsOfEnlargedPixelsStartWhereGdiStartsThem) {
  struct Case {
    int sourceLength, destLength;
    std::vector<int> runStarts;
  };
  const Case cases[] = {
      {1, 144, {0}},
      {2, 143, {0, 72}},  // destination 71 is centred on the border: it stays with source 0
      {3, 144, {0, 48, 96}},
      {5, 144, {0, 29, 58, 86, 115}},
      {7, 143, {0, 20, 41, 61, 82, 102, 123}},
      {7, 144, {0, 21, 41, 62, 82, 103, 123}},
      {64, 144, {0,  2,  5,  7,  9,  11, 14, 16, 18, 20, 23, 25, 27, 29, 32, 34, 36, 38, 41, 43, 45, 47,
                 50, 52, 54, 56, 59, 61, 63, 65, 68, 70, 72, 74, 77, 79, 81, 83, 86, 88, 90, 92, 95, 97,
                 99, 101, 104, 106, 108, 110, 113, 115, 117, 119, 122, 124, 126, 128, 131, 133, 135, 137, 140, 142}},
  };
  for (const Case& c : cases)
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.sourceLength << " -> " << c.destLength
                                        << (vertical ? " rows" : " columns"));
      Canvas source(vertical ? 1 : c.sourceLength, vertical ? c.sourceLength : 1);
      Canvas dest(vertical ? 1 : c.destLength, vertical ? c.destLength : 1);
      ASSERT_TRUE(source.ready() && dest.ready());
      source.fillWithCoordinates();
      EXPECT_TRUE(StretchBlt(dest.dc(), 0, 0, dest.width(), dest.height(), source.dc(), 0, 0, source.width(),
                             source.height(), SRCCOPY));
      size_t run = 0;
      for (int d = 0; d < c.destLength; ++d) {
        while (run + 1 < c.runStarts.size() && c.runStarts[run + 1] <= d) ++run;
        const uint8_t* p = vertical ? dest.pixel(0, d) : dest.pixel(d, 0);
        int got = vertical ? p[1] : p[0];
        ASSERT_EQ(got, static_cast<int>(run)) << "source pixel shown at destination " << d << ", pixel " << bgr(p);
      }
    }
}

// Shrinking in the default mode (BLACKONWHITE) ANDs the source pixels that
// fold into one destination pixel. Source pixel i has bit i cleared in a
// 16-bit mask (blue low, green high), so the result names the folded set.
// Folds measured under Wine. (Wine drops the last source pixel when
// shrinking to a single pixel; no such case is listed.)
TEST(GdiStretchBlt, ShrinkingAndsThePixelsThatFoldTogether) {
  struct Case {
    int sourceLength, destLength;
    std::vector<int> foldOfSource;
  };
  const Case cases[] = {
      {4, 2, {0, 0, 1, 1}},
      {3, 2, {0, 0, 1}},
      {5, 2, {0, 0, 0, 1, 1}},
      {7, 3, {0, 0, 1, 1, 1, 2, 2}},
      {9, 4, {0, 0, 1, 1, 1, 2, 2, 3, 3}},
      {12, 8, {0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6, 7}},
      {16, 5, {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 4, 4, 4}},
  };
  for (const Case& c : cases)
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.sourceLength << " -> " << c.destLength
                                        << (vertical ? " rows" : " columns"));
      Canvas source(vertical ? 1 : c.sourceLength, vertical ? c.sourceLength : 1);
      Canvas dest(vertical ? 1 : c.destLength, vertical ? c.destLength : 1);
      ASSERT_TRUE(source.ready() && dest.ready());
      for (int i = 0; i < c.sourceLength; ++i) {
        uint8_t* p = vertical ? source.pixel(0, i) : source.pixel(i, 0);
        unsigned mask = ~(1u << i) & 0xFFFF;
        p[0] = static_cast<uint8_t>(mask);
        p[1] = static_cast<uint8_t>(mask >> 8);
        p[2] = 0xFF;
      }
      EXPECT_TRUE(StretchBlt(dest.dc(), 0, 0, dest.width(), dest.height(), source.dc(), 0, 0, source.width(),
                             source.height(), SRCCOPY));
      for (int d = 0; d < c.destLength; ++d) {
        unsigned expected = 0xFFFF;
        for (int i = 0; i < c.sourceLength; ++i)
          if (c.foldOfSource[i] == d) expected &= ~(1u << i);
        const uint8_t* p = vertical ? dest.pixel(0, d) : dest.pixel(d, 0);
        unsigned got = p[0] | (p[1] << 8);
        EXPECT_EQ(got, expected) << "folded-set mask at destination " << d << ", pixel " << bgr(p);
        EXPECT_EQ(p[2], 0xFF) << "red at destination " << d;
      }
    }
}

// A 6 x 5 image, red where x < y and blue elsewhere: asymmetric under both
// flips and under a swap of red and blue.
bool isRed(int x, int y) { return x < y; }

TEST(GdiDIBits, TopDownRowsRoundTripThroughABottomUpSection) {
  const int width = 6, height = 5, stride = 20;
  std::vector<uint8_t> picture(stride * height, 0xEE);  // 0xEE in the alignment bytes
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &picture[y * stride + x * 3];
      p[0] = isRed(x, y) ? 0x00 : 0xFF;
      p[1] = 0x00;
      p[2] = isRed(x, y) ? 0xFF : 0x00;
    }
  void* bits = nullptr;
  HBITMAP bitmap = createDib(width, height, &bits);
  ASSERT_NE(bitmap, nullptr);
  BITMAPINFO topDown = header24(width, -height);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(SetDIBits(screen, bitmap, 0, height, picture.data(), &topDown, DIB_RGB_COLORS), height);

  // The section holds the bottom picture row first; its alignment bytes stay zero.
  const auto* memory = static_cast<const uint8_t*>(bits);
  for (int row = 0; row < height; ++row) {
    int y = height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = memory + row * stride + x * 3;
      const uint8_t want[3] = {uint8_t(isRed(x, y) ? 0x00 : 0xFF), 0x00, uint8_t(isRed(x, y) ? 0xFF : 0x00)};
      EXPECT_EQ(std::memcmp(p, want, 3), 0)
          << "picture (" << x << ", " << y << ") in memory row " << row << ": got " << bgr(p) << ", expected "
          << bgr(want);
    }
    EXPECT_EQ(memory[row * stride + 18], 0) << "alignment byte, memory row " << row;
    EXPECT_EQ(memory[row * stride + 19], 0) << "alignment byte, memory row " << row;
  }

  std::vector<uint8_t> readBack(stride * height, 0xAB);
  topDown.bmiHeader.biSizeImage = 0;
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, height, readBack.data(), &topDown, DIB_RGB_COLORS), height);
  EXPECT_EQ(topDown.bmiHeader.biSizeImage, static_cast<DWORD>(stride * height));
  ReleaseDC(nullptr, screen);
  for (int i = 0; i < stride * height; ++i) {
    bool alignment = i % stride >= width * 3;
    uint8_t want = alignment ? 0x00 : picture[i];  // GDI writes zeros into the caller's alignment bytes
    ASSERT_EQ(readBack[i], want) << "byte " << i % stride << " of buffer row " << i / stride;
  }
  EXPECT_TRUE(DeleteObject(bitmap));
}

// Scan lines count from the bottom of the picture: a transfer of fewer lines
// than the bitmap has moves its bottom rows, and a top-down buffer holds the
// highest of them first. Asking for more lines than exist moves them all.
TEST(GdiDIBits, LinesAndOrientationChooseTheRowsMoved) {
  struct Case {
    int headerHeight;
    UINT lines;
    int result;
    int pictureRowOfBufferRow[5];  // -1: the buffer row is not touched
  };
  const Case cases[] = {
      {-5, 5, 5, {0, 1, 2, 3, 4}}, {5, 5, 5, {4, 3, 2, 1, 0}},     {-5, 3, 3, {2, 3, 4, -1, -1}},
      {5, 3, 3, {4, 3, 2, -1, -1}}, {-5, 7, 5, {0, 1, 2, 3, 4}}, {5, 1, 1, {4, -1, -1, -1, -1}},
  };
  const int width = 6, height = 5, stride = 20, bufferRows = 8;  // spare rows, should a call overrun
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "header height " << c.headerHeight << ", " << c.lines << " lines");
    Canvas canvas(width, height);
    ASSERT_TRUE(canvas.ready());
    canvas.fillWithCoordinates();

    std::vector<uint8_t> buffer(stride * bufferRows, 0xAB);
    BITMAPINFO info = header24(width, c.headerHeight);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, canvas.bitmap(), 0, c.lines, buffer.data(), &info, DIB_RGB_COLORS), c.result);
    ReleaseDC(nullptr, screen);
    for (int row = 0; row < bufferRows; ++row)
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = &buffer[row * stride + x * 3];
        int y = row < height ? c.pictureRowOfBufferRow[row] : -1;
        const uint8_t want[3] = {uint8_t(y < 0 ? 0xAB : x), uint8_t(y < 0 ? 0xAB : y), uint8_t(y < 0 ? 0xAB : 0xA5)};
        EXPECT_EQ(std::memcmp(p, want, 3), 0)
            << "GetDIBits buffer row " << row << ", x " << x << ": got " << bgr(p) << ", expected " << bgr(want);
      }

    // Wine's SetDIBits, asked for more lines than the header has, reports them
    // all but writes only some; the core never asks for more than there are.
    if (c.lines > static_cast<UINT>(height)) continue;
    // The same rows go back: buffer row r, labelled (x, 100 + r), into a cleared section.
    canvas.fillBytes(0x00);
    for (int row = 0; row < bufferRows; ++row)
      for (int x = 0; x < width; ++x) {
        uint8_t* p = &buffer[row * stride + x * 3];
        p[0] = static_cast<uint8_t>(x);
        p[1] = static_cast<uint8_t>(100 + row);
        p[2] = 0xA5;
      }
    screen = GetDC(nullptr);
    EXPECT_EQ(SetDIBits(screen, canvas.bitmap(), 0, c.lines, buffer.data(), &info, DIB_RGB_COLORS), c.result);
    ReleaseDC(nullptr, screen);
    for (int y = 0; y < height; ++y) {
      int fromRow = -1;
      for (int row = 0; row < height; ++row)
        if (c.pictureRowOfBufferRow[row] == y) fromRow = row;
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = canvas.pixel(x, y);
        const uint8_t want[3] = {uint8_t(fromRow < 0 ? 0 : x), uint8_t(fromRow < 0 ? 0 : 100 + fromRow),
                                 uint8_t(fromRow < 0 ? 0 : 0xA5)};
        EXPECT_EQ(std::memcmp(p, want, 3), 0)
            << "SetDIBits picture (" << x << ", " << y << "): got " << bgr(p) << ", expected " << bgr(want);
      }
    }
  }
}

TEST(GdiFailures, ImpossibleOrMalformedSectionsAreRefused) {
  struct Case {
    const char* name;
    int width, height;
    WORD planes, bitCount;
    DWORD headerSize;
  };
  const Case cases[] = {
      {"zero width", 0, 5, 1, 24, 40},
      {"zero height", 5, 0, 1, 24, 40},
      {"negative width", -5, 5, 1, 24, 40},
      {"10^10 pixels", 100000, 100000, 1, 24, 40},
      {"just over 2^31 bytes", 46341, 46341, 1, 24, 40},
      {"one row over 2^31 bytes", 715827883, 1, 1, 24, 40},
      {"widest width", 0x7FFFFFFF, 1, 1, 24, 40},
      {"tallest height", 1, 0x7FFFFFFF, 1, 24, 40},
      {"two planes", 4, 4, 2, 24, 40},
      {"core header size", 4, 4, 1, 24, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BITMAPINFO info = header24(c.width, c.height);
    info.bmiHeader.biPlanes = c.planes;
    info.bmiHeader.biBitCount = c.bitCount;
    info.bmiHeader.biSize = c.headerSize;
    void* bits = reinterpret_cast<void*>(1);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(bits, nullptr) << "the bits out-argument is cleared on failure";
    if (bitmap) DeleteObject(bitmap);
  }
}

TEST(GdiFailures, DeletedAndMadeUpHandlesFailQuietly) {
  void* bits = nullptr;
  HBITMAP live = createDib(2, 2, &bits);
  HBITMAP deleted = createDib(3, 3, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HDC deletedDC = CreateCompatibleDC(nullptr);
  HBRUSH deletedBrush = CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_TRUE(live && deleted && dc && deletedDC && deletedBrush);
  ASSERT_TRUE(DeleteObject(deleted));
  ASSERT_TRUE(DeleteDC(deletedDC));
  ASSERT_TRUE(DeleteObject(deletedBrush));

  BITMAP record;
  BITMAPINFO info = header24(2, -2);
  uint8_t buffer[16] = {};
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetObjectA(deleted, sizeof record, &record), 0);
  EXPECT_EQ(GetObjectA(live, sizeof record - 1, &record), 0) << "a record too small for BITMAP";
  EXPECT_EQ(GetObjectA(live, 0, nullptr), static_cast<int>(sizeof(BITMAP))) << "no record: the size it needs";
  EXPECT_EQ(GetObjectA(dc, sizeof record, &record), 0) << "a DC is no object GetObjectA describes";
  EXPECT_FALSE(DeleteObject(deleted));
  EXPECT_FALSE(DeleteObject(deletedBrush));
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_FALSE(DeleteDC(deletedDC));
  EXPECT_EQ(SelectObject(dc, deleted), nullptr);
  EXPECT_EQ(SelectObject(dc, deletedBrush), nullptr);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(SelectObject(deletedDC, live), nullptr);
  EXPECT_EQ(SelectObject(nullptr, live), nullptr);
  EXPECT_EQ(CreateCompatibleDC(deletedDC), nullptr);
  EXPECT_FALSE(PatBlt(deletedDC, 0, 0, 1, 1, BLACKNESS));
  EXPECT_FALSE(BitBlt(deletedDC, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetDIBits(screen, deleted, 0, 2, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(screen, nullptr, 0, 2, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(nullptr, live, 0, 2, buffer, &info, DIB_RGB_COLORS), 0) << "GetDIBits needs a DC";
  EXPECT_EQ(SetDIBits(screen, deleted, 0, 2, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBits(screen, nullptr, 0, 2, buffer, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(static_cast<intptr_t>(0x4242))), nullptr) << "no such window";
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);

  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(live));
}

// Deleting a bitmap or brush while a DC holds it must not pull it from under
// the DC. The stand-in refuses, as Windows does for bitmaps; Wine reports
// success and defers the deletion until the object is selected out, so the
// results are only checked natively.
TEST(GdiFailures, ObjectsSelectedIntoADCSurviveDeletion) {
  Canvas canvas(3, 2);
  ASSERT_TRUE(canvas.ready());
  HBRUSH brush = CreateSolidBrush(RGB(0x10, 0x20, 0x30));
  HGDIOBJ previousBrush = SelectObject(canvas.dc(), brush);
  ASSERT_NE(previousBrush, nullptr);

  BOOL bitmapDeleted = DeleteObject(canvas.bitmap());
  BOOL brushDeleted = DeleteObject(brush);
#ifndef _WIN32
  EXPECT_FALSE(bitmapDeleted);
  EXPECT_FALSE(brushDeleted);
#else
  (void)bitmapDeleted;
  (void)brushDeleted;
#endif
  BITMAP record;
  EXPECT_EQ(GetObjectA(canvas.bitmap(), sizeof record, &record), static_cast<int>(sizeof(BITMAP)));
  EXPECT_TRUE(PatBlt(canvas.dc(), 0, 0, 3, 2, PATCOPY));
  const uint8_t want[3] = {0x30, 0x20, 0x10};
  EXPECT_EQ(std::memcmp(canvas.pixel(2, 1), want, 3), 0)
      << "at (2, 1): got " << bgr(canvas.pixel(2, 1)) << ", expected " << bgr(want);
  EXPECT_EQ(SelectObject(canvas.dc(), previousBrush), static_cast<HGDIOBJ>(brush));
#ifndef _WIN32
  EXPECT_TRUE(DeleteObject(brush)) << "free once selected out";
#else
  DeleteObject(brush);
#endif
}

TEST(GdiDeleteDC, FreesTheObjectsTheDCHeld) {
  void* bits = nullptr;
  HBITMAP bitmap = createDib(4, 4, &bits);
  HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
  HDC dc = CreateCompatibleDC(nullptr);
  HDC other = CreateCompatibleDC(nullptr);  // made first, so it cannot take over the deleted DC's handle
  ASSERT_TRUE(bitmap && brush && dc && other);
  ASSERT_NE(SelectObject(dc, bitmap), nullptr);
  ASSERT_NE(SelectObject(dc, brush), nullptr);
  EXPECT_TRUE(DeleteDC(dc));

  EXPECT_TRUE(DeleteObject(brush)) << "the brush is no longer selected";
  HGDIOBJ stock = SelectObject(other, bitmap);
  EXPECT_NE(stock, nullptr) << "the bitmap can go into another DC";
  EXPECT_EQ(SelectObject(other, stock), static_cast<HGDIOBJ>(bitmap));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiStockObjects, DeletingThemSucceedsAndChangesNothing) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
  void* bits = nullptr;
  HBITMAP bitmap = createDib(1, 1, &bits);
  HGDIOBJ stockBitmap = SelectObject(dc, bitmap);
  HGDIOBJ stockBrush = SelectObject(dc, brush);
  ASSERT_TRUE(stockBitmap && stockBrush);
  SelectObject(dc, stockBitmap);
  SelectObject(dc, stockBrush);
  EXPECT_TRUE(DeleteObject(stockBitmap));
  EXPECT_TRUE(DeleteObject(stockBrush));

  BITMAP record;
  std::memset(&record, 0, sizeof record);
  EXPECT_EQ(GetObjectA(stockBitmap, sizeof record, &record), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(record.bmWidth, 1);
  EXPECT_EQ(record.bmBitsPixel, 1);
  HDC fresh = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(fresh, bitmap), stockBitmap) << "new DCs still start with it";
  EXPECT_EQ(SelectObject(fresh, stockBitmap), static_cast<HGDIOBJ>(bitmap));
  EXPECT_TRUE(DeleteDC(fresh));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteObject(brush));
}

#ifndef _WIN32
// Counting is the stand-in's own: how tests of the core find a leaked or
// not-yet-released GDI object.
TEST(GdiStandIn, CountsLiveObjectsAndHeldScreenDCs) {
  const int baseline = gdi_standin::liveObjectCount();
  ASSERT_EQ(gdi_standin::heldScreenDCCount(), 0);
  HDC screen = GetDC(nullptr);
  HDC again = GetDC(nullptr);
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 2);
  void* bits = nullptr;
  BITMAPINFO info = header24(2, 2);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
  HDC dc = CreateCompatibleDC(screen);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, again), 1);
  EXPECT_EQ(ReleaseDC(nullptr, again), 0) << "released once too often";  // Wine answers 1 and moves on
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0);
  EXPECT_EQ(gdi_standin::liveObjectCount(), baseline + 3);

  HGDIOBJ stock = SelectObject(dc, bitmap);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(gdi_standin::liveObjectCount(), baseline + 3) << "a refused deletion leaves the bitmap alive";
  SelectObject(dc, stock);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(gdi_standin::liveObjectCount(), baseline);
  EXPECT_TRUE(DeleteObject(stock));
  EXPECT_EQ(gdi_standin::liveObjectCount(), baseline) << "stock objects are not counted or deleted";
}

// Real GDI converts formats, mirrors and takes partial transfers; the stand-in
// models only what the core asks for and fails the rest rather than guess.
TEST(GdiStandIn, RefusesWhatItDoesNotModel) {
  Canvas canvas(4, 3);
  Canvas other(4, 3);
  ASSERT_TRUE(canvas.ready() && other.ready());
  HDC screen = GetDC(nullptr);
  uint8_t buffer[64] = {};
  BITMAPINFO thirtyTwoBits = header24(4, 3);
  thirtyTwoBits.bmiHeader.biBitCount = 32;
  BITMAPINFO otherWidth = header24(5, 3);
  BITMAPINFO matching = header24(4, 3);
  void* bits = nullptr;
  EXPECT_EQ(CreateDIBSection(screen, &thirtyTwoBits, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(GetDIBits(screen, canvas.bitmap(), 0, 3, buffer, &thirtyTwoBits, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(screen, canvas.bitmap(), 0, 3, buffer, &otherWidth, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(screen, canvas.bitmap(), 1, 2, buffer, &matching, DIB_RGB_COLORS), 0);
  EXPECT_EQ(SetDIBits(screen, canvas.bitmap(), 1, 2, buffer, &matching, DIB_RGB_COLORS), 0);
  EXPECT_FALSE(StretchBlt(canvas.dc(), 4, 0, -4, 3, other.dc(), 0, 0, 4, 3, SRCCOPY));
  EXPECT_FALSE(BitBlt(canvas.dc(), 0, 0, 4, 3, other.dc(), 0, 0, 0x00EE0086 /* SRCPAINT */));
  EXPECT_FALSE(PatBlt(screen, 0, 0, 1, 1, BLACKNESS)) << "the screen has no surface here";
  ReleaseDC(nullptr, screen);
}
#endif

}  // namespace
