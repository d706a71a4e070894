// The real main dialog made modeless, pixel read-back, and an answerer for modal dialogs.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "app/module_directory.h"
#include "res/resource.h"
#include "support/image_fixture.h"
#include "ui/color_selection.h"
#include "ui/main_dialog.h"
#include "ui/preview_window.h"

namespace ui_test {

inline void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) TranslateMessage(&message), DispatchMessageA(&message);
}

inline std::string windowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

struct Pixels {  // a window's client area as 0x00RRGGBB, row by row
  int32_t width = 0, height = 0;
  std::vector<uint32_t> rgb;
  uint32_t at(int32_t x, int32_t y) const { return rgb[size_t(y) * width + x]; }
};

inline uint32_t rgbOf(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

inline Pixels readClientPixels(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  Pixels pixels{client.right, client.bottom, {}};
  HDC dc = GetDC(window);
  for (int32_t y = 0; y < pixels.height; ++y)
    for (int32_t x = 0; x < pixels.width; ++x) pixels.rgb.push_back(rgbOf(GetPixel(dc, x, y)));
  ReleaseDC(window, dc);
  return pixels;
}

inline uint32_t dibPixel(HBITMAP bitmap, int32_t x, int32_t y) {  // 0x00RRGGBB
  return displayPixel(bitmap, x, y, 0) << 16 | displayPixel(bitmap, x, y, 1) << 8 | displayPixel(bitmap, x, y, 2);
}

inline uint64_t imageHash() { return fnv1a(g_state->image.pixels, g_state->image.byteSize); }

// A thread timer (run in modal loops) hands each visible dialog but `ignored` once to `answer`, notes it in `seen`.
class ModalAnswerer {
 public:
  using Answer = std::function<void(HWND dialog, int index)>;
  explicit ModalAnswerer(Answer answer, HWND ignored = nullptr) : answer_(std::move(answer)), ignored_(ignored) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &ModalAnswerer::tick);
  }
  ~ModalAnswerer() { KillTimer(nullptr, timer_), active_ = nullptr; }
  std::vector<std::string> seen;

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    if (active_) EnumThreadWindows(GetCurrentThreadId(), &ModalAnswerer::visit, 0);
  }
  static BOOL CALLBACK visit(HWND window, LPARAM) {
    ModalAnswerer& self = *active_;
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (window == self.ignored_ || !IsWindowVisible(window) || std::string(name) != "#32770" ||
        std::count(self.answered_.begin(), self.answered_.end(), window))
      return TRUE;
    self.answered_.push_back(window);
    self.seen.push_back(windowText(window) + ": " + windowText(GetDlgItem(window, 0xFFFF)));
    self.answer_(window, int(self.seen.size()) - 1);
    return FALSE;
  }
  static inline ModalAnswerer* active_ = nullptr;
  Answer answer_;
  HWND ignored_;
  UINT_PTR timer_ = 0;
  std::vector<HWND> answered_;
};

inline void pressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Registered once per process (the WinMain tests take it away).
inline void ensurePreviewClass() {
  g_instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof existing;
  ASSERT_TRUE(GetClassInfoExA(g_instance, "PreviewClass", &existing) || registerPreviewClass() == 1);
}

// IDD_MAIN with mainDialogProc, modeless and visible, over a fresh AppState.
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
    DestroyWindow(dialog_);
    pumpMessages();
    deleteSwatches();
    destroyPreview();
    delete g_state;
    g_state = nullptr;
  }

  HWND dialog() const { return dialog_; }
  HWND item(int id) const { return GetDlgItem(dialog_, id); }
  INT_PTR command(int id, WORD notification = BN_CLICKED) {
    const INT_PTR result = mainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(id, notification), LPARAM(item(id)));
    pumpMessages();
    return result;
  }
  void type(const char* width, const char* height, const char* frequency = nullptr) {  // null: left alone
    for (auto [id, text] : {std::pair{IDC_WIDTH, width}, {IDC_HEIGHT, height}, {IDC_FREQUENCY, frequency}})
      if (text) SetDlgItemTextA(dialog_, id, text);
  }
  // Stored width, height, frequency, type, start colour, image size / the three fields, the list's selection.
  std::string state() const {
    char text[160];
    std::snprintf(text, sizeof text, "%d %d %.9g %d %06X %dx%d / ", int(g_state->width), int(g_state->height),
                  double(g_state->frequency), int(g_state->gradientType), unsigned(g_state->startColor),
                  int(g_state->image.width), int(g_state->image.height));
    return text + windowText(item(IDC_WIDTH)) + " " + windowText(item(IDC_HEIGHT)) + " " +
           windowText(item(IDC_FREQUENCY)) + " " +
           std::to_string(SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETCURSEL, 0, 0));
  }

 private:
  HWND dialog_ = nullptr;
};

}  // namespace ui_test
