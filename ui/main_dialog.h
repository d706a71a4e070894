// The main dialog: fills its controls from g_state, reads them back, and
// carries out every command.
#pragma once

#include <windows.h>

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Writes width, height, frequency, the type list with its selection and both
// swatches into the controls. 1, or 0 for a null dialog or a missing type list.
int refreshDialogFields(HWND dialog);

// IDC_WIDTH and IDC_HEIGHT into g_state's width and height; 1.
int readSizeFields(HWND dialog);

// IDC_FREQUENCY into g_state's frequency; 1.
int readFrequencyField(HWND dialog);

// The Reset command's body: default image (an image that cannot be made is
// reported and the old one kept), preview closed, fields refreshed; 1.
int resetAll(HWND dialog);

// Centres `window` over `reference`, kept on the screen where the left and
// top allow. The result of the move, or 0 for a null handle.
int centerWindow(HWND window, HWND reference);
