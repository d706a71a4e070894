// Reset, failed replacements and the render dispatch, through the one
// application state. Sizes and their refusals are size_matrix_test's, whole
// renders render_digest_test's, leaks long_session_test's.
#include <gtest/gtest.h>

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

// A failed resize or reset keeps the image, its pixels and its thumbnail; a
// failed reset keeps the colours too.
TEST_F(ImageLifecycle, FailedReplacementsLeaveTheOldImageAndThumbnail) {
  ASSERT_EQ(resetImage(), 1);
  const uint8_t* pixels = state().image.pixels;
  const HBITMAP bitmap = state().image.bitmap, thumbnail = state().thumbnail.bitmap;
  const uint64_t digest = bitmapDigest(bitmap);
  setColors(0x00FF00, 0xFF0000);
  for (AllocationSite site : {AllocationSite::PixelBlock, AllocationSite::DisplayBitmap}) {
    for (bool reset : {false, true}) {
      SCOPED_TRACE(testing::Message() << (reset ? "reset" : "resize") << ", allocation site " << int(site));
      state().width = 300;
      state().height = 200;
      allocation_faults::failAt(site);
      EXPECT_EQ(reset ? resetImage() : resizeImage(), 0);
      EXPECT_EQ(state().image.pixels, pixels);
      EXPECT_EQ(state().image.bitmap, bitmap);
      EXPECT_EQ(state().thumbnail.bitmap, thumbnail);
      EXPECT_EQ(state().startColor, 0x00FF00u);
    }
  }
  EXPECT_EQ(bitmapDigest(bitmap), digest);
}

// Every type renders with the renderer of its catalogue row; the dispatch and
// a direct call give the same image, unlike every other type's.
TEST_F(ImageLifecycle, DispatchFollowsTheCatalogue) {
  const char* names[kGradientTypeCount] = {
      "Linear Vertical", "Linear Horizontal", "Radial",         "Diagonal LR",   "Diagonal RL",
      "Sine Vertical",   "Cosine Vertical",   "Sine Horizontal", "Cosine Horizontal", "Sine Radial",
      "Cosine Radial",   "2x Radial",         "2x Sine Radial", "2x Cosine Radial"};
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
    const HBITMAP thumbnail = state().thumbnail.bitmap;
    state().gradientType = type;
    renderCurrentGradient();
    EXPECT_EQ(bitmapDigest(state().image.bitmap), digest) << type;
    EXPECT_NE(state().thumbnail.bitmap, nullptr);
    BITMAP record;
    EXPECT_EQ(GetObjectA(thumbnail, sizeof record, &record), 0) << "the old thumbnail is deleted";
  }
}

}  // namespace
