// A long scripted session through the core, as the dialog's commands drive
// it: every type, colour switches, the wave Apply with any frequency the field
// gives (infinity too), size Applies that succeed, are refused or run out of
// memory at each allocation site, saves that succeed and fail, and Reset.
// Nothing may accumulate: after round N the GDI objects (and, under
// AddressSanitizer, the heap bytes in use) are what they were after round 1.
// scripts/valgrind.sh runs this same session under memcheck. Native only:
// the object count comes from the GDI stand-in.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/bmp_writer.h"
#include "platform/allocation.h"
#include "support/image_fixture.h"
#include "ui/field_rules.h"

#if defined(__SANITIZE_ADDRESS__)
#define SHADELOOM_HEAP_COUNTER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SHADELOOM_HEAP_COUNTER 1
#endif
#endif

#ifdef SHADELOOM_HEAP_COUNTER
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

namespace fs = std::filesystem;

// Heap bytes in use, where the allocator can tell; 0 elsewhere.
size_t heapBytesInUse() {
#ifdef SHADELOOM_HEAP_COUNTER
  return __sanitizer_get_current_allocated_bytes();
#else
  return 0;
#endif
}

class LongSession : public StateTest {
 protected:
  void SetUp() override {
    StateTest::SetUp();
    folder_ = fs::temp_directory_path() / "sl-long-session";
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    StateTest::TearDown();
  }

  void applySize(const char* width, const char* height) {
    state().width = sizeFromFieldText(width);
    state().height = sizeFromFieldText(height);
    resizeImage();
  }
  void applyWave(const char* frequency) {
    state().frequency = frequencyFromFieldText(frequency);
    renderCurrentGradient();
  }
  void switchColors() {
    std::swap(state().startColor, state().endColor);
    renderCurrentGradient();
  }

  // One round of commands; returns how many saves succeeded, which must be
  // the same every round.
  int round() {
    int saved = 0;
    applySize("64", "48");
    for (int32_t type = 0; type < kGradientTypeCount; ++type) {
      state().gradientType = type;
      renderCurrentGradient();
      if (type % 4 == 0) switchColors();
    }
    for (const char* frequency : {"2.5", "1e39", "0.0001", "abc", "1e-46", "340282346638528859811704183484516925440"}) {
      state().gradientType = SineRadial2x;
      applyWave(frequency);
    }
    state().startColor = 0x3366CC;
    state().endColor = 0xCC6633;
    applySize("200", "150");  // thumbnail by the downscaler
    saved += writeBmpFile((folder_ / "session.bmp").string().c_str(), state().image.bitmap);
    saved += writeBmpFile((folder_ / "missing" / "session.bmp").string().c_str(), state().image.bitmap);
    applySize("99999999999", "1");    // refused by its byte count
    applySize("46341", "46341");      // likewise
    applySize("0", "-1");             // the fields make 256 x 256
    // Out of memory at every allocation site a command reaches.
    const AllocationSite sites[] = {AllocationSite::PixelBlock,       AllocationSite::DisplayBitmap,
                                    AllocationSite::FlipRowsScratch,  AllocationSite::DiagonalTables,
                                    AllocationSite::DownscaleSource,  AllocationSite::DownscaleTarget,
                                    AllocationSite::DownscaleAccumulator};
    for (AllocationSite site : sites) {
      state().gradientType = site == AllocationSite::DiagonalTables ? DiagonalRL : CosineRadial;
      allocation_faults::failAt(site);
      applySize("210", "170");
      allocation_faults::clear();
      allocation_faults::failAt(site);
      renderCurrentGradient();
      allocation_faults::clear();
    }
    applySize("1", "1");
    applySize("3", "700");  // thumbnail 0 wide: none is made
    resetImage();
    return saved;
  }

  fs::path folder_;
};

TEST_F(LongSession, RoundNHoldsWhatRoundOneHeld) {
  constexpr int kRounds = 6;
  const int savedFirst = round();
  const int objectsFirst = gdi_standin::liveObjectCount();
  const size_t heapFirst = heapBytesInUse();
  int savedLast = savedFirst;
  for (int i = 1; i < kRounds; ++i) savedLast = round();
  const int objectsLast = gdi_standin::liveObjectCount();
  const size_t heapLast = heapBytesInUse();

  EXPECT_EQ(savedFirst, 1) << "one save must succeed and one fail each round";
  EXPECT_EQ(savedLast, savedFirst);
  EXPECT_EQ(objectsFirst, 2) << "after a Reset: the image's display bitmap and the thumbnail";
  EXPECT_EQ(objectsLast, objectsFirst) << "GDI objects after round " << kRounds << " vs round 1";
  EXPECT_EQ(gdi_standin::heldScreenDCCount(), 0);
#ifdef SHADELOOM_HEAP_COUNTER
  EXPECT_GT(heapFirst, 0u) << "the heap counter reads nothing";
#endif
  EXPECT_EQ(heapLast, heapFirst) << "heap bytes in use after round " << kRounds << " vs round 1";
  EXPECT_EQ(state().image.width, 512);
  EXPECT_EQ(fs::file_size(folder_ / "session.bmp"), 54u + 600u * 150u) << "the saved 200 x 150 image";
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(folder_)) entries += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 1u) << "a temporary was left in the save folder";
}

}  // namespace

#endif  // _WIN32
