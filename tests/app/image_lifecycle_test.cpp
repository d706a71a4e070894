// Reset, resize and the render dispatch, through the one application state.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

namespace {

class ImageLifecycle : public StateTest {};

TEST_F(ImageLifecycle, ResetRestoresEveryDefault) {
  state().width = 300;
  state().height = 200;
  ASSERT_EQ(resizeImage(), 1);
  setColors(0x00FF00, 0xFF0000);
  state().gradientType = 7;
  state().frequency = 2.5f;
  ASSERT_EQ(resetImage(), 1);
  EXPECT_EQ(state().image.width, 512);
  EXPECT_EQ(state().image.height, 512);
  EXPECT_EQ(state().startColor, 0xFFFFFFu);
  EXPECT_EQ(state().endColor, 0u);
  EXPECT_EQ(state().gradientType, 0);
  EXPECT_EQ(state().frequency, 1.0f);
  EXPECT_EQ(pixel(100, 0), 255);
  EXPECT_EQ(pixel(100, 511), 0);
  const BitmapFacts thumbnail = describeBitmap(state().thumbnail.bitmap);
  EXPECT_EQ(thumbnail.width, 144);
  EXPECT_EQ(thumbnail.height, 144);
}

TEST_F(ImageLifecycle, ResizeKeepsTheSettingsAndRenders) {
  setColors(0x000000, 0xFFFFFF);
  state().gradientType = LinearHorizontal;
  state().width = 1;
  state().height = 1;
  ASSERT_EQ(resizeImage(), 1);
  EXPECT_EQ(state().image.width, 1);
  EXPECT_EQ(pixel(0, 0), 0);
  state().width = 640;
  state().height = 480;
  ASSERT_EQ(resizeImage(), 1);
  EXPECT_EQ(state().startColor, 0u);
  EXPECT_EQ(pixel(639, 0), 253);  // 639 x 255 x (65536 / 640) / 65536, rounded down
  EXPECT_EQ(describeBitmap(state().thumbnail.bitmap).width, 178);
}

TEST_F(ImageLifecycle, FailedReplacementsLeaveTheOldImageAndThumbnail) {
  ASSERT_EQ(resetImage(), 1);
  uint8_t* pixels = state().image.pixels;
  HBITMAP bitmap = state().image.bitmap;
  HBITMAP thumbnail = state().thumbnail.bitmap;
  const uint64_t digest = bitmapDigest(bitmap);

  const struct {
    AllocationSite site;
    int32_t width, height;
  } failures[] = {
      {AllocationSite::PixelBlock, 300, 200},
      {AllocationSite::DisplayBitmap, 300, 200},
      {AllocationSite::Count, 0, 200},              // zero width: refused at once
      {AllocationSite::Count, 46341, 46341},        // byte count past 32 bits
      {AllocationSite::Count, 2147483647, 2147483647},
  };
  for (const auto& f : failures) {
    if (f.site != AllocationSite::Count) allocation_faults::failAt(f.site);
    state().width = f.width;
    state().height = f.height;
    EXPECT_EQ(resizeImage(), 0) << f.width << "x" << f.height;
    EXPECT_EQ(state().image.pixels, pixels);
    EXPECT_EQ(state().image.bitmap, bitmap);
    EXPECT_EQ(state().thumbnail.bitmap, thumbnail);
    EXPECT_EQ(state().width, f.width) << "the asked-for size stays as the caller stored it";
  }
  EXPECT_EQ(bitmapDigest(bitmap), digest);

  setColors(0x00FF00, 0xFF0000);
  allocation_faults::failAt(AllocationSite::PixelBlock);
  EXPECT_EQ(resetImage(), 0);
  EXPECT_EQ(state().width, 512);
  EXPECT_EQ(state().startColor, 0x00FF00u) << "a failed reset keeps the colours";
  EXPECT_EQ(state().image.bitmap, bitmap);
}

// Every type renders with the renderer of its catalogue row; the dispatch and
// a direct call give the same image.
TEST_F(ImageLifecycle, DispatchFollowsTheCatalogue) {
  const char* names[kGradientTypeCount] = {
      "Linear Vertical", "Linear Horizontal", "Radial",           "Diagonal LR",
      "Diagonal RL",     "Sine Vertical",     "Cosine Vertical",  "Sine Horizontal",
      "Cosine Horizontal", "Sine Radial",     "Cosine Radial",    "2x Radial",
      "2x Sine Radial",  "2x Cosine Radial"};
  makeImage(31, 23);
  setColors(0x1020F0, 0xE0C010);
  state().frequency = 1.7f;
  std::vector<uint64_t> digests;
  for (int32_t type = 0; type < kGradientTypeCount; ++type) {
    EXPECT_STREQ(gradientInfo(type)->displayName, names[type]);
    EXPECT_EQ(gradientTypeByName(names[type]), type);
    state().gradientType = type;
    renderCurrentGradient();
    const uint64_t dispatched = bitmapDigest(state().image.bitmap);
    ASSERT_EQ(gradientInfo(type)->render(), 1);
    EXPECT_EQ(bitmapDigest(state().image.bitmap), dispatched) << names[type];
    for (uint64_t other : digests) EXPECT_NE(other, dispatched) << names[type] << " looks like another type";
    digests.push_back(dispatched);
  }
  EXPECT_EQ(gradientTypeByName("2X COSINE radial"), 13);
  EXPECT_EQ(gradientTypeByName("Cosine"), -1);
  EXPECT_EQ(gradientInfo(14), nullptr);
  EXPECT_EQ(gradientInfo(-1), nullptr);
}

TEST_F(ImageLifecycle, UnknownTypeKeepsThePixelsButRebuildsTheThumbnail) {
  ASSERT_EQ(resetImage(), 1);
  const uint64_t digest = bitmapDigest(state().image.bitmap);
  for (int32_t type : {14, -1}) {
    HBITMAP thumbnail = state().thumbnail.bitmap;
    state().gradientType = type;
    renderCurrentGradient();
    EXPECT_EQ(bitmapDigest(state().image.bitmap), digest) << type;
    EXPECT_NE(state().thumbnail.bitmap, nullptr);
    BITMAP record;
    EXPECT_EQ(GetObjectA(thumbnail, sizeof record, &record), 0) << "the old thumbnail is deleted";
  }
}

#ifndef _WIN32
TEST_F(ImageLifecycle, ALongSessionHoldsNoMoreObjectsThanTheFirstRound) {
  auto round = [&] {
    for (int32_t type = 0; type < kGradientTypeCount; ++type) {
      state().gradientType = type;
      renderCurrentGradient();
    }
    state().width = 300;
    state().height = 200;
    resizeImage();
    allocation_faults::failAt(AllocationSite::DisplayBitmap);
    state().width = 50;
    resizeImage();
    resetImage();
  };
  round();
  const int afterFirst = gdi_standin::liveObjectCount();
  for (int i = 0; i < 5; ++i) round();
  EXPECT_EQ(gdi_standin::liveObjectCount(), afterFirst);
  EXPECT_EQ(afterFirst, 2) << "the image and its thumbnail";
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0);
}
#endif

}  // namespace
