// WinMain in-process: each way of quitting, what shutdown releases, start-up failures.
#include "platform/allocation.h"
#include "ui_support.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int);

namespace ui_test {
namespace {

// WinMain registers the preview class, so it is taken away (put back to make that fail).
int runWinMain(bool classTaken = false) {
  UnregisterClassA("PreviewClass", GetModuleHandleA(nullptr));
  if (classTaken) ensurePreviewClass();
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
}

TEST(WinMain, EachWayOfQuittingEndsTheProgramAndReleasesEverything) {
  for (const char* way : {"Quit", "close box"}) {  // Escape: the end-to-end run
    SCOPED_TRACE(way);
    HWND dialog = nullptr, preview = nullptr;
    HBITMAP swatches[2] = {};
    ModalAnswerer answerer([&](HWND shown, int) {
      dialog = shown;
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0);  // shutdown must close it
      preview = g_previewOpen ? g_previewWindow : nullptr;
      swatches[0] = g_startSwatch, swatches[1] = g_endSwatch;
      if (way[0] == 'Q') pressButton(dialog, IDCANCEL);
      if (way[0] == 'c') PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(runWinMain(), 0);
    ASSERT_EQ(answerer.seen.size(), 1u) << "the main dialog alone: " << testing::PrintToString(answerer.seen);
    EXPECT_EQ(answerer.seen[0].rfind("Shadeloom v1.0 - ", 0), 0u) << answerer.seen[0];
    ASSERT_TRUE(preview && swatches[0]);
    EXPECT_EQ(IsWindow(dialog) + IsWindow(preview), 0) << "the dialog and the preview are destroyed";
    EXPECT_EQ(GetObjectType(swatches[0]) + GetObjectType(swatches[1]), 0u) << "swatches deleted";
    EXPECT_TRUE(g_startSwatch == nullptr && g_state == nullptr);
  }
}

// One message and no dialog; no AppState alive while it shows, nor after.
TEST(WinMain, StartUpFailuresAreReportedWithNoStateLeftAndExitCodeZero) {
  for (bool classTaken : {true, false}) {  // else the first image's pixels cannot be allocated
    bool stateWhileShown = true;
    ModalAnswerer answerer([&](HWND box, int) {
      stateWhileShown = g_state != nullptr;
      pressButton(box, IDOK);
    });
    if (!classTaken) allocation_faults::failAt(AllocationSite::PixelBlock);
    EXPECT_EQ(runWinMain(classTaken), 0);
    allocation_faults::clear();
    EXPECT_EQ(answerer.seen, std::vector<std::string>{classTaken ? "Error: Failed to register Preview window."
                                                                  : "Error: Failed to create gradient image."});
    EXPECT_FALSE(stateWhileShown);
    EXPECT_EQ(g_state, nullptr);
  }
  UnregisterClassA("PreviewClass", GetModuleHandleA(nullptr));
}

}  // namespace
}  // namespace ui_test
