// A long scripted session in the real dialog: every command many times. What
// one round creates must be gone by the next, and the process must not grow.
// (Under Wine GetGuiResources reports 0, so GDI objects are followed by
// handle: every bitmap seen in a round must be dead after the next one.)
#include "ui_support.h"

#include <psapi.h>

#include <set>

#include "gradient/catalogue.h"

namespace ui_test {
namespace {

size_t privateBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

class LongSession : public MainDialogTest {
 protected:
  // Every command that renders, resizes, recolours, previews or resets; the
  // GDI objects alive along the way are collected.
  void round(std::set<HBITMAP>& seen) {
    auto note = [&] {
      seen.insert({g_state->image.bitmap, g_state->thumbnail.bitmap, g_startSwatch, g_endSwatch});
    };
    for (int32_t type = 0; type < kGradientTypeCount; ++type) {
      SendMessageA(item(IDC_GRADIENT_TYPE), CB_SETCURSEL, WPARAM(type), 0);
      command(IDC_GRADIENT_TYPE, CBN_SELCHANGE);
      note();
    }
    const char* sizes[][2] = {{"300", "200"}, {"2147483647", "5"}, {"37", "911"}};
    for (const auto& size : sizes) {
      setText(IDC_WIDTH, size[0]);
      setText(IDC_HEIGHT, size[1]);
      ModalAnswerer closeWarning([](HWND box, int) { PostMessageA(box, WM_COMMAND, IDOK, 0); }, dialog());
      command(IDC_APPLY_SIZE);
      note();
    }
    setText(IDC_FREQUENCY, "2.5");
    command(IDC_APPLY_WAVE);
    command(IDC_SWITCH);
    note();
    command(IDC_PREVIEW);
    command(IDC_RESET);
    note();
  }
};

TEST_F(LongSession, NothingAccumulatesOverManyRounds) {
  std::set<HBITMAP> firstRound;
  round(firstRound);
  std::set<HBITMAP> secondRound;
  round(secondRound);
  const size_t settled = privateBytes();
  for (int i = 0; i < 8; ++i) {
    std::set<HBITMAP> ignored;
    round(ignored);
  }
  const std::set<HBITMAP> current = {g_state->image.bitmap, g_state->thumbnail.bitmap, g_startSwatch, g_endSwatch};
  int alive = 0;
  for (HBITMAP bitmap : firstRound) {
    if (bitmap && !current.count(bitmap) && GetObjectType(bitmap) != 0) ++alive;
  }
  EXPECT_EQ(alive, 0) << "bitmaps of the first round still alive, of " << firstRound.size();
  EXPECT_EQ(g_previewOpen, 0);
  // One leaked 512 x 512 image per round would add 6 MB over these rounds.
  const size_t grown = privateBytes() > settled ? privateBytes() - settled : 0;
  EXPECT_LT(grown, size_t(1) << 20) << "private bytes grew from " << settled << " by " << grown;
}

}  // namespace
}  // namespace ui_test
