// A long scripted session in the real dialog: every command many times. What
// one round creates must be gone by the next, and the process must not grow.
// (Wine's GetGuiResources answers 0, so GDI objects are followed by handle:
// every bitmap seen in the first round must be dead after the tenth.)
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

using LongSession = MainDialogTest;

TEST_F(LongSession, NothingAccumulatesOverManyRounds) {
  std::set<HBITMAP> firstRound;
  auto live = [] {
    return std::set<HBITMAP>{g_state->image.bitmap, g_state->thumbnail.bitmap, g_startSwatch, g_endSwatch};
  };
  auto note = [&](int round) {
    if (round == 0) firstRound.merge(live());
  };
  size_t settled = 0;
  for (int round = 0; round < 10; ++round) {
    if (round == 2) settled = privateBytes();
    for (int32_t index = 0; index < kGradientTypeCount; ++index) {
      SendMessageA(item(IDC_GRADIENT_TYPE), CB_SETCURSEL, WPARAM(index), 0);
      command(IDC_GRADIENT_TYPE, CBN_SELCHANGE);
      note(round);
    }
    for (auto [width, height] : {std::pair{"300", "200"}, {"2147483647", "5"}, {"37", "911"}}) {
      type(width, height);
      ModalAnswerer closeWarning([](HWND box, int) { PostMessageA(box, WM_COMMAND, IDOK, 0); }, dialog());
      command(IDC_APPLY_SIZE);
      note(round);
    }
    type(nullptr, nullptr, "2.5");
    for (int id : {IDC_APPLY_WAVE, IDC_SWITCH, IDC_PREVIEW, IDC_RESET}) command(id), note(round);
  }
  int alive = 0;
  for (HBITMAP bitmap : firstRound) alive += bitmap && !live().count(bitmap) && GetObjectType(bitmap) != 0;
  EXPECT_EQ(alive, 0) << "bitmaps of the first round still alive, of " << firstRound.size();
  EXPECT_EQ(g_previewOpen, 0);
  // One leaked 512 x 512 image per round would add 6 MB over these rounds.
  const size_t now = privateBytes(), grown = now > settled ? now - settled : 0;
  EXPECT_LT(grown, size_t(1) << 20) << "private bytes grew from " << settled;
}

}  // namespace
}  // namespace ui_test
