// What the user is told: message boxes, one style and owner for all, and the
// wait cursor while long work runs.
#pragma once

// A warning box (MB_OK | MB_ICONWARNING) owned by the window with the keyboard
// focus.
void showWarningBox(const char* text, const char* caption);

// The wait cursor while work that can take a noticeable time runs; the
// previous cursor comes back when the guard ends.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  void* previous_;
};
