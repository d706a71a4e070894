// The device context of one window, released to that same window on exit.
#pragma once

#include <windows.h>

class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(window ? GetDC(window) : nullptr) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};
