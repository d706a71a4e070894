// Whole renders and thumbnails pinned by digest, natively and under Wine.
// SHADELOOM_RECORD_DIGESTS=1 prints a new table instead of checking.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gradient/catalogue.h"
#include "support/image_fixture.h"

namespace {

const struct {
  int32_t width, height;
  uint32_t start, end;
  float frequency;
} kSettings[] = {
    // Odd and even sides, slivers: radial centres off the middle every way.
    {512, 512, 0xFFFFFF, 0x000000, 1.0f}, {333, 97, 0x563412, 0xBADCFE, 3.7f}, {96, 301, 0x8000FF, 0x4000FF, 0.25f},
    {1, 7, 0x00FF00, 0xFF00FF, 2.0f}, {719, 405, 0x0A141E, 0xF5EBE1, 12.345f}, {255, 128, 0xC0FFEE, 0x1337AB, -2.5f},
    {2, 2, 0xFF0000, 0x0000FF, 1.0f}, {3, 1, 0x7F7F7F, 0x808080, 5.5f}, {4, 1000, 0x010203, 0xFDFEFF, 0.1f},
    {1000, 3, 0xABCDEF, 0x123456, 9.0f}, {257, 257, 0x00FFFF, 0xFF8000, 4.2f}, {1025, 768, 0x3C1E5A, 0xE1B4F0, 33.3f},
};
constexpr int kSettingCount = int(sizeof kSettings / sizeof kSettings[0]);

// kExpected[type][setting] = {image digest, thumbnail digest}
const uint64_t kExpected[kGradientTypeCount][kSettingCount][2] = {
#include "render_digests.inc"
};

using RenderDigests = StateTest;

TEST_F(RenderDigests, EveryTypeRendersThePinnedBytes) {
  const bool record = std::getenv("SHADELOOM_RECORD_DIGESTS") != nullptr;
  for (int32_t type = 0; type < kGradientTypeCount; ++type) {
    if (record) std::printf("{");
    for (int s = 0; s < kSettingCount; ++s) {
      state().width = kSettings[s].width, state().height = kSettings[s].height;
      setColors(kSettings[s].start, kSettings[s].end);
      state().frequency = kSettings[s].frequency, state().gradientType = type;
      ASSERT_EQ(resizeImage(), 1);
      const uint64_t image = bitmapDigest(state().image.bitmap), thumbnail = bitmapDigest(state().thumbnail.bitmap);
      if (record) {
        std::printf("{0x%016" PRIx64 "ull, 0x%016" PRIx64 "ull}, ", image, thumbnail);
        continue;
      }
      EXPECT_EQ(std::pair(image, thumbnail), std::pair(kExpected[type][s][0], kExpected[type][s][1]))
          << gradientInfo(type)->displayName << ", settings " << s << " (image, thumbnail)";
    }
    if (record) std::printf("},\n");
  }
}

}  // namespace
