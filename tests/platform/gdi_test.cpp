// The GDI calls the image core relies on. The same tests run natively against
// the in-memory stand-in and, cross-built, against real GDI under Wine, so the
// two cannot drift apart. Expected pixels come from tables measured under
// Wine or from an independent statement of the rule, never from the
// stand-in's own arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"

namespace {

BITMAPINFO header24(int width, int height) {
  return {{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, {}};
}

// Made on the screen's DC, as the image core makes its display bitmaps.
HBITMAP createDib(int width, int height, void** bits) {
  BITMAPINFO info = header24(width, height);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

void paint(uint8_t* p, int b, int g, int r) { p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r); }
std::vector<int> bgr(const uint8_t* p) { return {p[0], p[1], p[2]}; }

// Equal memory, rows of `stride` bytes, or where the first difference is.
::testing::AssertionResult sameRows(const uint8_t* got, const std::vector<uint8_t>& want, int stride) {
  const size_t i = std::mismatch(want.begin(), want.end(), got).first - want.begin();
  if (i == want.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "row " << i / stride << ", byte " << i % stride << " is " << int(got[i])
                                       << ", expected " << int(want[i]);
}

// A 24-bit DIB section (top-down for a negative height) selected into a
// memory DC of its own, released in GDI's order: previous bitmap back, DC
// deleted, then the bitmap.
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
  // Flushed first: real GDI may batch drawing; the bits are only current after a flush.
  uint8_t* bits() const { return GdiFlush(), static_cast<uint8_t*>(memory); }
  // y counts picture rows from the top, whatever the memory order.
  uint8_t* pixel(int x, int y) const { return bits() + (topDown ? y : height - 1 - y) * stride + x * 3; }

  const int width, height, stride;
  const bool topDown;
  void* memory = nullptr;
  const HBITMAP bitmap;
  const HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = nullptr;
};

// Fills land in the clipped rectangle counted from the top picture row (the
// last memory row of a bottom-up section), a COLORREF (red in its lowest byte)
// is stored blue, green, red, and alignment bytes are never touched.
TEST(GdiFill, RasterOperationsFillOnlyTheClippedRectangle) {
  const struct {
    DWORD rop;        // BitBlt, or PatBlt for PATCOPY
    COLORREF colour;  // of the selected brush, and of the filled pixels
    int x, y, width, height;
  } cases[] = {
      {BLACKNESS, RGB(0, 0, 0), 0, 0, 5, 3},           // the whole bitmap
      {PATCOPY, RGB(0x11, 0x22, 0x33), 1, 0, 2, 1},    // in the top row
      {PATCOPY, RGB(0xC0, 0x01, 0x7F), -2, -1, 4, 3},  // off the top left
      {PATCOPY, RGB(0x80, 0xFE, 0x02), 4, 2, 3, 3},    // off the bottom right
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.rop == PATCOPY ? "PatBlt" : "BitBlt") << " at " << c.x << ", " << c.y);
    Canvas canvas(5, 3);
    ASSERT_TRUE(canvas.ready());
    std::vector<uint8_t> want(3 * 16, 0x5A);
    std::copy(want.begin(), want.end(), canvas.bits());
    HBRUSH brush = CreateSolidBrush(c.colour);
    HGDIOBJ previousBrush = SelectObject(canvas.dc, brush);
    EXPECT_TRUE(c.rop == PATCOPY ? PatBlt(canvas.dc, c.x, c.y, c.width, c.height, c.rop)
                                 : BitBlt(canvas.dc, c.x, c.y, c.width, c.height, canvas.dc, 0, 0, c.rop));
    EXPECT_EQ(SelectObject(canvas.dc, previousBrush), static_cast<HGDIOBJ>(brush));
    EXPECT_TRUE(DeleteObject(brush));
    for (int y = std::max(c.y, 0); y < std::min(c.y + c.height, 3); ++y)
      for (int x = std::max(c.x, 0); x < std::min(c.x + c.width, 5); ++x)
        paint(&want[(2 - y) * 16 + x * 3], GetBValue(c.colour), GetGValue(c.colour), GetRValue(c.colour));
    EXPECT_TRUE(sameRows(canvas.bits(), want, 16)) << "memory rows, the bottom picture row first";
  }
}

// GDI's default mode, enlarging or copying: destination pixel d of n shows
// the source pixel (of m) under its centre, (d + 1/2) * m / n, and a centre
// exactly on a border between two source pixels shows the upper-left one.
// The run starts (first destination pixel of each source pixel) were measured
// under Wine; 2 -> 143 and 64 -> 144 contain such ties (destination 71 of 143
// stays with source 0). The 64 -> 144 starts repeat every 4 sources: 0, 2, 5,
// 7, then 9 more for each 4.
TEST(GdiStretchBlt, EnlargesWithTheSourcePixelUnderEachCentre) {
  std::vector<int> sixtyFour144;
  for (int s = 0; s < 64; ++s) sixtyFour144.push_back(s / 4 * 9 + "\0\2\5\7"[s % 4]);
  const struct {
    int sw, sh, dw, dh;  // source and destination sizes; a negative sh: a top-down source
    std::vector<int> columnRuns, rowRuns;
  } cases[] = {
      {2, -64, 143, 144, {0, 72}, sixtyFour144},
      {64, 2, 144, 143, sixtyFour144, {0, 72}},
      {7, 7, 143, 144, {0, 20, 41, 61, 82, 102, 123}, {0, 21, 41, 62, 82, 103, 123}},
      {5, 3, 5, 3, {0, 1, 2, 3, 4}, {0, 1, 2}},  // one to one
  };
  auto sourceOf = [](const std::vector<int>& runs, int d) {  // the last run starting at or before d
    return int(std::upper_bound(runs.begin(), runs.end(), d) - runs.begin()) - 1;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sw << " x " << c.sh << " onto " << c.dw << " x " << c.dh);
    Canvas source(c.sw, c.sh), dest(c.dw, c.dh);
    ASSERT_TRUE(source.ready() && dest.ready());
    for (int y = 0; y < source.height; ++y)  // every pixel tells where it is: B = x, G = y, R = a marker
      for (int x = 0; x < source.width; ++x) paint(source.pixel(x, y), x, y, 0xA5);
    EXPECT_TRUE(StretchBlt(dest.dc, 0, 0, dest.width, dest.height, source.dc, 0, 0, source.width,
                           source.height, SRCCOPY));
    for (int y = 0; y < dest.height; ++y)
      for (int x = 0; x < dest.width; ++x)
        ASSERT_EQ(bgr(dest.pixel(x, y)), (std::vector<int>{sourceOf(c.columnRuns, x), sourceOf(c.rowRuns, y), 0xA5}))
            << "blue, green, red at (" << x << ", " << y << ")";
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
    Canvas source(vertical ? 1 : 12, vertical ? 12 : 1), dest(vertical ? 1 : 8, vertical ? 8 : 1);
    ASSERT_TRUE(source.ready() && dest.ready());
    std::vector<unsigned> expected(8, 0xFFFF);
    for (int i = 0; i < 12; ++i) {
      paint(vertical ? source.pixel(0, i) : source.pixel(i, 0), ~(1u << i) & 0xFF, ~(1u << i) >> 8 & 0xFF, 0xFF);
      expected[foldOfSource[i]] &= ~(1u << i);
    }
    EXPECT_TRUE(StretchBlt(dest.dc, 0, 0, dest.width, dest.height, source.dc, 0, 0, source.width,
                           source.height, SRCCOPY));
    for (int d = 0; d < 8; ++d)
      EXPECT_EQ(bgr(vertical ? dest.pixel(0, d) : dest.pixel(d, 0)),
                (std::vector<int>{int(expected[d] & 0xFF), int(expected[d] >> 8), 0xFF}))
          << "blue, green, red: the folded-set mask at destination " << d;
  }
}

// A 7 x 5 image, red where x < y and blue elsewhere: asymmetric under both
// flips and under a swap of red and blue, with padded rows (21 of 24 bytes).
// A new section is zero; SetDIBits from a top-down picture stores the bottom
// picture row first and leaves the section's alignment bytes zero; GetDIBits
// reads it back top-down and zeroes the caller's alignment bytes.
TEST(GdiDibSection, LayoutAndTopDownRoundTripThroughGetAndSetDIBits) {
  const int width = 7, height = 5, stride = 24;
  std::vector<uint8_t> input(stride * height), topDown(input), bottomUp(input), readBack(input.size(), 0xAB);
  for (int i = 0; i < stride * height; ++i) {  // byte i of the rows: blue, green or red (c) of pixel (x, y)
    const int y = i / stride, x = i % stride / 3, c = i % 3;
    topDown[i] = bottomUp[(height - 1 - y) * stride + i % stride] = x < width && c == (x < y ? 2 : 0) ? 0xFF : 0;
    input[i] = x < width ? topDown[i] : 0xEE;
  }
  void* bits = nullptr;
  HBITMAP bitmap = createDib(width, height, &bits);
  ASSERT_NE(bitmap, nullptr);
  const auto* memory = static_cast<const uint8_t*>(bits);
  EXPECT_TRUE(sameRows(memory, std::vector<uint8_t>(input.size()), stride)) << "a new section";
  BITMAP r = {};
  EXPECT_EQ(GetObjectA(bitmap, sizeof r, &r), static_cast<int>(sizeof r));
  EXPECT_EQ((std::vector<int64_t>{r.bmWidth, r.bmHeight, r.bmWidthBytes, r.bmBits == bits}),
            (std::vector<int64_t>{width, height, stride, 1})) << "width, height, row bytes, bmBits is the memory";
  BITMAPINFO info = header24(width, -height);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(SetDIBits(screen, bitmap, 0, height, input.data(), &info, DIB_RGB_COLORS), height);
  EXPECT_TRUE(sameRows(memory, bottomUp, stride)) << "the section's memory after SetDIBits";
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, height, readBack.data(), &info, DIB_RGB_COLORS), height);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(sameRows(readBack.data(), topDown, stride)) << "the buffer filled by GetDIBits";
  EXPECT_TRUE(DeleteObject(bitmap));
}

// Impossible sizes are refused (createDisplayBitmap relies on it); deleted
// handles fail quietly; a bitmap can be selected into only one DC at a time.
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
  // Made where the deleted one lay (same size, at once): the old handle
  // still names nothing.
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
// Counting is the stand-in's own: how tests of the core find a leaked or
// not-yet-released GDI object. It also refuses, as Windows does for bitmaps,
// to delete an object selected into a DC (Wine defers such a deletion).
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
