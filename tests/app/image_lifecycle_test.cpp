// Reset, and the thumbnail's size, how it is made and rebuilt.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/thumbnail.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

using ImageLifecycle = StateTest;

// A failed reset keeps image, thumbnail and settings; a good one restores every default.
TEST_F(ImageLifecycle, ResetRestoresEveryDefaultOrChangesNothing) {
  setColors(0x00FF00, 0xFF0000);
  state().gradientType = 7, state().frequency = 2.5f;
  ASSERT_EQ(applySizeFields("300", "200"), 1);
  const AppState& s = state();
  auto held = [&s] {
    return std::vector<uint64_t>{uintptr_t(s.image.pixels), uintptr_t(s.image.bitmap), uintptr_t(s.thumbnail.bitmap),
                                 bitmapDigest(s.image.bitmap), s.startColor, s.endColor, uint64_t(s.gradientType),
                                 uint64_t(s.frequency * 2)};
  };
  const std::vector<uint64_t> before = held();
  for (AllocationSite site : {AllocationSite::PixelBlock, AllocationSite::DisplayBitmap}) {
    allocation_faults::failAt(site);
    EXPECT_EQ(resetImage(), 0);
    EXPECT_EQ(held(), before) << "allocation site " << int(site);
  }
  ASSERT_EQ(resetImage(), 1);
  // Sizes, frequency, type, start colour and the render: the dialog's Reset row (ui_tests).
  EXPECT_EQ(std::pair(s.endColor, describeBitmap(s.thumbnail.bitmap).width), std::pair(0u, 144)) << "end, thumbnail";
}

using Thumbnail = StateTest;

// Top-left red of a Diagonal LR thumbnail with the downscaler's source failing: black, or white if stretched.
constexpr int kDownscaler = 0, kStretched = 255;

TEST_F(Thumbnail, SizesAndPaths) {
  const struct {
    int32_t width, height, thumbnailWidth, thumbnailHeight, topLeftRed;  // a side 0: no thumbnail
  } cases[] = {
      {178, 144, 178, 144, kStretched},  {179, 145, 177, 143, kDownscaler}, {100, 50, 178, 89, kStretched},
      {30000, 4, 178, 0, kDownscaler},   {4, 70000, 0, 143, kDownscaler},   {21845, 300, 178, 2, kDownscaler},
      {70000, 600, 178, 1, kDownscaler},
  };
  state().gradientType = DiagonalLR;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    state().width = c.width, state().height = c.height;
    ASSERT_EQ(resizeImage(), 1);
    allocation_faults::failAt(AllocationSite::DownscaleSource);
    ASSERT_EQ(rebuildThumbnail(state().image, state().thumbnail), 1);
    allocation_faults::clear();
    const HBITMAP thumbnail = state().thumbnail.bitmap;
    ASSERT_EQ(thumbnail != nullptr, c.thumbnailWidth > 0 && c.thumbnailHeight > 0);
    if (!thumbnail) continue;
    EXPECT_EQ(std::pair(describeBitmap(thumbnail).width, describeBitmap(thumbnail).height),
              std::pair(c.thumbnailWidth, c.thumbnailHeight));
    EXPECT_EQ(displayPixel(thumbnail, 0, 0, 0), c.topLeftRed);
    if (c.width != c.thumbnailWidth || c.height != c.thumbnailHeight) continue;
    for (int y = 0; y < c.height; ++y)  // a one-to-one copy is the image
      for (int x = 0; x < c.width; ++x) ASSERT_EQ(displayPixel(thumbnail, x, y, 1), pixel(x, y, 1)) << x << ", " << y;
  }
}

// An unknown type renders nothing but rebuilds the thumbnail; no bitmap of its own: none; no image: the old one.
TEST_F(Thumbnail, RebuildsAndFailures) {
  ASSERT_EQ(resetImage(), 1);
  const uint64_t digest = bitmapDigest(state().image.bitmap);
  for (int32_t type : {14, -1}) {
    const HBITMAP old = state().thumbnail.bitmap;
    state().gradientType = type;
    renderCurrentGradient();
    BITMAP record;
    EXPECT_EQ(bitmapDigest(state().image.bitmap), digest) << type;
    EXPECT_TRUE(state().thumbnail.bitmap && !GetObjectA(old, sizeof record, &record)) << type;
  }
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(rebuildThumbnail(state().image, state().thumbnail), 1);
  EXPECT_EQ(state().thumbnail.bitmap, nullptr);
  ASSERT_TRUE(rebuildThumbnail(state().image, state().thumbnail) && state().thumbnail.bitmap);
  const HBITMAP thumbnail = state().thumbnail.bitmap;
  deleteBitmap(state().image);
  EXPECT_EQ(rebuildThumbnail(state().image, state().thumbnail), 0);
  EXPECT_EQ(state().thumbnail.bitmap, thumbnail);
}

}  // namespace
