#include "color_selection.h"

#include <commdlg.h>

#include <utility>

#include "app/app_state.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"
#include "res/resource.h"

#ifndef _WIN64
static_assert(sizeof(CHOOSECOLORA) == 36, "the chooser record of 32-bit Windows");
#endif

HBITMAP g_startSwatch = nullptr;
HBITMAP g_endSwatch = nullptr;

namespace {

// The chooser's custom colours, set afresh for every call so that colours the
// user defined last time are gone.
constexpr COLORREF kCustomColors[16] = {
    0x000000, 0xFFFFFF, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF,
    0x00FFFF, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
};

}  // namespace

int chooseColor(HWND owner, uint32_t& packed) {
  const COLORREF initial = colorFromPacked(packed);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof kCustomColors);
  if (!block) return 0;
  auto* custom = static_cast<COLORREF*>(GlobalLock(block));
  if (!custom) {
    GlobalFree(block);
    return 0;
  }
  for (int i = 0; i < 16; ++i) custom[i] = kCustomColors[i];

  CHOOSECOLORA chooser = {};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = owner;
  chooser.rgbResult = initial;
  chooser.lpCustColors = custom;
  chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
  const BOOL result = ChooseColorA(&chooser);
  GlobalUnlock(block);
  GlobalFree(block);
  if (result != 1) return 0;
  packed = packedFromColor(chooser.rgbResult);
  return 1;
}

int changeColor(HWND owner, uint32_t& color) {
  uint32_t packed = packedFromColor(color);
  if (chooseColor(owner, packed) != 1) return 0;
  color = colorFromPacked(packed);
  return 1;
}

void switchColors() { std::swap(g_state->startColor, g_state->endColor); }

HBITMAP createSolidBitmap(COLORREF color, int32_t width, int32_t height) {
  OwnedGdiObject<HBITMAP> bitmap(createDisplayBitmap(width, height));
  if (!bitmap.get()) return nullptr;
  MemoryDC memory;
  OwnedGdiObject<HBRUSH> brush(CreateSolidBrush(color));
  if (!memory.get() || !brush.get()) return nullptr;
  {
    SelectedObject selectedBrush(memory.get(), brush.get());
    SelectedObject selectedBitmap(memory.get(), bitmap.get());
    const BitmapFacts facts = describeBitmap(bitmap.get());
    PatBlt(memory.get(), 0, 0, facts.width, facts.height, PATCOPY);
  }
  return bitmap.release();
}

namespace {

void replaceButtonImage(HWND dialog, int controlId, HBITMAP bitmap) {
  HWND button = GetDlgItem(dialog, controlId);
  auto previous = reinterpret_cast<HGDIOBJ>(
      SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (previous) DeleteObject(previous);
}

}  // namespace

void clearButtonImage(HWND dialog, int controlId) { replaceButtonImage(dialog, controlId, nullptr); }

void setButtonImage(HWND dialog, int controlId, HBITMAP bitmap) { replaceButtonImage(dialog, controlId, bitmap); }

void refreshSwatches(HWND dialog) {
  clearButtonImage(dialog, IDC_START_COLOR);
  clearButtonImage(dialog, IDC_END_COLOR);
  g_startSwatch = createSolidBitmap(g_state->startColor, kSwatchWidth, kSwatchHeight);
  setButtonImage(dialog, IDC_START_COLOR, g_startSwatch);
  g_endSwatch = createSolidBitmap(g_state->endColor, kSwatchWidth, kSwatchHeight);
  setButtonImage(dialog, IDC_END_COLOR, g_endSwatch);
}

void deleteSwatches() {
  for (HBITMAP* swatch : {&g_startSwatch, &g_endSwatch}) {
    if (*swatch) {
      DeleteObject(*swatch);
      *swatch = nullptr;
    }
  }
}
