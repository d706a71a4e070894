#include "preview_window.h"

#include "app/app_state.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"
#include "res/resource.h"

#ifndef _WIN64
static_assert(sizeof(WNDCLASSEXA) == 48, "the window class record of 32-bit Windows");
static_assert(sizeof(BITMAP) == 24, "the bitmap record of 32-bit Windows");
#endif

HWND g_previewWindow = nullptr;
int32_t g_previewOpen = 0;

namespace {

constexpr char kPreviewClassName[] = "PreviewClass";

}  // namespace

int registerPreviewClass() {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  // The window paints through its own DC and never asks for a redraw on size.
  windowClass.style = CS_OWNDC | CS_DBLCLKS;
  windowClass.lpfnWndProc = previewWindowProc;
  windowClass.hInstance = g_instance;
  windowClass.hIcon = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_APP));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = kPreviewClassName;
  return RegisterClassExA(&windowClass) != 0 ? 1 : 0;
}

LRESULT CALLBACK previewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      g_previewOpen = 0;
      return 0;
    case WM_SIZE:
      paintPreview(window);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_PAINT:
      paintPreview(window);
      ValidateRect(window, nullptr);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void paintPreview(HWND window) {
  if (!window || IsIconic(window)) return;
  RECT client = {};
  GetClientRect(window, &client);
  const int32_t clientWidth = client.right - client.left;
  const int32_t clientHeight = client.bottom - client.top;
  if (clientWidth <= 0 || clientHeight <= 0) return;
  HBITMAP bitmap = g_state ? g_state->image.bitmap : nullptr;
  if (!bitmap) return;
  WindowDC dc(window);
  if (!dc.get()) return;
  const BitmapFacts facts = describeBitmap(bitmap);
  MemoryDC memory;
  if (!memory.get()) return;
  SelectedObject selected(memory.get(), bitmap);
  ShrinkingStretchMode mode(dc.get(), clientWidth < facts.width || clientHeight < facts.height);
  StretchBlt(dc.get(), 0, 0, clientWidth, clientHeight, memory.get(), 0, 0, facts.width, facts.height, SRCCOPY);
}

namespace {

// The outer size whose client area is the image's own size (not the size the
// fields ask for).
SIZE previewOuterSize() {
  RECT rect = {0, 0, g_state->image.width, g_state->image.height};
  AdjustWindowRectEx(&rect, kPreviewStyle, FALSE, kPreviewExStyle);
  OffsetRect(&rect, -rect.left, -rect.top);
  return {rect.right, rect.bottom};
}

void fillBlack(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  WindowDC dc(window);
  if (!dc.get()) return;
  OwnedGdiObject<HBRUSH> brush(CreateSolidBrush(RGB(0, 0, 0)));
  SelectedObject selected(dc.get(), brush.get());
  PatBlt(dc.get(), 0, 0, client.right - client.left, client.bottom - client.top, PATCOPY);
}

}  // namespace

int showPreview() {
  const SIZE outer = previewOuterSize();
  if (g_previewOpen == 1) {
    if (IsIconic(g_previewWindow)) ShowWindow(g_previewWindow, SW_RESTORE);
    SetWindowPos(g_previewWindow, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE);
    SetForegroundWindow(g_previewWindow);
    invalidatePreview();
    return 1;
  }
  g_previewWindow = CreateWindowExA(kPreviewExStyle, kPreviewClassName, "Preview", kPreviewStyle, 0, 0, outer.cx,
                                    outer.cy, nullptr, nullptr, g_instance, nullptr);
  if (!g_previewWindow) return 0;
  g_previewOpen = 1;
  // The image itself comes with the first WM_PAINT from the dialog's loop.
  fillBlack(g_previewWindow);
  return 1;
}

void invalidatePreview() {
  if (g_previewOpen != 1 || !g_previewWindow) return;
  InvalidateRect(g_previewWindow, nullptr, FALSE);
  UpdateWindow(g_previewWindow);
}

void destroyPreview() {
  if (g_previewOpen == 1 && g_previewWindow) {
    DestroyWindow(g_previewWindow);
    g_previewWindow = nullptr;
  }
  g_previewOpen = 0;
}
