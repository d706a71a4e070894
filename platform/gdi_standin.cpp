// GDI kept in memory: a registry of objects by handle, so a deleted or
// made-up handle is refused with GDI's failure result instead of being
// dereferenced. Drawing works on 24-bit DIB sections only.
#include "gdi_standin.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "fresh_memory.h"

namespace {

// Zeroed, as Windows gives a new section.
uint8_t* newSectionMemory(size_t bytes) {
  auto* memory = static_cast<uint8_t*>(std::calloc(bytes, 1));
  prefaultForWriting(memory, bytes);
  return memory;
}

enum class Kind { Bitmap, Brush, DeviceContext };

struct GdiObject {
  explicit GdiObject(Kind kind, bool stock = false) : kind(kind), stock(stock) {}
  virtual ~GdiObject() = default;
  const Kind kind;
  const bool stock;  // shared defaults: never deleted, selectable anywhere
  uintptr_t handle = 0;
};

struct DeviceContext;

struct Bitmap : GdiObject {
  Bitmap(int32_t width, int32_t height, bool topDown, int32_t stride, uint8_t* bits, WORD bitsPerPixel,
         bool stock = false)
      : GdiObject(Kind::Bitmap, stock),
        width(width),
        height(height),
        topDown(topDown),
        stride(stride),
        bits(bits),
        bitsPerPixel(bitsPerPixel) {}
  ~Bitmap() override { std::free(bits); }
  const int32_t width;
  const int32_t height;  // always positive; the orientation is topDown
  const bool topDown;
  const int32_t stride;
  uint8_t* const bits;  // null for the stock bitmap, which cannot be drawn on
  const WORD bitsPerPixel;
  DeviceContext* selectedInto = nullptr;  // GDI lets a bitmap live in one DC at a time

  // Picture row 0 is the top row, whatever the memory order.
  uint8_t* pixel(int32_t x, int32_t y) const {
    int32_t row = topDown ? y : height - 1 - y;
    return bits + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * 3;
  }
};

struct Brush : GdiObject {
  explicit Brush(COLORREF color, bool stock = false) : GdiObject(Kind::Brush, stock), color(color) {}
  const COLORREF color;
  int selections = 0;
};

struct DeviceContext : GdiObject {
  DeviceContext(Bitmap* bitmap, Brush* brush, bool screen)
      : GdiObject(Kind::DeviceContext, screen), bitmap(bitmap), brush(brush), screen(screen) {}
  Bitmap* bitmap;  // null for the screen, which has no surface here
  Brush* brush;
  const bool screen;
};

// Every object a handle can name. Never destroyed, so objects a test leaks
// stay reachable and show up in liveObjectCount rather than as heap leaks.
// Handles are numbers never given out twice, as GDI's own rarely repeat: an
// object made right after another was deleted does not answer to the old
// handle, even where the heap hands out the same memory.
struct Registry {
  Registry() {
    for (GdiObject* object : {static_cast<GdiObject*>(&stockBitmap), static_cast<GdiObject*>(&stockBrush),
                              static_cast<GdiObject*>(&screen)})
      add(object);
  }
  void add(GdiObject* object) {
    nextHandle += 4;
    object->handle = nextHandle;
    objects.emplace(nextHandle, object);
  }
  Bitmap stockBitmap{1, 1, false, 2, nullptr, 1, true};  // every new memory DC's 1x1 monochrome bitmap
  Brush stockBrush{RGB(255, 255, 255), true};            // the white brush a new DC starts with
  DeviceContext screen{nullptr, &stockBrush, true};
  std::unordered_map<uintptr_t, GdiObject*> objects;
  uintptr_t nextHandle = 0x10000;
  int heldScreenDCs = 0;
};

Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

GdiObject* find(const void* handle, Kind kind) {
  const auto found = registry().objects.find(reinterpret_cast<uintptr_t>(handle));
  if (!handle || found == registry().objects.end() || found->second->kind != kind) return nullptr;
  return found->second;
}
Bitmap* findBitmap(const void* handle) { return static_cast<Bitmap*>(find(handle, Kind::Bitmap)); }
Brush* findBrush(const void* handle) { return static_cast<Brush*>(find(handle, Kind::Brush)); }
DeviceContext* findDC(const void* handle) { return static_cast<DeviceContext*>(find(handle, Kind::DeviceContext)); }

template <typename Handle>
Handle handleOf(GdiObject* object) {
  return static_cast<Handle>(reinterpret_cast<void*>(object->handle));
}

void adopt(GdiObject* object) { registry().add(object); }

void destroy(GdiObject* object) {
  registry().objects.erase(object->handle);
  delete object;
}

int64_t paddedRowBytes(int64_t width) { return (width * 3 + 3) & ~int64_t{3}; }

// The drawable bitmap of a DC: a DIB section, not the stock monochrome one.
Bitmap* surfaceOf(HDC dc) {
  DeviceContext* context = findDC(dc);
  return context && context->bitmap && context->bitmap->bits ? context->bitmap : nullptr;
}

// One range of an axis, clipped to [0, limit).
struct Span {
  int64_t begin;
  int64_t end;
};
Span clip(int64_t start, int64_t length, int64_t limit) {
  Span span{start < 0 ? 0 : start, start + length > limit ? limit : start + length};
  if (span.end < span.begin) span.end = span.begin;
  return span;
}

int64_t floorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The pixel of an axis of `to` pixels that holds the centre of pixel i of an
// axis of `from` pixels, a centre on a border going to the lower pixel. This
// is what GDI's default stretch mode gives, measured pixel for pixel.
int64_t pixelHoldingCentre(int64_t i, int64_t from, int64_t to) { return floorDiv((2 * i + 1) * to - 1, 2 * from); }

// The source pixels [begin, end) that make destination pixel d:
// enlarging samples the source at d's centre; shrinking folds together the
// source pixels whose centres fall in d.
Span sourcesOf(int64_t d, int64_t sourceLength, int64_t destLength) {
  if (destLength >= sourceLength) {
    int64_t source = pixelHoldingCentre(d, destLength, sourceLength);
    return {source, source + 1};
  }
  // First source pixel whose centre lies in destination pixel `dest` or later:
  // the one nearest to where that pixel begins, a tie going to the higher.
  auto firstFolding = [&](int64_t dest) { return floorDiv(2 * sourceLength * dest + destLength, 2 * destLength); };
  return {firstFolding(d), firstFolding(d + 1)};
}

BOOL fill(Bitmap* surface, int x, int y, int width, int height, COLORREF color) {
  if (width < 0 || height < 0) return FALSE;  // mirrored rectangles are not modelled
  Span columns = clip(x, width, surface->width), rows = clip(y, height, surface->height);
  if (columns.begin >= columns.end || rows.begin >= rows.end) return TRUE;
  const uint8_t bgr[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
  // One row span pixel by pixel, then copies of it.
  const int32_t left = static_cast<int32_t>(columns.begin);
  uint8_t* first = surface->pixel(left, static_cast<int32_t>(rows.begin));
  const size_t spanBytes = static_cast<size_t>(columns.end - columns.begin) * 3;
  for (size_t offset = 0; offset < spanBytes; offset += 3) std::memcpy(first + offset, bgr, 3);
  for (int64_t row = rows.begin + 1; row < rows.end; ++row)
    std::memcpy(surface->pixel(left, static_cast<int32_t>(row)), first, spanBytes);
  return TRUE;
}

BOOL fillWithRop(HDC dc, int x, int y, int width, int height, DWORD rop) {
  Bitmap* surface = surfaceOf(dc);
  if (!surface) return FALSE;
  switch (rop) {
    case BLACKNESS: return fill(surface, x, y, width, height, RGB(0, 0, 0));
    case PATCOPY: return fill(surface, x, y, width, height, findDC(dc)->brush->color);
    default: return FALSE;
  }
}

// Validates a 24-bit BI_RGB header as both CreateDIBSection and the DIB bits
// calls take it.
bool isSupportedHeader(const BITMAPINFO* info) {
  if (!info) return false;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  return header.biSize == sizeof(BITMAPINFOHEADER) && header.biPlanes == 1 && header.biBitCount == 24 &&
         header.biCompression == BI_RGB && header.biWidth > 0 && header.biHeight != 0 &&
         header.biHeight != INT32_MIN;
}

// The part of GetDIBits/SetDIBits both share: the caller's buffer must
// describe exactly this bitmap (no format conversion is modelled) and
// transfers start at scan line 0, the bottom row, as the image core does.
// Returns the rows to copy, or 0.
int64_t linesToTransfer(const Bitmap* bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
                        UINT usage) {
  if (!bitmap || !bitmap->bits || !bits || usage != DIB_RGB_COLORS || start != 0 || !isSupportedHeader(info))
    return 0;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  if (header.biWidth != bitmap->width || height != bitmap->height) return 0;
  return lines < static_cast<UINT>(bitmap->height) ? lines : bitmap->height;
}

// Row of the caller's buffer that holds scan line `scan` (counted from the
// bottom) of a transfer of `count` lines: a top-down buffer puts the last
// transferred line first, as GDI does.
int64_t bufferRowOf(int64_t scan, int64_t count, const BITMAPINFO* info) {
  return info->bmiHeader.biHeight < 0 ? count - 1 - scan : scan;
}

}  // namespace

HDC GetDC(HWND window) {
  if (window) return nullptr;  // no windows exist here
  ++registry().heldScreenDCs;
  return handleOf<HDC>(&registry().screen);
}

int ReleaseDC(HWND window, HDC dc) {
  if (window || findDC(dc) != &registry().screen || registry().heldScreenDCs == 0) return 0;
  --registry().heldScreenDCs;
  return 1;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  if (bits) *bits = nullptr;
  if ((dc && !findDC(dc)) || usage != DIB_RGB_COLORS || section || offset || !isSupportedHeader(info))
    return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  int64_t stride = paddedRowBytes(header.biWidth);
  if (stride > INT32_MAX || stride * height > INT32_MAX) return nullptr;  // GDI cannot address it either
  uint8_t* memory = newSectionMemory(static_cast<size_t>(stride * height));
  if (!memory) return nullptr;
  auto* bitmap = new Bitmap(header.biWidth, static_cast<int32_t>(height), header.biHeight < 0,
                            static_cast<int32_t>(stride), memory, 24);
  adopt(bitmap);
  if (bits) *bits = memory;
  return handleOf<HBITMAP>(bitmap);
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !findDC(dc)) return nullptr;
  auto* context = new DeviceContext(&registry().stockBitmap, &registry().stockBrush, false);
  adopt(context);
  return handleOf<HDC>(context);
}

BOOL DeleteDC(HDC dc) {
  DeviceContext* context = findDC(dc);
  if (!context || context->screen) return FALSE;  // the screen's DC goes back with ReleaseDC
  // Whatever the DC held becomes free to select elsewhere or delete.
  if (!context->bitmap->stock) context->bitmap->selectedInto = nullptr;
  --context->brush->selections;
  destroy(context);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = findDC(dc);
  if (!context) return nullptr;
  if (Bitmap* bitmap = findBitmap(object)) {
    if (context->screen) return nullptr;  // only memory DCs take bitmaps
    if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != context) return nullptr;
    Bitmap* previous = context->bitmap;
    if (!previous->stock) previous->selectedInto = nullptr;
    if (!bitmap->stock) bitmap->selectedInto = context;
    context->bitmap = bitmap;
    return handleOf<HGDIOBJ>(previous);
  }
  if (Brush* brush = findBrush(object)) {
    Brush* previous = context->brush;
    --previous->selections;
    ++brush->selections;
    context->brush = brush;
    return handleOf<HGDIOBJ>(previous);
  }
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (Bitmap* bitmap = findBitmap(object)) {
    if (bitmap->stock) return TRUE;
    if (bitmap->selectedInto) return FALSE;
    destroy(bitmap);
    return TRUE;
  }
  if (Brush* brush = findBrush(object)) {
    if (brush->stock) return TRUE;
    if (brush->selections > 0) return FALSE;
    destroy(brush);
    return TRUE;
  }
  return FALSE;
}

int GetObjectA(HANDLE object, int size, LPVOID out) {
  // Brushes have a LOGBRUSH in GDI; nothing here asks for it, so they fail.
  Bitmap* bitmap = findBitmap(object);
  if (!bitmap) return 0;
  if (!out) return sizeof(BITMAP);  // GDI's size query
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP record;
  std::memset(&record, 0, sizeof record);
  record.bmType = 0;
  record.bmWidth = bitmap->width;
  record.bmHeight = bitmap->height;
  record.bmWidthBytes = bitmap->stride;
  record.bmPlanes = 1;
  record.bmBitsPixel = bitmap->bitsPerPixel;
  record.bmBits = bitmap->bits;
  std::memcpy(out, &record, sizeof record);
  return sizeof(BITMAP);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* brush = new Brush(color & 0x00FFFFFF);
  adopt(brush);
  return handleOf<HBRUSH>(brush);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  if (rop != SRCCOPY) return fillWithRop(dest, x, y, width, height, rop);
  if (width < 0 || height < 0) return FALSE;
  if (width == 0 || height == 0) return surfaceOf(dest) && surfaceOf(source) ? TRUE : FALSE;
  // A one-to-one stretch is exactly a copy, clipped to both bitmaps.
  return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, SRCCOPY);
}

// Enlarging and one-to-one copies are pixel-exact with GDI. Shrinking follows
// the default mode, BLACKONWHITE: the source pixels folded into one
// destination pixel are ANDed. (Under Wine a shrink to a single pixel drops
// the last source pixel; that quirk is not copied. The core only enlarges or
// copies one to one.)
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
  Bitmap* target = surfaceOf(dest);
  Bitmap* origin = surfaceOf(source);
  if (!target || !origin || rop != SRCCOPY) return FALSE;
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return FALSE;  // no mirroring
  // Far beyond any bitmap, and keeps the products below inside 64 bits.
  const int limit = 1 << 28;
  for (int value : {x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight})
    if (value < -limit || value > limit) return FALSE;

  // Reading a copy keeps a blit of a bitmap onto itself correct.
  std::vector<uint8_t> snapshot;
  const uint8_t* sourceBits = origin->bits;
  if (origin == target) {
    snapshot.assign(origin->bits, origin->bits + static_cast<size_t>(origin->stride) * origin->height);
    sourceBits = snapshot.data();
  }
  auto sourcePixel = [&](int64_t sx, int64_t sy) {
    return sourceBits + (origin->pixel(static_cast<int32_t>(sx), static_cast<int32_t>(sy)) - origin->bits);
  };

  Span columns = clip(x, width, target->width), rows = clip(y, height, target->height);
  for (int64_t row = rows.begin; row < rows.end; ++row) {
    Span sourceRows = sourcesOf(row - y, sourceHeight, height);
    sourceRows = clip(sourceY + sourceRows.begin, sourceRows.end - sourceRows.begin, origin->height);
    for (int64_t column = columns.begin; column < columns.end; ++column) {
      Span sourceColumns = sourcesOf(column - x, sourceWidth, width);
      sourceColumns = clip(sourceX + sourceColumns.begin, sourceColumns.end - sourceColumns.begin, origin->width);
      if (sourceRows.begin == sourceRows.end || sourceColumns.begin == sourceColumns.end) continue;  // off the source
      uint8_t folded[3] = {0xFF, 0xFF, 0xFF};
      for (int64_t sy = sourceRows.begin; sy < sourceRows.end; ++sy)
        for (int64_t sx = sourceColumns.begin; sx < sourceColumns.end; ++sx) {
          const uint8_t* pixel = sourcePixel(sx, sy);
          for (int channel = 0; channel < 3; ++channel) folded[channel] &= pixel[channel];
        }
      std::memcpy(target->pixel(static_cast<int32_t>(column), static_cast<int32_t>(row)), folded, 3);
    }
  }
  return TRUE;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) { return fillWithRop(dc, x, y, width, height, rop); }

BOOL GdiFlush() { return TRUE; }

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  Bitmap* source = findBitmap(bitmap);
  if (!findDC(dc)) return 0;
  int64_t count = linesToTransfer(source, start, lines, bits, info, usage);
  if (count == 0) return 0;
  size_t rowBytes = static_cast<size_t>(source->width) * 3;
  auto* buffer = static_cast<uint8_t*>(bits);
  for (int64_t scan = 0; scan < count; ++scan) {
    uint8_t* row = buffer + bufferRowOf(scan, count, info) * source->stride;
    std::memcpy(row, source->pixel(0, source->height - 1 - static_cast<int32_t>(scan)), rowBytes);
    std::memset(row + rowBytes, 0, source->stride - rowBytes);  // GDI zeroes the caller's row padding
  }
  info->bmiHeader.biSizeImage = static_cast<DWORD>(source->stride) * static_cast<DWORD>(source->height);
  return static_cast<int>(count);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
  Bitmap* target = findBitmap(bitmap);
  if (dc && !findDC(dc)) return 0;  // GDI only needs a DC for palettes, so null is fine
  int64_t count = linesToTransfer(target, start, lines, bits, info, usage);
  if (count == 0) return 0;
  size_t rowBytes = static_cast<size_t>(target->width) * 3;
  const auto* buffer = static_cast<const uint8_t*>(bits);
  for (int64_t scan = 0; scan < count; ++scan)
    std::memcpy(target->pixel(0, target->height - 1 - static_cast<int32_t>(scan)),
                buffer + bufferRowOf(scan, count, info) * target->stride, rowBytes);
  return static_cast<int>(count);
}

namespace gdi_standin {
int liveObjectCount() {
  const auto& objects = registry().objects;
  return static_cast<int>(
      std::count_if(objects.begin(), objects.end(), [](const auto& entry) { return !entry.second->stock; }));
}
int heldScreenDCCount() { return registry().heldScreenDCs; }
}  // namespace gdi_standin
