#include "main_dialog.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "app/save_image.h"
#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "res/resource.h"
#include "ui/color_selection.h"
#include "app/field_rules.h"
#include "ui/preview_window.h"
#include "ui/thumbnail_paint.h"
#include "ui/user_feedback.h"
#include "platform/gdi_guards.h"

namespace {

// A field's text; empty when nothing could be read.
void readFieldText(HWND dialog, int controlId, char (&text)[kTextBufferSize]) {
  if (GetDlgItemTextA(dialog, controlId, text, kTextBufferSize) == 0) text[0] = '\0';
}

// A window's start along one axis, moved so that it starts on the screen and,
// where it fits, ends on it.
int keptOnScreen(int start, int length, int screenLength) {
  if (start < 0) return 0;
  return start + length > screenLength ? screenLength - length : start;
}

void renderWithWaitCursor() {
  WaitCursor wait;
  renderCurrentGradient();
}

// The fields the Apply buttons and Preview read, shown back as normalised.
void readAndRefreshFields(HWND dialog) {
  readSizeFields(dialog);
  readFrequencyField(dialog);
  refreshDialogFields(dialog);
}

// A new image that could not be allocated is reported, and the fields go back
// to the image and settings that remain.
void warnImageNotMade(HWND dialog) {
  char text[kTextBufferSize];
  std::snprintf(text, sizeof text, "An image of %d x %d pixels could not be made.", static_cast<int>(g_state->width),
                static_cast<int>(g_state->height));
  showWarningBox(text, "Warning");
  g_state->width = g_state->image.width;
  g_state->height = g_state->image.height;
  refreshDialogFields(dialog);
}

void resizeOrWarn(HWND dialog) {
  int resized;
  {
    WaitCursor wait;
    resized = resizeImage();
  }
  if (!resized) warnImageNotMade(dialog);
}

INT_PTR onReset(HWND dialog) {
  resetAll(dialog);
  refreshDialogFields(dialog);
  paintThumbnail(dialog);
  return 1;
}

INT_PTR onPreview(HWND dialog) {
  readAndRefreshFields(dialog);
  showPreview();
  return 1;
}

INT_PTR onApplySize(HWND dialog) {
  readAndRefreshFields(dialog);
  resizeOrWarn(dialog);
  paintThumbnail(dialog);
  return 1;
}

INT_PTR onApplyWave(HWND dialog) {
  readAndRefreshFields(dialog);
  renderWithWaitCursor();
  paintThumbnail(dialog);
  return 1;
}

INT_PTR onSwitch(HWND dialog) {
  switchColors();
  renderWithWaitCursor();
  refreshDialogFields(dialog);
  paintThumbnail(dialog);
  return 1;
}

INT_PTR onColor(HWND dialog, uint32_t& color) {
  if (changeColor(dialog, color) == 1) {
    renderWithWaitCursor();
    refreshDialogFields(dialog);
    paintThumbnail(dialog);
  }
  return 1;
}

INT_PTR onGradientType(HWND dialog, WORD notification) {
  if (notification != CBN_SELCHANGE) return 0;
  const LRESULT index = SendMessageA(GetDlgItem(dialog, IDC_GRADIENT_TYPE), CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return 0;
  g_state->gradientType = static_cast<int32_t>(index);
  renderWithWaitCursor();
  paintThumbnail(dialog);
  return 0;
}

// Enter reaches the dialog as IDOK (it has no default button) and applies
// the field it was pressed in, as the Apply button beside it does.
INT_PTR onReturn(HWND dialog) {
  HWND focus = GetFocus();
  if (focus == GetDlgItem(dialog, IDC_FREQUENCY)) return onApplyWave(dialog);
  if (focus == GetDlgItem(dialog, IDC_WIDTH) || focus == GetDlgItem(dialog, IDC_HEIGHT)) return onApplySize(dialog);
  return 0;
}

INT_PTR onCommand(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDOK: return onReturn(dialog);
    case IDCANCEL: EndDialog(dialog, static_cast<INT_PTR>(wParam)); return 1;
    case IDC_RESET: return onReset(dialog);
    case IDC_SAVE: saveImage(dialog); return 1;
    case IDC_PREVIEW: return onPreview(dialog);
    case IDC_APPLY_SIZE: return onApplySize(dialog);
    case IDC_APPLY_WAVE: return onApplyWave(dialog);
    case IDC_SWITCH: return onSwitch(dialog);
    case IDC_START_COLOR: return onColor(dialog, g_state->startColor);
    case IDC_END_COLOR: return onColor(dialog, g_state->endColor);
    case IDC_GRADIENT_TYPE: return onGradientType(dialog, HIWORD(wParam));
    default: return 0;
  }
}

}  // namespace

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      refreshDialogFields(dialog);
      centerWindow(dialog, GetDesktopWindow());
      return 1;
    case WM_DRAWITEM:
      if (wParam != IDC_THUMBNAIL || lParam == 0) return 0;
      paintThumbnail(dialog);
      return 1;
    case WM_COMMAND:
      return onCommand(dialog, wParam);
    default:
      return 0;
  }
}

int refreshDialogFields(HWND dialog) {
  if (!dialog) return 0;
  char text[kTextBufferSize];
  formatSizeField(g_state->width, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_WIDTH, text);
  formatSizeField(g_state->height, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_HEIGHT, text);
  formatFrequencyField(g_state->frequency, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_FREQUENCY, text);

  HWND list = GetDlgItem(dialog, IDC_GRADIENT_TYPE);
  if (!list) return 0;
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int32_t type = 0; type < kGradientTypeCount; ++type) {
    if (const GradientInfo* info = gradientInfo(type)) {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(info->displayName));
    }
  }
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(g_state->gradientType), 0);

  refreshSwatches(dialog);
  return 1;
}

int readSizeFields(HWND dialog) {
  char text[kTextBufferSize];
  readFieldText(dialog, IDC_WIDTH, text);
  const int32_t width = sizeFromFieldText(text);
  readFieldText(dialog, IDC_HEIGHT, text);
  const int32_t height = sizeFromFieldText(text);
  g_state->width = width;
  g_state->height = height;
  return 1;
}

int readFrequencyField(HWND dialog) {
  char text[kTextBufferSize];
  readFieldText(dialog, IDC_FREQUENCY, text);
  g_state->frequency = frequencyFromFieldText(text);
  return 1;
}

int resetAll(HWND dialog) {
  int reset;
  {
    WaitCursor wait;
    reset = resetImage();
  }
  if (!reset) warnImageNotMade(dialog);
  destroyPreview();
  refreshDialogFields(dialog);
  return 1;
}

int centerWindow(HWND window, HWND reference) {
  if (!window || !reference) return 0;
  RECT own = {};
  RECT other = {};
  GetWindowRect(window, &own);
  GetWindowRect(reference, &other);
  const int w = own.right - own.left;
  const int h = own.bottom - own.top;
  int screenWidth = 0;
  int screenHeight = 0;
  {
    WindowDC dc(window);
    screenWidth = GetDeviceCaps(dc.get(), HORZRES);
    screenHeight = GetDeviceCaps(dc.get(), VERTRES);
  }
  const int x = keptOnScreen(other.left + ((other.right - other.left) - w) / 2, w, screenWidth);
  const int y = keptOnScreen(other.top + ((other.bottom - other.top) - h) / 2, h, screenHeight);
  return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
