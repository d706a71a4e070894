// The thumbnail: an image reduced (or enlarged) to at most 178 x 144 pixels,
// made once per render.
#pragma once

#include <cstdint>

#include "image_buffer.h"
#include "platform/gdi.h"

constexpr int32_t kThumbnailMaxWidth = 178;
constexpr int32_t kThumbnailMaxHeight = 144;

struct ThumbnailSize {
  int32_t width;
  int32_t height;
};

// The largest size of the image's aspect that fits `maxWidth` x `maxHeight`,
// with the height ratio rounded to single precision and both sides truncated
// (so a side can come out one pixel short). Also used to fit the thumbnail
// into its control.
ThumbnailSize fitWithin(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight);

// Rebuilds `thumbnail` from the display bitmap of `image`. 0 when the image
// has none (the thumbnail is left as it was); else 1, even if no bitmap could
// be made, or (memory) one was made but left black. `complete`, when given,
// says whether the thumbnail holds the image's pixels.
int rebuildThumbnail(const ImageBuffer& image, ImageBuffer& thumbnail, bool* complete = nullptr);

// Stretches the whole source onto the whole destination; false when nothing
// was copied (a null handle, no device context, a failed transfer).
bool stretchCopyBitmap(HBITMAP source, HBITMAP destination);
