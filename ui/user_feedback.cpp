#include "user_feedback.h"

#include <windows.h>

void showWarningBox(const char* text, const char* caption) {
  MessageBoxA(GetFocus(), text, caption, MB_OK | MB_ICONWARNING);
}

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() { SetCursor(static_cast<HCURSOR>(previous_)); }
