// Helpers for tests that render through the application state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/field_rules.h"
#include "app/image_lifecycle.h"
#include "image/display_bitmap.h"
#include "image/pixel_layout.h"

// GDI objects and screen DCs alive (the stand-in counts them; Windows: 0).
inline int liveGdiObjects() {
#ifdef _WIN32
  return 0;
#else
  return gdi_standin::liveObjectCount() + 1000 * gdi_standin::heldScreenDCCount();
#endif
}

// A fresh AppState installed as g_state, with an image of the asked size.
// Whatever a test does, failures included, leaves no GDI object behind.
class StateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gdiObjectsBefore_ = liveGdiObjects();
    g_state = (state_ = std::make_unique<AppState>()).get();
  }
  void TearDown() override {
    state_.reset(), g_state = nullptr;
    EXPECT_EQ(liveGdiObjects(), gdiObjectsBefore_) << "GDI objects (+1000 a screen DC) left behind";
  }

  void makeImage(int32_t width, int32_t height) {
    ASSERT_EQ(createImageBuffer(state().image, width, height, 24), 1) << width << "x" << height;
  }
  void setColors(uint32_t start, uint32_t end) { state().startColor = start, state().endColor = end; }
  // Apply's resize with the width and height as typed.
  int applySizeFields(const char* width, const char* height) {
    state().width = sizeFromFieldText(width);
    state().height = sizeFromFieldText(height);
    return resizeImage();
  }

  AppState& state() { return *state_; }

  // Channel (0 red, 1 green, 2 blue) of pixel (x, y) of the packed pixels.
  int pixel(int32_t x, int32_t y, int channel = 0) {
    const ImageBuffer& image = state().image;
    return image.pixels[(size_t(y) * image.width + x) * 3 + channel];
  }
  uint32_t rgb(int32_t x, int32_t y) { return uint32_t(pixel(x, y, 0) << 16 | pixel(x, y, 1) << 8 | pixel(x, y, 2)); }

 private:
  std::unique_ptr<AppState> state_;
  int gdiObjectsBefore_ = 0;
};

// Channel (0 red, 1 green, 2 blue) of picture pixel (x, y) of a display bitmap.
inline int displayPixel(HBITMAP bitmap, int32_t x, int32_t y, int channel) {
  const BitmapFacts facts = describeBitmap(bitmap);
  const uint8_t* row = facts.bits + size_t(facts.height - 1 - y) * displayRowBytes(facts.width);
  return row[x * 3 + (2 - channel)];
}

// FNV-1a, to pin whole images in a few characters.
inline uint64_t fnv1a(const uint8_t* bytes, size_t size, uint64_t hash = 1469598103934665603ull) {
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

inline uint64_t bitmapDigest(HBITMAP bitmap) {  // padding included
  const BitmapFacts facts = describeBitmap(bitmap);
  return facts.bits ? fnv1a(facts.bits, size_t(displayRowBytes(facts.width)) * size_t(facts.height)) : 0;
}
