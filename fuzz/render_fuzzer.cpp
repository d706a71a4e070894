// Renders one gradient through the path of the dialog's Apply command
// (g_state->width/height, resizeImage) with fuzzed type, size, colours and
// frequency, then checks what every render must give: the image of the asked
// size, a display bitmap that is exactly the packed pixels turned into
// bottom-up BGR with zero padding, a thumbnail of the fitted size, the same
// pixels when rendered again, and no GDI object or screen DC left behind.
//
// Then the same Apply again with one allocation made to fail: a refusal must
// leave the first image and thumbnail exactly as they were, a success must
// give a whole image again.
//
// Input: fault site, fault skip, type, width code (2), height code (2), start
// RGB, end RGB, frequency mode, then the frequency: 4 bytes of float bits
// (mode 0), an index into kSpecialFrequencies (mode 2) or, in mode 1, the
// text typed into the frequency field, which takes the rest of the input.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <limits>
#include <string>

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "fuzz_input.h"
#include "gradient/render_dispatch.h"
#include "image/display_bitmap.h"
#include "image/pixel_layout.h"
#include "platform/allocation.h"
#include "app/field_rules.h"
#include "image/thumbnail.h"

namespace {

// Keeps one input well under a second under the sanitizers.
constexpr uint64_t kMaxPixels = 1u << 16;

const float kSpecialFrequencies[] = {
    0.0f,
    -0.0f,
    std::numeric_limits<float>::denorm_min(),
    FLT_MIN,
    1e-30f,
    1.0f,
    0.5f,
    1e6f,
    3e38f,
    FLT_MAX,
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    std::numeric_limits<float>::quiet_NaN(),
    -1.0f,
};

float frequencyFrom(FuzzInput& input) {
  switch (input.byte() % 3) {
    case 0: {
      const uint32_t bits = input.u32();
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    case 1: {
      // What the field rules make of any text, "1e39" (infinity) included.
      const std::string text(reinterpret_cast<const char*>(input.rest()), input.restSize() < 64 ? input.restSize() : 64);
      return frequencyFromFieldText(text.c_str());
    }
    default:
      return kSpecialFrequencies[input.byte() % (sizeof kSpecialFrequencies / sizeof kSpecialFrequencies[0])];
  }
}

uint64_t digest(const uint8_t* bytes, size_t size) {
  uint64_t hash = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

void checkDisplayMatchesPixels(const ImageBuffer& image) {
  const BitmapFacts facts = describeBitmap(image.bitmap);
  FUZZ_CHECK(facts.bits && facts.width == image.width && facts.height == image.height,
             "display bitmap %dx%d (bits %p), image %dx%d", facts.width, facts.height,
             static_cast<void*>(facts.bits), image.width, image.height);
  const size_t displayRow = static_cast<size_t>(displayRowBytes(uint64_t(image.width)));
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* packed = image.pixels + size_t(y) * size_t(image.width) * 3;
    const uint8_t* shown = facts.bits + size_t(image.height - 1 - y) * displayRow;
    for (int32_t x = 0; x < image.width; ++x)
      for (int channel = 0; channel < 3; ++channel)
        FUZZ_CHECK(shown[3 * x + 2 - channel] == packed[3 * x + channel],
                   "pixel (%d, %d) channel %d: display %d, packed %d", x, y, channel,
                   shown[3 * x + 2 - channel], packed[3 * x + channel]);
    for (size_t pad = size_t(image.width) * 3; pad < displayRow; ++pad)
      FUZZ_CHECK(shown[pad] == 0, "row %d padding byte %zu is %d, expected 0", y, pad, shown[pad]);
  }
}

// allowMissing: after an injected failure the thumbnail may be missing (its
// bitmap could not be made), but never of a wrong size.
void checkThumbnail(const AppState& state, bool allowMissing = false) {
  if (allowMissing && !state.thumbnail.bitmap) return;
  const ThumbnailSize want = fitWithin(state.image.width, state.image.height, kThumbnailMaxWidth, kThumbnailMaxHeight);
  const BitmapFacts got = describeBitmap(state.thumbnail.bitmap);
  if (want.width <= 0 || want.height <= 0) {
    FUZZ_CHECK(state.thumbnail.bitmap == nullptr, "thumbnail %dx%d where the fitted size is %dx%d", got.width,
               got.height, want.width, want.height);
    return;
  }
  FUZZ_CHECK(got.bits && got.width == want.width && got.height == want.height,
             "thumbnail %dx%d, expected %dx%d for a %dx%d image", got.width, got.height, want.width, want.height,
             state.image.width, state.image.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  allocation_faults::clear();
  const int faultSite = input.byte() % (int(AllocationSite::Count) + 1);  // Count: no fault
  const int faultSkip = input.byte() % 4;
  const int32_t type = input.byte() % 16;  // 14 and 15: no such type
  const uint32_t width = input.side();
  uint32_t height = input.side();
  if (uint64_t{width} * height > kMaxPixels) height = uint32_t(kMaxPixels / width);
  const uint32_t start = input.byte() | input.byte() << 8 | uint32_t(input.byte()) << 16;
  const uint32_t end = input.byte() | input.byte() << 8 | uint32_t(input.byte()) << 16;
  const float frequency = frequencyFrom(input);

  {
    AppState state;
    g_state = &state;
    state.width = int32_t(width);
    state.height = int32_t(height);
    state.gradientType = type;
    state.startColor = start;
    state.endColor = end;
    state.frequency = frequency;

    FUZZ_CHECK(resizeImage() == 1, "resizeImage refused %ux%u", width, height);
    FUZZ_CHECK(state.image.width == int32_t(width) && state.image.height == int32_t(height),
               "image %dx%d, asked for %ux%u", state.image.width, state.image.height, width, height);
    checkDisplayMatchesPixels(state.image);
    checkThumbnail(state);

    if (uint64_t{width} * height <= 4096) {
      // The Apply of the wave options renders into the same image again.
      const uint64_t before = digest(state.image.pixels, state.image.byteSize);
      renderCurrentGradient();
      const uint64_t after = digest(state.image.pixels, state.image.byteSize);
      FUZZ_CHECK(before == after, "second render differs: digest %llx, first %llx", (unsigned long long)after,
                 (unsigned long long)before);
      checkDisplayMatchesPixels(state.image);
      checkThumbnail(state);
    }
    if (faultSite != int(AllocationSite::Count)) {
      const AllocationSite site = AllocationSite(faultSite);
      const ImageBuffer& image = state.image;
      const uint8_t* pixels = image.pixels;
      const HBITMAP bitmap = image.bitmap, thumbnail = state.thumbnail.bitmap;
      const uint64_t before = digest(image.pixels, image.byteSize);
      allocation_faults::failAt(site, faultSkip);
      const int result = resizeImage();
      allocation_faults::clear();
      if (result == 0) {
        FUZZ_CHECK(image.pixels == pixels && image.bitmap == bitmap && state.thumbnail.bitmap == thumbnail &&
                       digest(image.pixels, image.byteSize) == before,
                   "a failed Apply (site %d, skip %d) changed the image or thumbnail", faultSite, faultSkip);
      } else {
        FUZZ_CHECK(image.width == int32_t(width) && image.height == int32_t(height),
                   "image %dx%d after a fault at site %d, asked for %ux%u", image.width, image.height, faultSite,
                   width, height);
        if (!image.bitmap) {
          // The render's own display bitmap could not be made: the record is
          // left with pixels only, and so without a thumbnail.
          FUZZ_CHECK(site == AllocationSite::DisplayBitmap && image.pixels && !state.thumbnail.bitmap,
                     "no display bitmap after a fault at site %d (pixels %p, thumbnail %p)", faultSite,
                     static_cast<const void*>(image.pixels), static_cast<void*>(state.thumbnail.bitmap));
        } else {
          checkDisplayMatchesPixels(image);
          checkThumbnail(state, true);
        }
      }
    }
    g_state = nullptr;
  }
  FUZZ_CHECK(gdi_standin::liveObjectCount() == 0, "%d GDI objects alive after the state went, expected 0",
             gdi_standin::liveObjectCount());
  FUZZ_CHECK(gdi_standin::heldScreenDCCount() == 0, "%d screen DCs held, expected 0",
             gdi_standin::heldScreenDCCount());
  return 0;
}
