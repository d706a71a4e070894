// Scope guards for the GDI objects an operation creates and releases itself.
#pragma once

#include "gdi.h"

// The device context of a window (the screen's, for the null window), given
// back to that same window when the guard goes.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
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

// The screen's device context, held for as long as the guard lives.
class ScreenDC : public WindowDC {
 public:
  ScreenDC() : WindowDC(nullptr) {}
};

// A memory device context compatible with the screen, deleted on exit. The
// screen's own context is taken only for the creating call.
class MemoryDC {
 public:
  MemoryDC() {
    ScreenDC screen;
    dc_ = CreateCompatibleDC(screen.get());
  }
  explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a DC and selects the previous one back on exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// An owned GDI object (brush, bitmap), deleted on exit unless released.
template <typename Handle>
class OwnedGdiObject {
 public:
  explicit OwnedGdiObject(Handle handle) : handle_(handle) {}
  ~OwnedGdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  OwnedGdiObject(const OwnedGdiObject&) = delete;
  OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
  Handle get() const { return handle_; }
  Handle release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  Handle handle_;
};

#ifdef _WIN32
// While it lives, a StretchBlt onto `dc` that shrinks drops the rows and
// columns it folds instead of ANDing them (the default mode), which draws
// dark lines through a colour image. Only a shrinking transfer gets it; the
// DC's previous mode comes back on exit. Windows only: the core never
// shrinks through StretchBlt, so the stand-in has no stretch modes.
class ShrinkingStretchMode {
 public:
  ShrinkingStretchMode(HDC dc, bool shrinking)
      : dc_(shrinking ? dc : nullptr), previous_(dc_ ? SetStretchBltMode(dc_, COLORONCOLOR) : 0) {}
  ~ShrinkingStretchMode() {
    if (previous_) SetStretchBltMode(dc_, previous_);
  }
  ShrinkingStretchMode(const ShrinkingStretchMode&) = delete;
  ShrinkingStretchMode& operator=(const ShrinkingStretchMode&) = delete;

 private:
  HDC dc_;
  int previous_;
};
#endif
