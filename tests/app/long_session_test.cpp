// The dialog's commands, failures included, for rounds: GDI objects, screen DCs and heap bytes stay at round 1's.
#ifndef _WIN32

#include <array>
#include <cstdio>

#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/bmp_writer.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"

// Null without a sanitizer runtime.
extern "C" __attribute__((weak)) size_t __sanitizer_get_current_allocated_bytes();

namespace {

using LongSession = StateTest;

TEST_F(LongSession, RoundNHoldsWhatRoundOneHeld) {
  const char* path = "/tmp/sl-long-session.bmp";
  auto round = [&](int i) {
    applySizeFields("200", "150");  // thumbnail by the downscaler
    setColors(state().endColor, state().startColor);
    for (state().gradientType = 0; state().gradientType < kGradientTypeCount; ++state().gradientType)
      renderCurrentGradient();
    EXPECT_EQ(writeBmpFile(path, state().image.bitmap) + writeBmpFile("/sl-no/x.bmp", state().image.bitmap), 1)
        << "saves that succeeded in round " << i << " (one good, one into a missing folder)";
    for (const char* size : {"99999999999", "46341", "0"}) applySizeFields(size, size);  // refused twice, then 256
    for (int site = 0; site < int(AllocationSite::Count); ++site) {
      state().gradientType = AllocationSite(site) == AllocationSite::DiagonalTables ? DiagonalRL : CosineRadial;
      allocation_faults::failAt(AllocationSite(site));
      applySizeFields("210", "170");
      allocation_faults::failAt(AllocationSite(site));
      renderCurrentGradient();
      allocation_faults::clear();
    }
    applySizeFields("3", "700");  // thumbnail 0 wide: none is made
    resetImage();
  };
  auto held = [heap = __sanitizer_get_current_allocated_bytes] {
    return std::array<size_t, 3>{size_t(gdi_standin::liveObjectCount()), size_t(gdi_standin::heldScreenDCCount()),
                                 heap ? heap() : 0};
  };
  round(1);
  const std::array<size_t, 3> first = held();
  for (int i = 2; i <= 6; ++i) round(i);
  EXPECT_EQ(held(), first) << "GDI objects, screen DCs, heap bytes in use: round 6 vs round 1";
  EXPECT_TRUE(!__sanitizer_get_current_allocated_bytes || first[2] > 0) << "the heap counter reads " << first[2];
  std::remove(path);
}

}  // namespace

#endif  // _WIN32
