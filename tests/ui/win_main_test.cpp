// The program's frame run in-process: WinMain with the real modal dialog,
// each way a user quits with what shutdown releases, and the start-up failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/allocation.h"
#include "ui_support.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int);

namespace {

using ui_test::ModalAnswerer;

// WinMain registers the preview class itself, so it is taken away first
// (and put back when `classTaken`, to make that registration fail).
int runWinMain(bool classTaken = false) {
  UnregisterClassA("PreviewClass", GetModuleHandleA(nullptr));
  if (classTaken) ui_test::ensurePreviewClass();
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
}

TEST(WinMain, EachWayOfQuittingEndsTheProgramAndReleasesEverything) {
  for (const char* way : {"Quit", "Escape", "close box"}) {
    HWND dialog = nullptr, preview = nullptr;
    HBITMAP swatches[2] = {};
    ModalAnswerer answerer([&](HWND shown, int) {
      dialog = shown;
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0);  // shutdown must close it
      preview = g_previewOpen ? g_previewWindow : nullptr;
      swatches[0] = g_startSwatch, swatches[1] = g_endSwatch;
      if (way[0] == 'Q') ui_test::pressButton(dialog, IDCANCEL);
      if (way[0] == 'E') PostMessageA(GetDlgItem(dialog, IDC_SAVE), WM_KEYDOWN, VK_ESCAPE, 0);
      if (way[0] == 'c') PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(runWinMain(), 0) << way;
    ASSERT_EQ(answerer.seen().size(), 1u) << way << ": the main dialog and nothing else";
    EXPECT_EQ(answerer.seen()[0].caption.rfind("Shadeloom v1.0 - ", 0), 0u) << answerer.seen()[0].caption;
    EXPECT_FALSE(IsWindow(dialog)) << way;
    ASSERT_NE(preview, nullptr) << way;
    EXPECT_FALSE(IsWindow(preview)) << way << ": the preview is destroyed at shutdown";
    ASSERT_NE(swatches[0], nullptr) << way;
    EXPECT_EQ(GetObjectType(swatches[0]) + GetObjectType(swatches[1]), 0u) << way << ": swatches deleted";
    EXPECT_EQ(g_startSwatch, nullptr) << way;
    EXPECT_EQ(g_state, nullptr) << way;
  }
}

TEST(WinMain, StartUpFailuresAreReportedWithNoStateLeftAndExitCodeZero) {
  struct Row {
    const char* what;
    bool classTaken;  // else the first image's pixels cannot be allocated
    const char* message;
  };
  const Row rows[] = {
      {"class", true, "Failed to register Preview window."},
      {"first image", false, "Failed to create gradient image."},
  };
  for (const Row& row : rows) {
    bool stateWhileShown = true;
    ModalAnswerer answerer([&](HWND box, int) {
      stateWhileShown = g_state != nullptr;
      ui_test::pressButton(box, IDOK);
    });
    if (!row.classTaken) allocation_faults::failAt(AllocationSite::PixelBlock);
    EXPECT_EQ(runWinMain(row.classTaken), 0) << row.what;
    allocation_faults::clear();
    ASSERT_EQ(answerer.seen().size(), 1u) << row.what << ": one message and no dialog";
    EXPECT_EQ(answerer.seen()[0].caption + ": " + answerer.seen()[0].text, std::string("Error: ") + row.message);
    EXPECT_FALSE(stateWhileShown) << row.what << ": no AppState alive while the message shows";
    EXPECT_EQ(g_state, nullptr) << row.what;
  }
  UnregisterClassA("PreviewClass", GetModuleHandleA(nullptr));
}

}  // namespace
