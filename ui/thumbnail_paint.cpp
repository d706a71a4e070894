#include "thumbnail_paint.h"

#include "app/app_state.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"
#include "res/resource.h"
#include "image/thumbnail.h"

namespace {

// Halving that rounds toward minus infinity, as an arithmetic shift would.
int32_t floorHalf(int32_t value) { return value >= 0 ? value / 2 : -((1 - value) / 2); }

}  // namespace

ThumbnailPlacement placeThumbnail(int32_t thumbnailWidth, int32_t thumbnailHeight, int32_t clientWidth,
                                  int32_t clientHeight) {
  const ThumbnailSize drawn = fitWithin(thumbnailWidth, thumbnailHeight, clientWidth, clientHeight);
  return {floorHalf(clientWidth - drawn.width), floorHalf(clientHeight - drawn.height), drawn.width, drawn.height};
}

void paintThumbnailOnto(HDC target, int32_t clientWidth, int32_t clientHeight, HBITMAP thumbnail) {
  // A missing memory DC leaves only the background, like a missing thumbnail.
  MemoryDC memory(target);
  const bool drawThumbnail = thumbnail && memory.get();
  {
    OwnedGdiObject<HBRUSH> brush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    SelectedObject selectedBrush(target, brush.get());
    PatBlt(target, 0, 0, clientWidth, clientHeight, PATCOPY);
  }
  if (!drawThumbnail) return;
  const BitmapFacts facts = describeBitmap(thumbnail);
  if (facts.width <= 0 || facts.height <= 0) return;
  const ThumbnailPlacement place = placeThumbnail(facts.width, facts.height, clientWidth, clientHeight);
  SelectedObject selectedBitmap(memory.get(), thumbnail);
  ShrinkingStretchMode mode(target, place.width < facts.width || place.height < facts.height);
  StretchBlt(target, place.x, place.y, place.width, place.height, memory.get(), 0, 0, facts.width, facts.height,
             SRCCOPY);
}

void paintThumbnail(HWND dialog) {
  if (!dialog) return;
  HWND control = GetDlgItem(dialog, IDC_THUMBNAIL);
  if (!control) return;
  WindowDC dc(control);
  if (!dc.get()) return;
  RECT client = {};
  GetClientRect(control, &client);
  paintThumbnailOnto(dc.get(), client.right - client.left, client.bottom - client.top,
                     g_state ? g_state->thumbnail.bitmap : nullptr);
}
