// Painting the thumbnail into the dialog's thumbnail control: fitted with its
// aspect ratio, centred, on the button-face colour.
#pragma once

#include <windows.h>

#include <cstdint>

// Where a thumbnail of `thumbnailWidth` x `thumbnailHeight` is drawn in a
// client area of `clientWidth` x `clientHeight`.
struct ThumbnailPlacement {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};
ThumbnailPlacement placeThumbnail(int32_t thumbnailWidth, int32_t thumbnailHeight, int32_t clientWidth,
                                  int32_t clientHeight);

// Paints the client area (0, 0, clientWidth, clientHeight) of `target`: the
// background, then `thumbnail` (which may be null) fitted and centred.
void paintThumbnailOnto(HDC target, int32_t clientWidth, int32_t clientHeight, HBITMAP thumbnail);

// Paints g_state's thumbnail into the dialog's IDC_THUMBNAIL at once, outside
// of any paint message.
void paintThumbnail(HWND dialog);
