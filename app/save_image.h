// The Save command: the save-file dialog, the BMP file, and the folder the
// next save opens in.
#pragma once

#include <windows.h>

// Asks for a file name (dialog owned by `owner`) and writes the image there.
// 1 when a file was written; 0 when cancelled or failed, after telling the
// user about any failure they must see.
int saveImage(HWND owner);
