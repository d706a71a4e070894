#include "image_lifecycle.h"

#include "app/app_state.h"
#include "gradient/render_dispatch.h"

namespace {

// Builds an image of the size in a temporary record and installs it, emptying
// the thumbnail that belonged to the old one.
bool installNewImage(int32_t width, int32_t height) {
  ImageBuffer replacement;
  if (!createImageBuffer(replacement, width, height, 24)) return false;
  releaseImageBuffer(g_state->image);
  releaseImageBuffer(g_state->thumbnail);
  moveImageBuffer(g_state->image, replacement);
  return true;
}

}  // namespace

int resetImage() {
  g_state->width = kDefaultImageSize;
  g_state->height = kDefaultImageSize;
  if (!installNewImage(kDefaultImageSize, kDefaultImageSize)) return 0;
  g_state->startColor = kDefaultStartColor;
  g_state->endColor = kDefaultEndColor;
  g_state->gradientType = 0;
  g_state->frequency = kDefaultFrequency;
  renderCurrentGradient();
  return 1;
}

int resizeImage() {
  if (g_state->width == 0 || g_state->height == 0) return 0;
  if (!installNewImage(g_state->width, g_state->height)) return 0;
  renderCurrentGradient();
  return 1;
}
