// A long scripted session through the core, as the dialog's commands drive
// it: every type, colour switches, the wave Apply with any frequency the field
// gives (infinity too), size Applies that succeed, are refused or run out of
// memory at every allocation site, saves that succeed and fail, and Reset.
// Nothing may accumulate: after round N the GDI objects, the screen DCs and
// (under AddressSanitizer) the heap bytes in use are what they were after
// round 1. scripts/valgrind.sh runs this same session under memcheck. Native
// only: the object count comes from the GDI stand-in.
#ifndef _WIN32

#include <array>
#include <cstdio>
#include <utility>

#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/bmp_writer.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"
#include "ui/field_rules.h"

// Resolved by the sanitizer runtime where there is one; null elsewhere.
extern "C" __attribute__((weak)) size_t __sanitizer_get_current_allocated_bytes();

namespace {

class LongSession : public StateTest {
 protected:
  void applySize(const char* width, const char* height) {
    state().width = sizeFromFieldText(width);
    state().height = sizeFromFieldText(height);
    resizeImage();
  }
  // One round of commands; returns how many saves succeeded.
  int round() {
    applySize("200", "150");  // thumbnail by the downscaler
    std::swap(state().startColor, state().endColor);
    for (state().gradientType = 0; state().gradientType < kGradientTypeCount; ++state().gradientType)
      renderCurrentGradient();
    state().gradientType = SineRadial2x;
    for (const char* text : {"2.5", "1e39", "0.0001", "abc", "1e-46", "340282346638528859811704183484516925440"}) {
      state().frequency = frequencyFromFieldText(text);
      renderCurrentGradient();
    }
    const int saved = writeBmpFile((::testing::TempDir() + "sl-long-session.bmp").c_str(), state().image.bitmap) +
                      writeBmpFile((::testing::TempDir() + "sl-no-such/x.bmp").c_str(), state().image.bitmap);
    for (const char* size : {"99999999999", "46341", "0"}) applySize(size, size);  // refused twice, then 256
    for (int site = 0; site < int(AllocationSite::Count); ++site) {
      state().gradientType = AllocationSite(site) == AllocationSite::DiagonalTables ? DiagonalRL : CosineRadial;
      allocation_faults::failAt(AllocationSite(site));
      applySize("210", "170");
      allocation_faults::failAt(AllocationSite(site));
      renderCurrentGradient();
      allocation_faults::clear();
    }
    applySize("3", "700");  // thumbnail 0 wide: none is made
    resetImage();
    return saved;
  }
};

TEST_F(LongSession, RoundNHoldsWhatRoundOneHeld) {
  // GDI objects, screen DCs held, heap bytes in use (0 without the counter).
  auto held = [] {
    return std::array<size_t, 3>{size_t(gdi_standin::liveObjectCount()), size_t(gdi_standin::heldScreenDCCount()),
                               __sanitizer_get_current_allocated_bytes ? __sanitizer_get_current_allocated_bytes() : 0};
  };
  EXPECT_EQ(round(), 1) << "saves that succeeded in round 1 (one succeeds, one fails)";
  const std::array<size_t, 3> first = held();
  for (int i = 2; i <= 6; ++i) EXPECT_EQ(round(), 1) << "saves that succeeded in round " << i;
  EXPECT_EQ(held(), first) << "GDI objects, screen DCs, heap bytes in use: round 6 vs round 1";
  EXPECT_TRUE(!__sanitizer_get_current_allocated_bytes || first[2] > 0) << "the heap counter reads " << first[2];
  std::remove((::testing::TempDir() + "sl-long-session.bmp").c_str());
}

}  // namespace

#endif  // _WIN32
