// Apply (resizeImage) with fuzzed type, size, colours and frequency: the asked size, the display bitmap the
// pixels, the fitted thumbnail, no GDI object left; again with one failed allocation: a refusal keeps all.
// Input: fault site and skip, type, width, height (2 bytes each), start and end RGB, frequency mode, then float
// bits (mode 0), field text taking the rest (mode 1) or an index into kSpecialFrequencies (mode 2).
#include <algorithm>
#include <cfloat>
#include <cstring>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/field_rules.h"
#include "app/image_lifecycle.h"
#include "fuzz_input.h"
#include "image/display_bitmap.h"
#include "image/pixel_layout.h"
#include "image/thumbnail.h"
#include "platform/allocation.h"

namespace {

constexpr uint64_t kMaxPixels = 1u << 16;  // well under a second under the sanitizers

constexpr float kInfinity = std::numeric_limits<float>::infinity();
const float kSpecialFrequencies[] = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(), FLT_MIN, 1e-30f, 1.0f,
                                     0.5f, 1e6f, 3e38f, FLT_MAX, kInfinity, -kInfinity,
                                     std::numeric_limits<float>::quiet_NaN(), -1.0f};

float frequencyFrom(FuzzInput& input) {
  switch (input.byte() % 3) {
    case 0: {
      const uint32_t bits = input.u32();
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    case 1: {  // what the field rules make of any text
      const std::string text(reinterpret_cast<const char*>(input.rest()), std::min<size_t>(input.restSize(), 64));
      return frequencyFromFieldText(text.c_str());
    }
    default:
      return kSpecialFrequencies[input.byte() % (sizeof kSpecialFrequencies / sizeof kSpecialFrequencies[0])];
  }
}

void checkDisplayMatchesPixels(const ImageBuffer& image) {
  const BitmapFacts facts = describeBitmap(image.bitmap);
  FUZZ_CHECK(facts.bits && facts.width == image.width && facts.height == image.height, "display bitmap %dx%d",
             facts.width, facts.height);
  const size_t displayRow = static_cast<size_t>(displayRowBytes(uint64_t(image.width)));
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* packed = image.pixels + size_t(y) * size_t(image.width) * 3;
    const uint8_t* shown = facts.bits + size_t(image.height - 1 - y) * displayRow;
    for (int32_t x = 0; x < image.width; ++x)
      for (int channel = 0; channel < 3; ++channel)
        FUZZ_CHECK(shown[3 * x + 2 - channel] == packed[3 * x + channel], "pixel (%d, %d) channel %d", x, y, channel);
  }
}

void checkThumbnail(const AppState& state, bool allowMissing = false) {  // after a failure: none, or the right size
  if (allowMissing && !state.thumbnail.bitmap) return;
  const ThumbnailSize want = fitWithin(state.image.width, state.image.height, kThumbnailMaxWidth, kThumbnailMaxHeight);
  const BitmapFacts got = describeBitmap(state.thumbnail.bitmap);
  if (want.width <= 0 || want.height <= 0) return;  // then none: image_lifecycle_test
  FUZZ_CHECK(got.bits && got.width == want.width && got.height == want.height, "thumbnail %dx%d, expected %dx%d",
             got.width, got.height, want.width, want.height);
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
    state.width = int32_t(width), state.height = int32_t(height), state.gradientType = type;
    state.startColor = start, state.endColor = end, state.frequency = frequency;

    FUZZ_CHECK(resizeImage() == 1, "resizeImage refused %ux%u", width, height);
    FUZZ_CHECK(state.image.width == int32_t(width) && state.image.height == int32_t(height), "image %dx%d",
               state.image.width, state.image.height);
    checkDisplayMatchesPixels(state.image);
    checkThumbnail(state);

    if (faultSite != int(AllocationSite::Count)) {
      const AllocationSite site = AllocationSite(faultSite);
      const ImageBuffer& image = state.image;
      const uint8_t* pixels = image.pixels;
      const HBITMAP bitmap = image.bitmap, thumbnail = state.thumbnail.bitmap;
      const std::vector<uint8_t> before(image.pixels, image.pixels + image.byteSize);
      allocation_faults::failAt(site, faultSkip);
      const int result = resizeImage();
      allocation_faults::clear();
      if (result == 0) {
        FUZZ_CHECK(image.pixels == pixels && image.bitmap == bitmap && state.thumbnail.bitmap == thumbnail &&
                       std::equal(before.begin(), before.end(), image.pixels),
                   "a failed Apply (site %d, skip %d) changed the image or thumbnail", faultSite, faultSkip);
      } else {
        FUZZ_CHECK(image.width == int32_t(width) && image.height == int32_t(height), "image %dx%d after a fault",
                   image.width, image.height);
        if (!image.bitmap) {
          FUZZ_CHECK(site == AllocationSite::DisplayBitmap && image.pixels && !state.thumbnail.bitmap,
                     "no display bitmap after a fault at site %d", faultSite);
        } else {
          checkDisplayMatchesPixels(image);
          checkThumbnail(state, true);
        }
      }
    }
    g_state = nullptr;
  }
  FUZZ_CHECK(gdi_standin::liveObjectCount() == 0 && gdi_standin::heldScreenDCCount() == 0,
             "%d GDI objects, %d screen DCs left", gdi_standin::liveObjectCount(), gdi_standin::heldScreenDCCount());
  return 0;
}
