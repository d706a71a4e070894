#include "render_dispatch.h"

#include "app/app_state.h"
#include "catalogue.h"
#include "image/thumbnail.h"

void renderCurrentGradient() {
  // An unknown type renders nothing; the thumbnail is rebuilt all the same.
  if (const GradientInfo* info = gradientInfo(g_state->gradientType)) info->render();
  rebuildThumbnail(g_state->image, g_state->thumbnail);
}
