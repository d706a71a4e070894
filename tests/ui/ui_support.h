// Shared helpers of the UI tests: the real main dialog made modeless from the
// real template, message pumping, pixel read-back from windows, and an
// answerer for the modal dialogs (message boxes, colour chooser, save dialog)
// that the code under test opens.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/folder_text.h"
#include "app/image_lifecycle.h"
#include "res/resource.h"
#include "ui/color_selection.h"
#include "ui/main_dialog.h"
#include "ui/preview_window.h"

namespace ui_test {

// Dispatches everything already queued for this thread.
inline void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

inline std::string windowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

inline std::string className(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

inline BOOL CALLBACK appendStaticText(HWND child, LPARAM out) {
  if (className(child) == "Static") {
    const std::string text = windowText(child);
    auto& joined = *reinterpret_cast<std::string*>(out);
    if (!text.empty()) joined += (joined.empty() ? "" : "\n") + text;
  }
  return TRUE;
}

// The texts of a dialog's static controls, joined by newlines: a message
// box's message.
inline std::string staticTexts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, appendStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// The client area of a window read back as 0x00RRGGBB values, row by row.
struct Pixels {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> rgb;
  uint32_t at(int32_t x, int32_t y) const { return rgb[size_t(y) * width + x]; }
};

inline Pixels readClientPixels(HWND window) {
  Pixels pixels;
  RECT client = {};
  GetClientRect(window, &client);
  pixels.width = client.right;
  pixels.height = client.bottom;
  if (pixels.width <= 0 || pixels.height <= 0) return pixels;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;  // top-down, for simple indexing
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC windowDc = GetDC(window);
  HBITMAP copy = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(windowDc);
  HGDIOBJ previous = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, pixels.width, pixels.height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  pixels.rgb.assign(source, source + size_t(pixels.width) * pixels.height);
  for (uint32_t& value : pixels.rgb) value &= 0xFFFFFF;
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(copy);
  ReleaseDC(window, windowDc);
  return pixels;
}

// A COLORREF (red lowest) as the 0x00RRGGBB of read-back pixels.
inline uint32_t rgbOf(COLORREF color) {
  return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

// Picture pixel (x, y) of a bottom-up 24-bit DIB section, as 0x00RRGGBB.
inline uint32_t dibPixel(HBITMAP bitmap, int32_t x, int32_t y) {
  BITMAP facts = {};
  GetObjectA(bitmap, sizeof facts, &facts);
  const auto* row = static_cast<const uint8_t*>(facts.bmBits) + size_t(facts.bmHeight - 1 - y) * facts.bmWidthBytes;
  return uint32_t(row[x * 3 + 2]) << 16 | uint32_t(row[x * 3 + 1]) << 8 | row[x * 3];
}

// A modal dialog that the answerer found while the code under test waited
// for the user.
struct SeenDialog {
  std::string caption;
  std::string text;  // static texts, for message boxes
};

// Answers the modal dialogs this thread opens while it lives. A thread timer
// is dispatched by every modal loop; on each tick the first visible dialog
// window that is not `ignored` and was not answered yet goes to `answer`,
// which does what the user would (sets texts, posts the button's command).
class ModalAnswerer {
 public:
  using Answer = std::function<void(HWND dialog, int index)>;

  explicit ModalAnswerer(Answer answer, HWND ignored = nullptr) : answer_(std::move(answer)), ignored_(ignored) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &ModalAnswerer::tick);
  }
  ~ModalAnswerer() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  const std::vector<SeenDialog>& seen() const { return seen_; }
  void ignore(HWND window) { ignored_ = window; }

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalAnswerer* self = active_;
    if (!self || self->busy_) return;
    self->busy_ = true;
    EnumThreadWindows(GetCurrentThreadId(), &ModalAnswerer::visit, reinterpret_cast<LPARAM>(self));
    self->busy_ = false;
  }

  static BOOL CALLBACK visit(HWND window, LPARAM selfPointer) {
    auto* self = reinterpret_cast<ModalAnswerer*>(selfPointer);
    if (window == self->ignored_ || !IsWindowVisible(window) || className(window) != "#32770") return TRUE;
    for (HWND answered : self->answered_) {
      if (answered == window) return TRUE;
    }
    self->answered_.push_back(window);
    self->seen_.push_back({windowText(window), staticTexts(window)});
    self->answer_(window, int(self->seen_.size()) - 1);
    return FALSE;
  }

  static inline ModalAnswerer* active_ = nullptr;
  Answer answer_;
  HWND ignored_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  std::vector<HWND> answered_;
  std::vector<SeenDialog> seen_;
};

// Presses a dialog's button the way a click reaches its owner.
inline void pressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The preview class is registered once per process; the WinMain tests take it
// away and put it back.
inline void ensurePreviewClass() {
  g_instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExA(g_instance, "PreviewClass", &existing)) {
    ASSERT_EQ(registerPreviewClass(), 1);
  }
}

// The real main dialog from IDD_MAIN with mainDialogProc, modeless and
// visible, over a fresh AppState with its first image.
class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ensurePreviewClass();
    computeModuleDirectory();
    g_state = new AppState;
    ASSERT_EQ(resetImage(), 1);
    dialog_ = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, mainDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOW);
    UpdateWindow(dialog_);
    pumpMessages();
  }

  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    pumpMessages();
    deleteSwatches();
    destroyPreview();
    delete g_state;
    g_state = nullptr;
  }

  HWND dialog() const { return dialog_; }
  HWND item(int id) const { return GetDlgItem(dialog_, id); }

  // What the platform sends for a click, a selection or an edit; the result
  // of the dialog procedure itself.
  INT_PTR command(int id, WORD notification = BN_CLICKED) {
    const INT_PTR result = mainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(id, notification),
                                          reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
    pumpMessages();
    return result;
  }

  void setText(int id, const char* text) { SetDlgItemTextA(dialog_, id, text); }
  std::string text(int id) const {
    char buffer[256] = {};
    GetDlgItemTextA(dialog_, id, buffer, sizeof buffer);
    return buffer;
  }

 private:
  HWND dialog_ = nullptr;
};

}  // namespace ui_test
